#include "desktop/privileges.h"

#include "platform/win/registry.h"
#include "platform/win/security.h"

namespace qz {
namespace {

constexpr const char16_t* kSystemPolicies = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

}  // namespace

bool IsWindowsAtLeast(int minorVersion) {
  win::OSVERSIONINFOEXW version;
  version.dwOSVersionInfoSize = sizeof version;
  version.dwMajorVersion = 6;
  version.dwMinorVersion = win::DWORD(minorVersion);
  version.wServicePackMajor = 0;
  win::ULONGLONG condition = 0;
  condition = win::VerSetConditionMask(condition, win::VER_MAJORVERSION, win::VER_GREATER_EQUAL);
  condition = win::VerSetConditionMask(condition, win::VER_MINORVERSION, win::VER_GREATER_EQUAL);
  condition = win::VerSetConditionMask(condition, win::VER_SERVICEPACKMAJOR, win::VER_GREATER_EQUAL);
  return win::VerifyVersionInfoW(&version, win::VER_MAJORVERSION | win::VER_MINORVERSION | win::VER_SERVICEPACKMAJOR,
                                 condition) != win::FALSE;
}

int IsProcessElevated() {
  if (!IsWindowsAtLeast(0)) return -1;
  win::HANDLE token = nullptr;
  if (!win::OpenProcessToken(win::GetCurrentProcess(), win::TOKEN_QUERY, &token)) return -1;
  win::TOKEN_ELEVATION elevation;
  win::DWORD returned = 0;
  int result = -1;
  if (win::GetTokenInformation(token, win::TokenElevation, &elevation, sizeof elevation, &returned) &&
      returned == sizeof elevation)
    result = elevation.TokenIsElevated != 0 ? 1 : 0;
  win::CloseHandle(token);
  return result;
}

bool IsUacEnabled() {
  // Four bytes whatever the value's type; a shorter value leaves zeros.
  win::DWORD enableLua = 0;
  win::DWORD type = 0;
  win::DWORD size = sizeof enableLua;
  if (win::SHGetValueW(win::HKEY_LOCAL_MACHINE, kSystemPolicies, u"EnableLUA", &type, &enableLua, &size) !=
      win::ERROR_SUCCESS)
    return IsWindowsAtLeast(2);
  return enableLua != 0;
}

}  // namespace qz
