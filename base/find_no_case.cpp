#include "base/find_no_case.h"

#include "platform/base/text.h"

namespace qz {
namespace {

char16_t FoldFirstToUpper(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0x00E0 && c <= 0x00F6) || (c >= 0x00F8 && c <= 0x00FE))
    return char16_t(c - 0x20);
  return c;
}

bool RestMatches(std::u16string_view text, std::u16string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i)
    if (win::FoldAsciiLower(text[i]) != win::FoldAsciiLower(pattern[i])) return false;
  return true;
}

}  // namespace

std::optional<size_t> FindNoCase(std::u16string_view text, std::u16string_view pattern) {
  if (text.empty() || pattern.empty() || pattern.size() > text.size()) return std::nullopt;
  const char16_t first = FoldFirstToUpper(pattern[0]);
  for (size_t pos = 0; pos + pattern.size() <= text.size(); ++pos) {
    if (FoldFirstToUpper(text[pos]) == first && RestMatches(text.substr(pos), pattern)) return pos;
  }
  return std::nullopt;
}

}  // namespace qz
