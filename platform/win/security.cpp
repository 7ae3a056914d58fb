#include "platform/win/security.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/console.h"
#include "platform/base/text.h"

namespace win {
namespace {

constexpr int kBitsPerCondition = 3;

// Each field of the type mask owns three bits of the condition mask, in
// the order of the field bits.
int ConditionShift(DWORD field) {
  int index = 0;
  while (field > 1) {
    field >>= 1;
    ++index;
  }
  return index * kBitsPerCondition;
}

BYTE ConditionOf(ULONGLONG mask, DWORD field) { return BYTE((mask >> ConditionShift(field)) & 7); }

bool Compare(DWORD actual, DWORD wanted, BYTE condition) {
  switch (condition) {
    case VER_EQUAL: return actual == wanted;
    case VER_GREATER: return actual > wanted;
    case VER_GREATER_EQUAL: return actual >= wanted;
    case VER_LESS: return actual < wanted;
    case VER_LESS_EQUAL: return actual <= wanted;
    case VER_AND: return (actual & wanted) == wanted;
    case VER_OR: return (actual & wanted) != 0;
    default: return false;
  }
}

void WarnOnce(const std::string& text) {
  static std::mutex mutex;
  static std::set<std::string>* warned = new std::set<std::string>;
  std::lock_guard lock(mutex);
  if (warned->insert(text).second) ConsoleLine(Utf8ToWide(text), true);
}

std::optional<DWORD> ParseNumber(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  DWORD n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + DWORD(c - '0');
  }
  return n;
}

DWORD KnownBuild(DWORD major, DWORD minor) {
  struct Release {
    DWORD major, minor, build;
  };
  static const Release releases[] = {{5, 0, 2195}, {5, 1, 2600}, {5, 2, 3790}, {6, 0, 6002},
                                     {6, 1, 7601}, {6, 2, 9200}, {6, 3, 9600}, {10, 0, 19045}};
  for (const Release& r : releases)
    if (r.major == major && r.minor == minor) return r.build;
  return 0;
}

std::optional<WindowsVersion> ParseVersion(std::string_view text) {
  std::vector<std::string_view> parts;
  while (true) {
    size_t dot = text.find('.');
    parts.push_back(text.substr(0, dot));
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
  std::optional<DWORD> major = ParseNumber(parts[0]), minor = ParseNumber(parts[1]);
  std::optional<DWORD> build = parts.size() == 3 ? ParseNumber(parts[2]) : std::optional<DWORD>(0);
  if (!major || !minor || !build) return std::nullopt;
  return WindowsVersion{*major, *minor, parts.size() == 3 ? *build : KnownBuild(*major, *minor)};
}

// Major, minor and service pack as one number: the first field that
// differs decides with its own condition.
bool PassesVersionNumber(const WindowsVersion& v, const OSVERSIONINFOEXW& wanted, DWORD typeMask, ULONGLONG mask) {
  struct Field {
    DWORD bit, actual, wanted;
  };
  const Field fields[] = {{VER_MAJORVERSION, v.major, wanted.dwMajorVersion},
                          {VER_MINORVERSION, v.minor, wanted.dwMinorVersion},
                          {VER_SERVICEPACKMAJOR, 0, wanted.wServicePackMajor},
                          {VER_SERVICEPACKMINOR, 0, wanted.wServicePackMinor}};
  for (const Field& f : fields) {
    if (!(typeMask & f.bit)) continue;
    BYTE condition = ConditionOf(mask, f.bit);
    if (f.actual != f.wanted) return Compare(f.actual, f.wanted, condition);
    if (!Compare(f.actual, f.wanted, condition)) return false;
  }
  return true;
}

bool PassesOtherFields(const WindowsVersion& v, const OSVERSIONINFOEXW& wanted, DWORD typeMask, ULONGLONG mask) {
  struct Field {
    DWORD bit, actual, wanted;
  };
  const Field fields[] = {{VER_BUILDNUMBER, v.build, wanted.dwBuildNumber},
                          {VER_PLATFORMID, VER_PLATFORM_WIN32_NT, wanted.dwPlatformId},
                          {VER_SUITENAME, 0x100 /* single user */, wanted.wSuiteMask},
                          {VER_PRODUCT_TYPE, 1 /* workstation */, wanted.wProductType}};
  for (const Field& f : fields)
    if ((typeMask & f.bit) && !Compare(f.actual, f.wanted, ConditionOf(mask, f.bit))) return false;
  return true;
}

}  // namespace

ULONGLONG VerSetConditionMask(ULONGLONG ConditionMask, DWORD TypeMask, BYTE Condition) {
  for (DWORD bit = VER_MINORVERSION; bit <= VER_PRODUCT_TYPE; bit <<= 1) {
    if (!(TypeMask & bit)) continue;
    int shift = ConditionShift(bit);
    ConditionMask = (ConditionMask & ~(ULONGLONG(7) << shift)) | (ULONGLONG(Condition & 7) << shift);
  }
  return ConditionMask;
}

BOOL VerifyVersionInfoW(OSVERSIONINFOEXW* lpVersionInformation, DWORD dwTypeMask, ULONGLONG dwlConditionMask) {
  if (!lpVersionInformation || lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool conditionsComplete = dwTypeMask != 0 && (dwTypeMask & ~DWORD(0xFF)) == 0;
  for (DWORD bit = VER_MINORVERSION; bit <= VER_PRODUCT_TYPE; bit <<= 1)
    if ((dwTypeMask & bit) && ConditionOf(dwlConditionMask, bit) == 0) conditionsComplete = false;
  if (!conditionsComplete) {
    SetLastError(ERROR_BAD_ARGUMENTS);
    return FALSE;
  }
  WindowsVersion v = EmulatedWindowsVersion();
  if (PassesVersionNumber(v, *lpVersionInformation, dwTypeMask, dwlConditionMask) &&
      PassesOtherFields(v, *lpVersionInformation, dwTypeMask, dwlConditionMask))
    return TRUE;
  SetLastError(ERROR_OLD_WIN_VERSION);
  return FALSE;
}

WindowsVersion EmulatedWindowsVersion() {
  const char* setting = std::getenv("QZ_MACHINE_VERSION");
  if (!setting || !*setting) return WindowsVersion{};
  if (std::optional<WindowsVersion> v = ParseVersion(setting)) return *v;
  WarnOnce(std::string("QZ_MACHINE_VERSION=") + setting +
           " is not a Windows version such as 6.1 or 6.1.7601; the machine reports 6.2.");
  return WindowsVersion{};
}

Elevation ElevationOfSetting(std::u16string_view setting) {
  if (setting.empty() || setting == u"1") return Elevation::elevated;
  if (setting == u"0") return Elevation::notElevated;
  if (setting == u"fail") return Elevation::queryFails;
  WarnOnce("QZ_MACHINE_ELEVATED=" + WideToUtf8(setting) + " is not 1, 0 or fail; the process counts as elevated.");
  return Elevation::elevated;
}

Elevation EmulatedElevation() {
  const char* setting = std::getenv("QZ_MACHINE_ELEVATED");
  return ElevationOfSetting(setting ? Utf8ToWide(setting) : std::u16string());
}

BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, HANDLE* TokenHandle) {
  if (!TokenHandle || ProcessHandle != GetCurrentProcess()) {
    SetLastError(TokenHandle ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *TokenHandle = handles::NewTokenHandle(DesiredAccess);
  return TRUE;
}

BOOL GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                         void* TokenInformation, DWORD TokenInformationLength, DWORD* ReturnLength) {
  std::shared_ptr<const handles::TokenState> token = handles::FindToken(TokenHandle);
  if (!token) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!(token->access & TOKEN_QUERY) || EmulatedElevation() == Elevation::queryFails) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  bool known = TokenInformationClass == TokenElevation || TokenInformationClass == TokenElevationType;
  if (!known || EmulatedWindowsVersion().major < 6 || !ReturnLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *ReturnLength = sizeof(DWORD);
  if (!TokenInformation || TokenInformationLength < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  bool elevated = EmulatedElevation() == Elevation::elevated;
  DWORD answer = TokenInformationClass == TokenElevation
                     ? DWORD(elevated)
                     : DWORD(elevated ? TokenElevationTypeFull : TokenElevationTypeLimited);
  std::memcpy(TokenInformation, &answer, sizeof answer);
  return TRUE;
}

}  // namespace win
