// The environment of the emulated process in the shape of the Windows calls
// (the values themselves come from machine.h's GetEnvironmentVariable).
#pragma once

#include <string>
#include <string_view>

#include "platform/base/win_base.h"

namespace win {

// The value's length when it fits into nSize characters with its NUL, else
// the size needed including the NUL; 0 with ERROR_ENVVAR_NOT_FOUND when the
// variable is absent.
DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);

// Replaces each %NAME% of a defined variable by its value; references to
// undefined variables and single percent signs stay as they are.
std::u16string ExpandEnvironmentStrings(std::u16string_view text);

// The expanded text's size in characters including the NUL; the text is
// stored only when that many characters fit.
DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);

}  // namespace win
