// Text rules shared by the record classes: trimming, the manufacturer's
// normalisation and the two text orders.
#pragma once

#include <string>
#include <string_view>

namespace qz {

// White space as the records trim it: U+0009 to U+000D, U+0020, U+0085,
// U+00A0, and above U+00FF what the character-type query calls space.
bool IsRecordSpace(char16_t c);
// Removes leading and trailing white space in place.
void TrimText(std::u16string& text);

// The maker's name that every spelling of Würth Elektronik is stored as.
inline constexpr std::u16string_view kWurthElektronik = u"W\u00FCrth Elektronik";

// Replaces a manufacturer that contains "Wurth", "Wuerth", "Würth" or
// "WE eiSos" (ASCII letters in any case, other characters exactly) by
// "Würth Elektronik". True when it did.
bool NormaliseManufacturer(std::u16string& manufacturer);

// Negative, zero or positive by UTF-16 code units, no case folding; a
// prefix comes first.
int CompareTextExact(std::u16string_view a, std::u16string_view b);

// The order of two float32 values as the records compare them: by the sign
// of a - b computed in float32, so a NaN compares as equal.
inline int CompareValues(float a, float b) {
  const float d = a - b;
  return d < 0.0f ? -1 : d > 0.0f ? 1 : 0;
}

// The part key test: both makers and both part numbers non-empty, and each
// pair equal with ASCII letters folded.
bool SamePartKey(std::u16string_view manufacturerA, std::u16string_view partA, std::u16string_view manufacturerB,
                 std::u16string_view partB);

}  // namespace qz
