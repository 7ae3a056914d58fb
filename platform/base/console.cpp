#include "platform/base/console.h"

#include <cstdio>

#include "platform/base/text.h"

namespace win {

std::mutex& ConsoleMutex() {
  static std::mutex* m = new std::mutex;  // used by threads until _exit
  return *m;
}

void ConsoleLine(std::u16string_view text, bool toError) {
  std::string line = WideToUtf8(text);
  std::lock_guard lock(ConsoleMutex());
  std::FILE* out = toError ? stderr : stdout;
  std::fputs(line.c_str(), out);
  std::fputc('\n', out);
  std::fflush(out);
}

}  // namespace win
