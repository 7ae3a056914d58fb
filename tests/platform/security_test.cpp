#include "platform/win/security.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/host/system_time.h"
#include "tests/support/scoped_env.h"

namespace {

using namespace win;

// The version test of the installer: 6.minor or later, service pack 0.
bool IsAtLeast(DWORD minor) {
  OSVERSIONINFOEXW info;
  info.dwOSVersionInfoSize = sizeof info;
  info.dwMajorVersion = 6;
  info.dwMinorVersion = minor;
  info.wServicePackMajor = 0;
  ULONGLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask);
}

TEST(Version, ComparesAgainstTheEmulatedWindows) {
  struct Case {
    const char* setting;
    bool vista, windows8;
  } cases[] = {
      {nullptr, true, true},    {"6.2", true, true},       {"6.1", true, false},
      {"6.0", true, false},     {"5.1", false, false},     {"10.0", true, true},
      {"6.1.7601", true, false}, {"not a version", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting ? c.setting : "unset");
    qztest::ScopedEnv version("QZ_MACHINE_VERSION", c.setting);
    EXPECT_EQ(IsAtLeast(0), c.vista);
    EXPECT_EQ(IsAtLeast(2), c.windows8);
  }
  qztest::ScopedEnv version("QZ_MACHINE_VERSION", "6.1");
  EXPECT_EQ(EmulatedWindowsVersion().build, 7601u);
  EXPECT_FALSE(IsAtLeast(2));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_OLD_WIN_VERSION));
}

TEST(Version, MalformedQuestionsAreRefused) {
  OSVERSIONINFOEXW info;
  info.dwOSVersionInfoSize = sizeof info;
  ULONGLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
  EXPECT_FALSE(VerifyVersionInfoW(&info, 0, mask));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_ARGUMENTS));
  EXPECT_FALSE(VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION, mask));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_ARGUMENTS));
  info.dwOSVersionInfoSize = 276;
  EXPECT_FALSE(VerifyVersionInfoW(&info, VER_MAJORVERSION, mask));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  // Each field has its own three bits; setting one again replaces it.
  EXPECT_EQ(VerSetConditionMask(mask, VER_MAJORVERSION, VER_EQUAL), VerSetConditionMask(0, VER_MAJORVERSION, VER_EQUAL));
}

// The installer's elevation test: -1, 0 or 1.
int Elevation() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return -1;
  TOKEN_ELEVATION elevation;
  DWORD size = 0;
  int result = -1;
  if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && size == 4)
    result = elevation.TokenIsElevated ? 1 : 0;
  EXPECT_TRUE(CloseHandle(token));
  return result;
}

TEST(Token, ElevationFollowsTheSetting) {
  struct Case {
    const char* setting;
    const char* version;
    int expected;
  } cases[] = {
      {nullptr, nullptr, 1}, {"1", nullptr, 1}, {"0", nullptr, 0}, {"fail", nullptr, -1}, {"1", "5.1", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting ? c.setting : "unset");
    qztest::ScopedEnv elevated("QZ_MACHINE_ELEVATED", c.setting);
    qztest::ScopedEnv version("QZ_MACHINE_VERSION", c.version);
    EXPECT_EQ(Elevation(), c.expected);
  }
}

TEST(Token, QueriesFollowTheWindowsContract) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  TOKEN_ELEVATION elevation;
  DWORD size = 0;
  EXPECT_FALSE(GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  CloseHandle(token);
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  EXPECT_FALSE(GetTokenInformation(token, TokenElevation, &elevation, 2, &size));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 4u);
  DWORD type = 0;
  qztest::ScopedEnv notElevated("QZ_MACHINE_ELEVATED", "0");
  EXPECT_TRUE(GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size));
  EXPECT_EQ(type, DWORD(TokenElevationTypeLimited));
  EXPECT_TRUE(CloseHandle(token));
  EXPECT_FALSE(GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
}

TEST(Time, FtimeReadsTheClockWithMilliseconds) {
  using namespace std::chrono;
  long long before = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  __timeb64 now;
  _ftime64(&now);
  long long after = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  long long read = now.time * 1000 + now.millitm;
  EXPECT_GE(read, before);
  EXPECT_LE(read, after);
  EXPECT_LT(now.millitm, 1000);
  double stamp = double(now.time) + now.millitm * 0.001;
  EXPECT_GT(stamp, 1.6e9);
}

}  // namespace
