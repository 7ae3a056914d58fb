// An open registry key that closes itself, and the text reads that the
// desktop integration makes of shell folders, icons and descriptions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win/registry.h"

namespace qz {

// A string value as it was read: its stored type and its text up to the
// first NUL (the value's type is not checked; callers that care look at it).
struct RegistryText {
  win::DWORD type = win::REG_NONE;
  std::u16string text;
};

class RegistryKey {
 public:
  // Values of more bytes than this are not read (the read fails).
  static constexpr win::DWORD kValueBufferBytes = 4096;

  // A closed key when the open fails; status (when given) gets the result.
  static RegistryKey Open(win::HKEY parent, std::u16string_view subkey, win::REGSAM access,
                          win::LSTATUS* status = nullptr);

  RegistryKey() = default;
  RegistryKey(RegistryKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { Close(); }

  explicit operator bool() const { return key_ != nullptr; }
  win::HKEY Get() const { return key_; }
  void Close();

  // The value (an empty name is the default value), or nothing when the
  // read fails.
  std::optional<RegistryText> ReadText(std::u16string_view valueName) const;

 private:
  explicit RegistryKey(win::HKEY key) : key_(key) {}
  win::HKEY key_ = nullptr;
};

}  // namespace qz
