// FindNoCase against a plain restatement of its rule, on text and pattern
// taken from the input (the first byte says where the pattern starts).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/find_no_case.h"

namespace {

char16_t Upper(char16_t c) {
  bool folds = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFE);
  return folds ? char16_t(c - 0x20) : c;
}

char16_t Ascii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c; }

std::optional<size_t> Reference(const std::u16string& text, const std::u16string& pattern) {
  if (text.empty() || pattern.empty()) return std::nullopt;
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (Upper(text[pos]) != Upper(pattern[0])) continue;
    if (pos + pattern.size() > text.size()) continue;
    bool all = true;
    for (size_t i = 0; i < pattern.size() && all; ++i) all = Ascii(text[pos + i]) == Ascii(pattern[i]);
    if (all) return pos;
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  std::u16string units;
  for (size_t i = 1; i + 1 < size; i += 2) units.push_back(char16_t(data[i] | data[i + 1] << 8));
  size_t split = units.empty() ? 0 : data[0] % (units.size() + 1);
  std::u16string text = units.substr(0, split), pattern = units.substr(split);
  if (qz::FindNoCase(text, pattern) != Reference(text, pattern)) std::abort();
  return 0;
}
