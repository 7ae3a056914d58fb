// Where the installer offers to install: below the system's program-files
// directory.
#pragma once

#include <string>

namespace qz {

// The "ProgramFilesDir" value of HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion"
// in the registry's native view; "C:\Program Files" when it cannot be read.
std::u16string ReadProgramFilesDir();

}  // namespace qz
