// The Windows registry of the emulated machine, with the calls, constants
// and error codes of the Windows API. The keys live in
// $QZ_SYSTEM_ROOT/registry.reg (see registry_file.h); every change is
// written through at once, so other processes of the machine see it.
//
// The program is a 32-bit Windows program: on a 64-bit machine
// (QZ_MACHINE_ARCH unset or AMD64) a key below HKEY_LOCAL_MACHINE\SOFTWARE
// opened without KEY_WOW64_64KEY is the one below
// HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node, except for SOFTWARE\Classes,
// which both views share. RegDeleteKeyW and SHGetValueW take no view flag
// and so always see the 32-bit view. HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
//
// Names of keys and values compare without regard to ASCII case and keep
// the spelling they were created with. Every call that reads or changes the
// registry counts as one faults::Op::registry operation and fails with the
// injected error (RegCloseKey never fails that way).
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/win_base.h"
#include "platform/host/registry_file.h"

namespace win {

struct RegistryKeyObject;
using HKEY = RegistryKeyObject*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

namespace registry_keys {
extern RegistryKeyObject classesRoot;
extern RegistryKeyObject currentUser;
extern RegistryKeyObject localMachine;
}  // namespace registry_keys

// The predefined keys: always open, closing them does nothing.
inline constexpr HKEY HKEY_CLASSES_ROOT = &registry_keys::classesRoot;
inline constexpr HKEY HKEY_CURRENT_USER = &registry_keys::currentUser;
inline constexpr HKEY HKEY_LOCAL_MACHINE = &registry_keys::localMachine;

// Access rights of a key handle.
enum : REGSAM {
  KEY_QUERY_VALUE = 0x0001,
  KEY_SET_VALUE = 0x0002,
  KEY_CREATE_SUB_KEY = 0x0004,
  KEY_ENUMERATE_SUB_KEYS = 0x0008,
  KEY_NOTIFY = 0x0010,
  KEY_CREATE_LINK = 0x0020,
  KEY_WOW64_64KEY = 0x0100,
  KEY_WOW64_32KEY = 0x0200,
  DELETE = 0x00010000,
  READ_CONTROL = 0x00020000,
  KEY_READ = 0x00020019,
  KEY_WRITE = 0x00020006,
  KEY_EXECUTE = 0x00020019,
  KEY_ALL_ACCESS = 0x000F003F,
};

enum : DWORD {
  REG_OPTION_NON_VOLATILE = 0,  // the only option supported: keys are kept in the file
  REG_CREATED_NEW_KEY = 1,
  REG_OPENED_EXISTING_KEY = 2,
};

// Opens an existing key (an empty or null subkey: a new handle to hKey).
// ERROR_FILE_NOT_FOUND when it does not exist; ERROR_BAD_PATHNAME for a
// subkey that starts with a backslash; ERROR_INVALID_PARAMETER for both
// view flags at once. *phkResult is null after a failure.
LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);

// Opens the key or creates it and any missing keys on its path; creating
// needs KEY_CREATE_SUB_KEY on hKey. *lpdwDisposition (when given) tells
// which. Volatile keys are not supported (ERROR_NOT_SUPPORTED).
LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                        LPDWORD lpdwDisposition);

// Stores exactly cbData bytes (for strings the caller counts the
// terminating NUL). Needs KEY_SET_VALUE. A null or empty name is the
// default value.
LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData);

// The type and the stored bytes of a value. Without lpData only the size is
// reported; a buffer smaller than the data gives ERROR_MORE_DATA with the
// needed size in *lpcbData and the buffer untouched. Needs KEY_QUERY_VALUE.
// ERROR_FILE_NOT_FOUND for a missing value.
LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData);

// The name of subkey dwIndex, in the registry's sorted order. *lpcchName is
// the buffer's size in characters on entry and the name's length without
// the NUL on success; ERROR_MORE_DATA when the name and NUL do not fit,
// ERROR_NO_MORE_ITEMS past the last subkey. Keys have no class (it comes
// back empty) and no write time (zero). Needs KEY_ENUMERATE_SUB_KEYS.
LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                      LPWSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime);

// Deletes a key without subkeys (ERROR_ACCESS_DENIED while it has any,
// ERROR_FILE_NOT_FOUND when it does not exist). Handles still open on it
// fail afterwards with ERROR_KEY_DELETED.
LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);

LSTATUS RegCloseKey(HKEY hKey);

// Opens the subkey for reading, reads the value and closes the key. An
// expandable string comes back expanded, as REG_SZ.
LSTATUS SHGetValueW(HKEY hkey, LPCWSTR pszSubKey, LPCWSTR pszValue, DWORD* pdwType, void* pvData,
                    DWORD* pcbData);

// Handles of keys open in this process (not counting the predefined ones);
// tests use it to find handles that were never closed.
size_t OpenRegistryKeyCount();

}  // namespace win
