// The stand-ins for the system programs of C:\windows\system32 (cmd.exe,
// regsvr32.exe, runas.exe). Each is a small text file whose first line
// names the tool:
//
//   #qz-system-tool regsvr32
//
// Starting such a file (process.h) runs the one host program that serves
// all of them, qzsystemtools, as "qzsystemtools <tool> <command line>" with
// the Windows command line in one argument. The host program is
// $QZ_SYSTEM_TOOLS when that is set, else "qzsystemtools" beside the running
// executable, else the one of the build tree.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace win {

inline constexpr std::string_view kSystemToolMarker = "#qz-system-tool ";

// The tool that a stand-in's first bytes name, or nothing.
std::optional<std::string> SystemToolOfStandIn(std::string_view firstBytes);

// The host program's path, or empty when it cannot be found.
std::string SystemToolsProgram();

// Writes the stand-ins that are missing into a host folder (the machine's
// system32); existing files are left alone.
void InstallSystemTools(const std::string& system32HostFolder);

}  // namespace win
