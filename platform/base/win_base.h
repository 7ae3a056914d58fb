// The Windows base types, error codes and the thread's last error, shared by
// the registry, shell, process and security services of the layer.
#pragma once

#include <cstdint>

#include "platform/base/file_error.h"
#include "platform/base/win_types.h"

namespace win {

using BYTE = uint8_t;
using WORD = uint16_t;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using ULONGLONG = uint64_t;
using WCHAR = char16_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using LSTATUS = LONG;
using HRESULT = int32_t;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;
inline constexpr DWORD MAX_PATH = 260;
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

struct SECURITY_ATTRIBUTES {
  DWORD nLength = 0;
  void* lpSecurityDescriptor = nullptr;
  BOOL bInheritHandle = FALSE;
};

// 100-nanosecond intervals since 1601-01-01 (UTC).
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

// System error codes, with the values Windows gives them.
enum : LONG {
  ERROR_SUCCESS = 0,
  ERROR_INVALID_FUNCTION = 1,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_TOO_MANY_OPEN_FILES = 4,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_HANDLE = 6,
  ERROR_NOT_ENOUGH_MEMORY = 8,
  ERROR_BAD_FORMAT = 11,
  ERROR_INVALID_DRIVE = 15,
  ERROR_SEEK = 25,
  ERROR_GEN_FAILURE = 31,
  ERROR_SHARING_VIOLATION = 32,
  ERROR_LOCK_VIOLATION = 33,
  ERROR_HANDLE_EOF = 38,
  ERROR_NOT_SUPPORTED = 50,
  ERROR_FILE_EXISTS = 80,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_DISK_FULL = 112,
  ERROR_CALL_NOT_IMPLEMENTED = 120,
  ERROR_INSUFFICIENT_BUFFER = 122,
  ERROR_INVALID_NAME = 123,
  ERROR_DIR_NOT_EMPTY = 145,
  ERROR_BAD_ARGUMENTS = 160,
  ERROR_BAD_PATHNAME = 161,
  ERROR_ALREADY_EXISTS = 183,
  ERROR_ENVVAR_NOT_FOUND = 203,
  ERROR_BAD_EXE_FORMAT = 193,
  ERROR_FILENAME_EXCED_RANGE = 206,
  ERROR_MORE_DATA = 234,
  ERROR_NO_MORE_ITEMS = 259,
  ERROR_DIRECTORY = 267,
  ERROR_NOACCESS = 998,
  ERROR_CANTOPEN = 1011,
  ERROR_CANTREAD = 1012,
  ERROR_CANTWRITE = 1013,
  ERROR_REGISTRY_CORRUPT = 1015,
  ERROR_REGISTRY_IO_FAILED = 1016,
  ERROR_KEY_DELETED = 1018,
  ERROR_OLD_WIN_VERSION = 1150,
};

// COM and shell results.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002);
inline constexpr HRESULT E_POINTER = HRESULT(0x80004003);
inline constexpr HRESULT E_FAIL = HRESULT(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT HRESULT_FROM_WIN32(LONG error) {
  return error <= 0 ? HRESULT(error) : HRESULT((uint32_t(error) & 0xFFFF) | 0x80070000u);
}

// The calling thread's last error, as the calls that return BOOL or a
// length leave it.
DWORD GetLastError();
void SetLastError(DWORD error);

// The system error code for a file error kind of the layer.
LONG Win32ErrorOf(FileErrorKind kind);

}  // namespace win
