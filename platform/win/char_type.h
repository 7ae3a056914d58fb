// The character-type query of Windows (GetStringTypeW), as far as the
// product asks it.
#pragma once

namespace win {

// Whether GetStringTypeW marks the character C1_SPACE: U+0009 to U+000D,
// U+0020, U+0085, U+00A0, U+1680, U+2000 to U+200A, U+2028, U+2029, U+202F,
// U+205F and U+3000.
bool IsSpaceCharacter(char16_t c);

}  // namespace win
