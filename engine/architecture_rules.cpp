#include "engine/architecture_rules.h"

#include "platform/base/text.h"

namespace qz {
namespace {

std::u16string_view Extension(std::u16string_view path) {
  size_t dot = path.rfind(u'.');
  return dot == std::u16string_view::npos ? std::u16string_view() : path.substr(dot);
}

bool Contains(std::u16string_view path, std::u16string_view digits) {
  return path.find(digits) != std::u16string_view::npos;
}

}  // namespace

bool IsArchitectureSensitive(std::u16string_view relativePath) {
  std::u16string_view ext = Extension(relativePath);
  return win::EqualsNoCaseAscii(ext, u".dll") || win::EqualsNoCaseAscii(ext, u".exe");
}

bool SkipForArchitecture(std::u16string_view relativePath, int executableChoice, bool native64) {
  if (!native64) return Contains(relativePath, u"64");
  if (win::EqualsNoCaseAscii(Extension(relativePath), u".dll")) return Contains(relativePath, u"86");
  switch (executableChoice) {
    case 0: return Contains(relativePath, u"64");
    case 1: return Contains(relativePath, u"86");
    default: return false;
  }
}

}  // namespace qz
