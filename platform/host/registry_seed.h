// The registry of a fresh machine: what a Windows 10 installation holds of
// the values the installer reads.
#pragma once

#include <string>
#include <string_view>

#include "platform/host/registry_file.h"

namespace win::registry {

// Whether the machine is 64-bit Windows (QZ_MACHINE_ARCH), whose registry
// has a 32-bit view below HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node.
bool MachineHas64BitView();

// ProgramFilesDir in each view, EnableLUA 1 in each view, an empty
// Uninstall key and HKLM\SOFTWARE\Classes, and the current user's "User
// Shell Folders" (Desktop and Start Menu as expandable references to
// %USERPROFILE% and %APPDATA%) and "Shell Folders" (the same, expanded).
Tree FreshMachineRegistry(std::u16string_view userProfile, bool is64Bit);

// Writes the fresh registry into a machine folder that has no registry file.
void SeedMachineRegistry(const std::string& machineRoot, std::u16string_view userProfile);

}  // namespace win::registry
