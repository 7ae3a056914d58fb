#include "desktop/stamp_file.h"

#include <bit>
#include <cstdint>

#include "platform/host/file_system.h"
#include "platform/host/system_time.h"

namespace qz {
namespace {

constexpr size_t kStampBytes = 8;

double SecondsSince1970() {
  win::__timeb64 now;
  win::_ftime64(&now);
  return double(now.time) + now.millitm * 0.001;
}

}  // namespace

void WriteStampFile(std::u16string_view path) {
  const uint64_t bits = std::bit_cast<uint64_t>(SecondsSince1970());
  unsigned char bytes[kStampBytes];
  for (size_t i = 0; i < kStampBytes; ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
  win::File file = win::File::Open(path, win::OpenMode::write);
  if (!file) return;
  file.Write(bytes, kStampBytes);
  file.Close();
}

}  // namespace qz
