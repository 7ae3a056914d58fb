// Version tests and the process token of the emulated Windows.
//
// The version is 6.2 unless QZ_MACHINE_VERSION says otherwise ("6.1",
// "5.1", "10.0", optionally with a build number: "6.1.7601"): a program
// without a compatibility manifest sees Windows 8 or later as 6.2.
// The token is elevated unless QZ_MACHINE_ELEVATED is "0" (not elevated) or
// "fail" (the token opens, but asking it for its elevation fails with
// ERROR_ACCESS_DENIED).
#pragma once

#include <string_view>

#include "platform/base/win_base.h"
#include "platform/win/handle.h"

namespace win {

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize = 0;
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  WCHAR szCSDVersion[128] = {};
  WORD wServicePackMajor = 0;
  WORD wServicePackMinor = 0;
  WORD wSuiteMask = 0;
  BYTE wProductType = 0;
  BYTE wReserved = 0;
};
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the size Windows gives the record");

enum : DWORD {
  VER_MINORVERSION = 0x01,
  VER_MAJORVERSION = 0x02,
  VER_BUILDNUMBER = 0x04,
  VER_PLATFORMID = 0x08,
  VER_SERVICEPACKMINOR = 0x10,
  VER_SERVICEPACKMAJOR = 0x20,
  VER_SUITENAME = 0x40,
  VER_PRODUCT_TYPE = 0x80,
  VER_PLATFORM_WIN32_NT = 2,
};

enum : BYTE {
  VER_EQUAL = 1,
  VER_GREATER = 2,
  VER_GREATER_EQUAL = 3,
  VER_LESS = 4,
  VER_LESS_EQUAL = 5,
  VER_AND = 6,
  VER_OR = 7,
};

// Records the comparison for each field named in dwTypeMask.
ULONGLONG VerSetConditionMask(ULONGLONG ConditionMask, DWORD TypeMask, BYTE Condition);

// Whether the running Windows passes the comparisons of the named fields.
// Major version, minor version and service pack compare as one number, the
// most significant field that differs deciding, as Windows does. FALSE with
// ERROR_OLD_WIN_VERSION when it does not pass; ERROR_BAD_ARGUMENTS for an
// empty type mask or a field without a condition; ERROR_INVALID_PARAMETER
// for a record whose size field is not 284.
BOOL VerifyVersionInfoW(OSVERSIONINFOEXW* lpVersionInformation, DWORD dwTypeMask, ULONGLONG dwlConditionMask);

// The emulated version (QZ_MACHINE_VERSION).
struct WindowsVersion {
  DWORD major = 6;
  DWORD minor = 2;
  DWORD build = 9200;
};
WindowsVersion EmulatedWindowsVersion();

enum : DWORD {
  TOKEN_QUERY = 0x0008,
  TOKEN_ADJUST_PRIVILEGES = 0x0020,
  TOKEN_ALL_ACCESS = 0x000F01FF,
};

enum TOKEN_INFORMATION_CLASS {
  TokenElevationType = 18,
  TokenElevation = 20,
};

enum TOKEN_ELEVATION_TYPE {
  TokenElevationTypeDefault = 1,
  TokenElevationTypeFull = 2,
  TokenElevationTypeLimited = 3,
};

struct TOKEN_ELEVATION {
  DWORD TokenIsElevated = 0;
};

// Opens the token of the current process (GetCurrentProcess()).
BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, HANDLE* TokenHandle);

// TokenElevation (a TOKEN_ELEVATION) and TokenElevationType (a DWORD).
// Needs TOKEN_QUERY; ERROR_INSUFFICIENT_BUFFER with the needed size in
// *ReturnLength for a small buffer; ERROR_INVALID_PARAMETER before
// Windows Vista, which has no elevation.
BOOL GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                         void* TokenInformation, DWORD TokenInformationLength, DWORD* ReturnLength);

// The process's elevation as QZ_MACHINE_ELEVATED (or, for a started
// program, that variable in its environment) sets it.
enum class Elevation { elevated, notElevated, queryFails };
Elevation EmulatedElevation();
Elevation ElevationOfSetting(std::u16string_view setting);

}  // namespace win
