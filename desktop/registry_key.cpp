#include "desktop/registry_key.h"

#include <vector>

namespace qz {

RegistryKey RegistryKey::Open(win::HKEY parent, std::u16string_view subkey, win::REGSAM access,
                              win::LSTATUS* status) {
  const std::u16string name(subkey);
  win::HKEY key = nullptr;
  const win::LSTATUS rc = win::RegOpenKeyExW(parent, name.c_str(), 0, access, &key);
  if (status) *status = rc;
  if (rc != win::ERROR_SUCCESS) return RegistryKey();
  return RegistryKey(key);
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = other.key_;
    other.key_ = nullptr;
  }
  return *this;
}

void RegistryKey::Close() {
  if (key_) win::RegCloseKey(key_);
  key_ = nullptr;
}

std::optional<RegistryText> RegistryKey::ReadText(std::u16string_view valueName) const {
  if (!key_) return std::nullopt;
  const std::u16string name(valueName);
  std::vector<char16_t> buffer(kValueBufferBytes / sizeof(char16_t), u'\0');
  win::DWORD bytes = kValueBufferBytes;
  RegistryText result;
  if (win::RegQueryValueExW(key_, name.c_str(), nullptr, &result.type, reinterpret_cast<win::LPBYTE>(buffer.data()),
                            &bytes) != win::ERROR_SUCCESS)
    return std::nullopt;
  std::u16string_view stored(buffer.data(), bytes / sizeof(char16_t));
  result.text.assign(stored.substr(0, stored.find(u'\0')));
  return result;
}

}  // namespace qz
