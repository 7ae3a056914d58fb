// Builds the payload catalogue from a product tree: the entries in walk
// order with their stored bytes, and the generated sources that compile it
// into the installer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace qzpack {

struct PackedEntry {
  std::string path;             // ".\dir\name"
  std::filesystem::path source; // the file in the tree
  uint32_t readOnly = 0;
  uint32_t size = 0;
  uint32_t compressedSize = 0;  // 0: stored plain
  uint32_t checkValue = 0;
  std::vector<unsigned char> stored;
};

// Thrown for a tree the installer cannot carry; the text names the file.
struct PackError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The longest catalogue path the installer's fixed buffers hold: the status
// line "Extracting: <path>.gz\n" has 1023 characters at most.
constexpr size_t kMaxPathLength = 1023 - 16;
constexpr size_t kPlainLimit = 1024;

// Catalogue order: ASCII letters folded to lower case, then byte order.
bool PathLess(const std::string& a, const std::string& b);

// One gzip member: header 1F 8B 08 00 00000000 00 0B, raw DEFLATE at the
// best level, CRC-32 and length.
std::vector<unsigned char> GzipMember(const std::vector<unsigned char>& data);

// The stored form: plain up to 1024 bytes or when the member is not smaller.
void ChooseStoredForm(PackedEntry& entry, std::vector<unsigned char> content);

// Reads the whole tree; throws PackError for what the installer cannot carry.
std::vector<PackedEntry> PackTree(const std::filesystem::path& root);

// Writes payload_catalogue.cpp, payload_data.bin and payload_data.S into
// the folder, replacing only files whose contents change.
void WriteGeneratedSources(const std::vector<PackedEntry>& entries, const std::filesystem::path& outDir);

}  // namespace qzpack
