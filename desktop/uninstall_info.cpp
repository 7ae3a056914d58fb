#include "desktop/uninstall_info.h"

#include <algorithm>

#include "platform/base/text.h"

namespace qz {
namespace {

bool FitsEightBits(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
}

}  // namespace

std::string UninstallInfoBytes(std::initializer_list<std::u16string_view> linkPaths) {
  std::u16string text;
  for (std::u16string_view link : linkPaths)
    if (!link.empty()) text += u"Link:" + std::u16string(link) + u"\r\n";
  if (!FitsEightBits(text)) return win::WideToUtf8(text);
  return std::string(text.begin(), text.end());
}

std::u16string UninstallInfoText(std::string_view bytes) {
  // Only valid UTF-8 comes back the same through both conversions.
  std::u16string utf8 = win::Utf8ToWide(bytes);
  if (!FitsEightBits(utf8) && win::WideToUtf8(utf8) == bytes) return utf8;
  return win::WidenLatin1(bytes);
}

}  // namespace qz
