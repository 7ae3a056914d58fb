#include "platform/win/shell_folders.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/host/registry_seed.h"

namespace win {
namespace {

std::u16string Variable(std::u16string_view name, std::u16string fallback) {
  return GetEnvironmentVariable(name).value_or(std::move(fallback));
}

std::u16string Profile() { return Variable(u"USERPROFILE", UserProfileDirectory()); }
std::u16string RoamingData() { return Variable(u"APPDATA", Profile() + u"\\AppData\\Roaming"); }
std::u16string WindowsFolder() { return Variable(u"SystemRoot", u"C:\\windows"); }

std::u16string StartMenu() { return RoamingData() + u"\\Microsoft\\Windows\\Start Menu"; }

std::optional<std::u16string> FolderOf(int csidl) {
  switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: return Profile() + u"\\Desktop";
    case CSIDL_STARTMENU: return StartMenu();
    case CSIDL_PROGRAMS: return StartMenu() + u"\\Programs";
    case CSIDL_APPDATA: return RoamingData();
    case CSIDL_LOCAL_APPDATA: return Variable(u"LOCALAPPDATA", Profile() + u"\\AppData\\Local");
    case CSIDL_PROFILE: return Profile();
    case CSIDL_WINDOWS: return WindowsFolder();
    case CSIDL_SYSTEM: return WindowsFolder() + u"\\system32";
    case CSIDL_PROGRAM_FILES:
      return registry::MachineHas64BitView() ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
    default: return std::nullopt;
  }
}

bool CreateFolderTree(const std::u16string& full) {
  for (size_t cut = full.find(u'\\', 3); ; cut = full.find(u'\\', cut + 1)) {
    std::u16string part = full.substr(0, cut);
    if (!IsDirectory(part) && CreateDirectory(part)) return false;
    if (cut == std::u16string::npos) return true;
  }
}

}  // namespace

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath) {
  if (!pszPath) return E_INVALIDARG;
  pszPath[0] = u'\0';
  std::optional<std::u16string> folder = FolderOf(csidl & ~CSIDL_FLAG_CREATE);
  if (!folder) return E_INVALIDARG;
  std::u16string full = FullWindowsPath(*folder);
  if (full.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  if (full.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  if (!IsDirectory(full) && (!(csidl & CSIDL_FLAG_CREATE) || !CreateFolderTree(full)))
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  std::copy(full.begin(), full.end(), pszPath);
  pszPath[full.size()] = u'\0';
  return S_OK;
}

}  // namespace win
