// `stamp.bin`: the time of the installation, for the installed product.
//
//   offset 0, 8 bytes: IEEE 754 binary64, little-endian — seconds since
//   1970-01-01 00:00:00 UTC with the milliseconds as the fraction.
//
// No header, version or checksum; the installer never reads it back.
#pragma once

#include <string_view>

namespace qz {

// Writes the current time to the path (an existing file is replaced). A
// file that cannot be created is silently left missing.
void WriteStampFile(std::u16string_view path);

}  // namespace qz
