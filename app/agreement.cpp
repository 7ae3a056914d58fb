#include <string_view>

#include "app/setup_app.h"

namespace qz {
namespace {

// Windows-1252 from 0x80 to 0x9F; the bytes it leaves undefined keep their
// value, as MultiByteToWideChar gives them. Every other byte is the code
// point of the same value.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::u16string ConvertAgreementText(const char* text) {
  std::u16string wide;
  if (!text) return wide;
  std::string_view bytes(text);
  wide.reserve(bytes.size());
  for (unsigned char b : bytes) wide.push_back(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b));
  return wide;
}

}  // namespace qz
