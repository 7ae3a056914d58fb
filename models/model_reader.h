// Reads the SPICE text of a model library: lines without comments, and
// statements joined from a line and its "+" continuation lines.
//
// A file is 8-bit text (one character per byte, its value unchanged) or
// 16-bit little-endian text; it is 16-bit when any of its first 4096 bytes
// is 0. A byte-order mark is an ordinary character.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/file_system.h"

namespace qz {

// Space, U+0009 to U+000D and U+2028.
constexpr bool IsModelWhiteSpace(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x2028; }

// True when the statement begins with ".model" in any letter case.
bool IsModelStatement(std::u16string_view statement);
// The statement's second white-space separated token; empty when it has fewer.
std::u16string_view ModelNameOf(std::u16string_view statement);

// The reader of one open file, positioned at its start. Lines have no
// length limit. Texts returned stay valid until the next call.
class ModelLibraryReader {
 public:
  explicit ModelLibraryReader(win::File& file) : file_(file) {}

  // The next line that is not a comment, with tabs made spaces and the
  // spaces around every "=" removed; nothing at the end of the input.
  std::optional<std::u16string_view> ReadModelLine();
  // The next statement, its continuation lines joined to it; nothing at
  // the end of the input.
  std::optional<std::u16string_view> ReadModelStatement();
  // Forgets the pending line and the statement and releases the buffers.
  void Reset();

  // A read error ended the input before the end of the file.
  bool Failed() const { return failed_; }
  // Meaningful after the first read.
  bool IsWideText() const { return wide_; }

 private:
  bool FillBlock();
  size_t ByteOrderMarkLength(size_t n) const;
  int NextByte();
  int NextUnit();
  void CollectRestOfLine();

  win::File& file_;
  std::vector<unsigned char> block_;
  size_t position_ = 0;
  size_t end_ = 0;
  bool started_ = false;
  bool atEnd_ = false;
  bool failed_ = false;
  bool wide_ = false;
  std::u16string line_;
  std::u16string pending_;
  bool hasPending_ = false;
  std::u16string statement_;
};

}  // namespace qz
