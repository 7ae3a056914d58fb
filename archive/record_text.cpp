#include "archive/record_text.h"

#include "base/find_no_case.h"
#include "platform/base/text.h"
#include "platform/win/char_type.h"

namespace qz {

bool IsRecordSpace(char16_t c) {
  if (c <= 0x00FF) return (c >= 0x0009 && c <= 0x000D) || c == 0x0020 || c == 0x0085 || c == 0x00A0;
  return win::IsSpaceCharacter(c);
}

void TrimText(std::u16string& text) {
  size_t end = text.size();
  while (end > 0 && IsRecordSpace(text[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsRecordSpace(text[begin])) ++begin;
  if (begin == 0 && end == text.size()) return;
  text = text.substr(begin, end - begin);
}

bool NormaliseManufacturer(std::u16string& manufacturer) {
  if (manufacturer.empty()) return false;
  for (std::u16string_view pattern : {u"Wurth", u"Wuerth", u"W\u00FCrth", u"WE eiSos"}) {
    if (FindNoCase(manufacturer, pattern)) {
      manufacturer = kWurthElektronik;
      return true;
    }
  }
  return false;
}

int CompareTextExact(std::u16string_view a, std::u16string_view b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool SamePartKey(std::u16string_view manufacturerA, std::u16string_view partA, std::u16string_view manufacturerB,
                 std::u16string_view partB) {
  if (manufacturerA.empty() || partA.empty() || manufacturerB.empty() || partB.empty()) return false;
  return win::EqualsNoCaseAscii(manufacturerA, manufacturerB) && win::EqualsNoCaseAscii(partA, partB);
}

}  // namespace qz
