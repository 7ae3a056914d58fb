#include "platform/host/system_tools.h"

#include <cstdlib>

#include "platform/host/host_file.h"
#include "platform/host/host_process.h"

namespace win {
namespace {

#ifndef QZ_SYSTEM_TOOLS_BUILD_PATH
#define QZ_SYSTEM_TOOLS_BUILD_PATH ""
#endif

constexpr const char* kProgramName = "qzsystemtools";

std::string BesideRunningExecutable() {
  std::string self = host::ExecutablePath();
  if (self.empty()) return {};
  return self.substr(0, self.rfind('/') + 1) + kProgramName;
}

std::string StandInText(std::string_view tool, std::string_view exe) {
  return std::string(kSystemToolMarker) + std::string(tool) + "\r\n" +
         "This file stands in for " + std::string(exe) +
         " of the emulated machine: starting it runs the host program qzsystemtools.\r\n";
}

}  // namespace

std::optional<std::string> SystemToolOfStandIn(std::string_view firstBytes) {
  if (firstBytes.substr(0, kSystemToolMarker.size()) != kSystemToolMarker) return std::nullopt;
  std::string_view rest = firstBytes.substr(kSystemToolMarker.size());
  size_t end = rest.find_first_of(" \t\r\n");
  std::string tool(rest.substr(0, end));
  if (tool.empty()) return std::nullopt;
  return tool;
}

std::string SystemToolsProgram() {
  if (const char* configured = std::getenv("QZ_SYSTEM_TOOLS"); configured && *configured)
    return host::IsExecutableFile(configured) ? configured : std::string();
  if (std::string beside = BesideRunningExecutable(); host::IsExecutableFile(beside)) return beside;
  std::string built = QZ_SYSTEM_TOOLS_BUILD_PATH;
  return host::IsExecutableFile(built) ? built : std::string();
}

void InstallSystemTools(const std::string& system32HostFolder) {
  for (const char* tool : {"cmd", "regsvr32", "runas"}) {
    std::string exe = std::string(tool) + ".exe";
    host::CreateFileIfMissing(system32HostFolder + "/" + exe, StandInText(tool, exe));
  }
}

}  // namespace win
