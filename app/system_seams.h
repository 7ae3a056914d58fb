// System values and registrations that the desktop integration provides;
// stand-ins here until it is linked in.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_base.h"

namespace qz::seam {

// The registry view flag: KEY_WOW64_64KEY on 64-bit Windows, else 0.
win::DWORD RegistryViewFlag();

// The "ProgramFilesDir" value of HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion",
// read with the registry view flag; "C:\Program Files" when it cannot be read.
std::u16string ReadProgramFilesDir();

// Removes the registrations of the file extension and of its ProgID
// "Quenda.<kind>".
void RemoveFileType(std::u16string_view extension, std::u16string_view kind);

}  // namespace qz::seam
