// The terminal of the console backend, shared by every thread that prints.
#pragma once

#include <mutex>
#include <string_view>

namespace win {

// Held while a line is written, so lines of two threads never interleave.
std::mutex& ConsoleMutex();

// Writes one line (a line feed is added) to standard output or error.
void ConsoleLine(std::u16string_view text, bool toError = false);

}  // namespace win
