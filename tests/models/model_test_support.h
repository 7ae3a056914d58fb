// Small helpers shared by the model library tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/text.h"

namespace qzmodels {

// The same text as 16-bit little-endian bytes: every byte becomes the
// character of its value.
inline std::string Wide(std::string_view bytes) {
  std::string wide;
  for (char c : bytes) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

// 8-bit text as the reader sees it: one character per byte, value kept.
inline std::u16string Chars(std::string_view bytes) { return win::WidenLatin1(bytes); }

inline std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace qzmodels
