#include "desktop/product_launch.h"

#include <string>

#include "base/install_state.h"
#include "desktop/privileges.h"
#include "platform/base/text.h"
#include "platform/win/process.h"

namespace qz {
namespace {

void LaunchAsBasicUser(std::u16string_view executablePath) {
  win::_wsystem(win::Format(u"runas /trustlevel:0x20000 \"%ls\"", executablePath).c_str());
}

void StartProcess(std::u16string_view executablePath) {
  // CreateProcessW may write to the command line, so it gets its own copy.
  std::u16string commandLine = win::Format(u"\"%ls\"", executablePath);
  const std::u16string directory = SharedInstallState().targetDirectory;
  win::STARTUPINFOW startup;
  startup.cb = sizeof startup;
  win::PROCESS_INFORMATION process;
  if (!win::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, win::FALSE, 0, nullptr, directory.c_str(),
                           &startup, &process))
    return;
  win::CloseHandle(process.hThread);
  win::CloseHandle(process.hProcess);
}

}  // namespace

ProductLaunch LaunchProduct(std::u16string_view executablePath) {
  if (IsUacEnabled() && IsProcessElevated() == 1) {
    LaunchAsBasicUser(executablePath);
    return ProductLaunch::handedToBasicUser;
  }
  StartProcess(executablePath);
  return ProductLaunch::started;
}

}  // namespace qz
