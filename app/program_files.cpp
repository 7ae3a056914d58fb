#include "app/program_files.h"

#include <algorithm>
#include <cstring>

#include "desktop/registry_entries.h"
#include "platform/win/registry.h"

namespace qz {

std::u16string ReadProgramFilesDir() {
  std::u16string directory = u"C:\\Program Files";
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExW(win::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                         win::KEY_QUERY_VALUE | RegistryViewFlag(), &key) != win::ERROR_SUCCESS)
    return directory;
  win::BYTE buffer[4096];
  win::DWORD size = sizeof buffer;
  win::LSTATUS status = win::RegQueryValueExW(key, u"ProgramFilesDir", nullptr, nullptr, buffer, &size);
  win::RegCloseKey(key);
  if (status != win::ERROR_SUCCESS) return directory;
  // The type is not looked at. The data need not end with a NUL: the text
  // is what the value holds up to its first NUL.
  std::u16string text(size / 2, u'\0');
  std::memcpy(text.data(), buffer, text.size() * 2);
  text.resize(std::min(text.size(), text.find(u'\0')));
  // An empty value would make the default directory relative.
  return text.empty() ? directory : text;
}

}  // namespace qz
