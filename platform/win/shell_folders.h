// The shell's special folders of the emulated machine's current user.
#pragma once

#include "platform/base/win_base.h"
#include "platform/win/handle.h"

namespace win {

enum : int {
  CSIDL_DESKTOP = 0x0000,
  CSIDL_PROGRAMS = 0x0002,
  CSIDL_STARTMENU = 0x000B,
  CSIDL_DESKTOPDIRECTORY = 0x0010,
  CSIDL_APPDATA = 0x001A,
  CSIDL_LOCAL_APPDATA = 0x001C,
  CSIDL_WINDOWS = 0x0024,
  CSIDL_SYSTEM = 0x0025,
  CSIDL_PROGRAM_FILES = 0x0026,
  CSIDL_PROFILE = 0x0028,
  CSIDL_FLAG_CREATE = 0x8000,
};

enum : DWORD { SHGFP_TYPE_CURRENT = 0, SHGFP_TYPE_DEFAULT = 1 };

// The folder's path (at most MAX_PATH characters with the NUL) in pszPath.
// The folders are those of a fresh profile, below USERPROFILE, APPDATA and
// LOCALAPPDATA; Program Files is the 32-bit program's ProgramFilesDir.
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when the folder does not exist
// (unless CSIDL_FLAG_CREATE creates it), E_INVALIDARG for an unknown
// CSIDL; pszPath is empty after a failure.
HRESULT SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);

}  // namespace win
