// The runas stand-in for the one trust level the installer uses: 0x20000,
// the basic user, starts a program without elevation.
#include <vector>

#include "platform/base/text.h"
#include "platform/win/process.h"
#include "tools/systemtools/system_tools.h"

namespace qzsystemtools {
namespace {

constexpr int kFailed = 1;
constexpr std::u16string_view kBasicUser = u"0x20000";

std::u16string Lower(std::u16string_view s) {
  std::u16string out;
  for (char16_t c : s) out += win::FoldAsciiLower(c);
  return out;
}

int Usage() {
  Complain(u"RUNAS USAGE: runas /trustlevel:0x20000 \"program [arguments]\"\n"
           u"             runas /showtrustlevels");
  return kFailed;
}

int StartWithoutElevation(std::u16string commandLine) {
  std::u16string environment = win::EnvironmentBlockWith(u"QZ_MACHINE_ELEVATED", u"0");
  win::STARTUPINFOW startup;
  startup.cb = sizeof startup;
  win::PROCESS_INFORMATION info;
  if (!win::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, win::FALSE, win::CREATE_UNICODE_ENVIRONMENT,
                           environment.data(), nullptr, &startup, &info)) {
    Complain(win::Format(u"RUNAS ERROR: Unable to run - %ls\n%d: the program cannot be started.", commandLine,
                         int(win::GetLastError())));
    return kFailed;
  }
  win::CloseHandle(info.hThread);
  win::CloseHandle(info.hProcess);
  return 0;
}

}  // namespace

int RunAs(std::u16string_view arguments) {
  std::vector<std::u16string> args = win::CommandLineToArguments(u"runas " + std::u16string(arguments));
  std::u16string level, program;
  bool showLevels = false;
  for (size_t i = 1; i < args.size(); ++i) {
    std::u16string option = Lower(args[i]);
    if (option.rfind(u"/trustlevel:", 0) == 0) {
      level = option.substr(12);
    } else if (option == u"/showtrustlevels") {
      showLevels = true;
    } else if (option.rfind(u"/", 0) == 0) {
      Complain(u"RUNAS ERROR: the option " + args[i] + u" is not supported on this machine (only /trustlevel).");
      return kFailed;
    } else if (program.empty()) {
      program = args[i];
    } else {
      return Usage();
    }
  }
  if (showLevels) {
    Complain(u"The following trust levels are available on your system:\n0x20000 (Basic User)");
    return 0;
  }
  if (level.empty() || program.empty()) return Usage();
  if (level != kBasicUser) {
    Complain(u"RUNAS ERROR: trust level " + level + u" is not available on this machine (only 0x20000).");
    return kFailed;
  }
  return StartWithoutElevation(program);
}

}  // namespace qzsystemtools
