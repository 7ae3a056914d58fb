// The system values and registrations that the registry layer and the
// desktop integration provide, through stand-ins until they are linked in.
#pragma once

#include <string>
#include <string_view>

namespace qz::seam {

// The "ProgramFilesDir" value of HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion",
// read with the registry view flag; "C:\Program Files" when it cannot be read.
std::u16string ReadProgramFilesDir();

// Removes the registrations of the file extension and of its ProgID
// "Quenda.<kind>".
void RemoveFileType(std::u16string_view extension, std::u16string_view kind);

}  // namespace qz::seam
