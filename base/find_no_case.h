#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace qz {

// The first position of the pattern in the text, or nothing; an empty text
// or pattern gives nothing. A position is a candidate when its character and
// the pattern's first character agree folded to upper case over a-z and
// U+00E0-U+00FE (without U+00F7); it matches when the whole pattern agrees
// with only the ASCII letters folded.
std::optional<size_t> FindNoCase(std::u16string_view text, std::u16string_view pattern);

}  // namespace qz
