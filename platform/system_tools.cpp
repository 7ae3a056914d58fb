#include "platform/system_tools.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace win {
namespace {

#ifndef QZ_SYSTEM_TOOLS_BUILD_PATH
#define QZ_SYSTEM_TOOLS_BUILD_PATH ""
#endif

constexpr const char* kProgramName = "qzsystemtools";

bool IsExecutable(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string BesideRunningExecutable() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string self(buf, size_t(n));
  return self.substr(0, self.rfind('/') + 1) + kProgramName;
}

std::string StandInText(std::string_view tool, std::string_view exe) {
  return std::string(kSystemToolMarker) + std::string(tool) + "\r\n" +
         "This file stands in for " + std::string(exe) +
         " of the emulated machine: starting it runs the host program qzsystemtools.\r\n";
}

void WriteIfMissing(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t written = ::write(fd, text.data(), text.size());
  ::close(fd);
  if (written != ssize_t(text.size())) ::unlink(path.c_str());
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
    return IsExecutable(configured) ? configured : std::string();
  if (std::string beside = BesideRunningExecutable(); IsExecutable(beside)) return beside;
  std::string built = QZ_SYSTEM_TOOLS_BUILD_PATH;
  return IsExecutable(built) ? built : std::string();
}

void InstallSystemTools(const std::string& system32HostFolder) {
  for (const char* tool : {"cmd", "regsvr32", "runas"}) {
    std::string exe = std::string(tool) + ".exe";
    WriteIfMissing(system32HostFolder + "/" + exe, StandInText(tool, exe));
  }
}

}  // namespace win
