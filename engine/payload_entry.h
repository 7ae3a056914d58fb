// The payload catalogue: one PayloadEntry per file of the product, compiled
// into the installer as constant data, walked through an index in ascending
// case-insensitive path order.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qz {

struct PayloadEntry {
  const char* path;        // ".\dir\name": ASCII, backslashes, relative to the installation directory
  uint32_t readOnly;       // 1: the installed file gets the read-only attribute
  uint32_t size;           // bytes of the installed file
  uint32_t compressedSize; // 0: stored plain; else bytes of the stored gzip member
  uint32_t checkValue;     // carried, never read by the installer
  const unsigned char* data;
};

struct PayloadCatalogue {
  const PayloadEntry* const* index = nullptr;  // walk order
  uint32_t count = 0;

  const PayloadEntry& At(uint32_t position) const { return *index[position]; }
};

// The bytes that the entry stores: the gzip member, or the plain file.
inline std::span<const unsigned char> StoredBytes(const PayloadEntry& e) {
  return {e.data, e.compressedSize != 0 ? e.compressedSize : e.size};
}

// Each 8-bit character of the path becomes the wide character of the same value.
std::u16string WidenEntryPath(const char* path);

}  // namespace qz
