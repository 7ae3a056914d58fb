// The AcceptedLicense switch detection against a plain restatement of its
// rule. Input bytes stand for characters of the command-line tail; three
// byte values stand for what random bytes would rarely make: 0xFE the whole
// word, 0xFD the minus sign U+2212, and 0xFF followed by two bytes any UTF-16
// unit (little-endian).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/licence_switch.h"

namespace {

constexpr char16_t kWord[] = u"AcceptedLicense";

std::u16string TailOf(const uint8_t* data, size_t size) {
  std::u16string tail;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFE) {
      tail += kWord;
    } else if (data[i] == 0xFD) {
      tail += u'\u2212';
    } else if (data[i] == 0xFF && i + 2 < size) {
      tail += char16_t(data[i + 1] | data[i + 2] << 8);
      i += 2;
    } else {
      tail += char16_t(data[i]);
    }
  }
  return tail;
}

// Only the first occurrence of the word decides.
bool Reference(const std::u16string& tail) {
  const std::u16string word = kWord;
  for (size_t at = 0; at + word.size() <= tail.size(); ++at) {
    if (tail.compare(at, word.size(), word) != 0) continue;
    if (at == 0) return false;
    char16_t before = tail[at - 1];
    if (before != u'-' && before != u'/' && before != u'\u2212') return false;
    size_t end = at + word.size();
    return end == tail.size() || tail[end] == u' ';
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::u16string tail = TailOf(data, size);
  if (qz::HasAcceptedLicenseSwitch(tail) != Reference(tail)) std::abort();
  return 0;
}
