#pragma once

#include <string_view>

namespace qz {

// True for the entries whose writing depends on the processor: ".exe" and
// ".dll" (the text from the last dot, compared without regard to case).
bool IsArchitectureSensitive(std::u16string_view relativePath);

// Whether an ".exe" or ".dll" entry is skipped. Preview DLLs follow the
// system; executables follow the user's choice where the system allows it.
// "86" and "64" are looked for anywhere in the path, directories included.
bool SkipForArchitecture(std::u16string_view relativePath, int executableChoice, bool native64);

}  // namespace qz
