// The ANSI code page of the Windows thread (CP_THREAD_ACP). The machine
// stands in Windows-1252 for it, the code page of Western European Windows.
#pragma once

#include <string>
#include <string_view>

namespace win {

// The bytes as one piece of text in the thread's ANSI code page, as
// MultiByteToWideChar converts them. Bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same value.
std::u16string AnsiToWide(std::string_view bytes);

// The code unit of one byte in the thread's ANSI code page.
char16_t AnsiCharToWide(unsigned char byte);

}  // namespace win
