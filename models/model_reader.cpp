#include "models/model_reader.h"

#include <algorithm>

#include "platform/base/text.h"

namespace qz {
namespace {

constexpr size_t kDetectionBytes = 4096;
constexpr size_t kBlockBytes = 64 * 1024;
constexpr size_t kInitialLineRoom = 64;

bool IsLineEnd(int c) { return c == u'\r' || c == u'\n'; }

size_t FirstNonWhite(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (!IsModelWhiteSpace(text[i])) return i;
  return std::u16string_view::npos;
}

bool IsCommentLine(std::u16string_view line) {
  size_t first = FirstNonWhite(line);
  return first != std::u16string_view::npos && (line[first] == u'*' || line[first] == u';');
}

// Tabs become spaces, and the spaces on both sides of every "=" go, so
// "IS = 1" and "IS=1" read the same. Works in place: the text only shrinks.
void NormaliseLine(std::u16string& line) {
  size_t out = 0;
  bool afterEquals = false;
  for (char16_t c : line) {
    if (c == u'\t') c = u' ';
    if (c == u' ' && afterEquals) continue;
    if (c == u'=') {
      while (out > 0 && line[out - 1] == u' ') --out;
      afterEquals = true;
    } else {
      afterEquals = false;
    }
    line[out++] = c;
  }
  line.resize(out);
}

void CollapseSpaceRuns(std::u16string& text) {
  size_t out = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u' ' && out > 0 && text[out - 1] == u' ') continue;
    text[out++] = text[i];
  }
  text.resize(out);
}

// After the runs of spaces are collapsed this removes the whole indent of
// ordinary text; only a mix of other white space keeps some of it.
void DropWhiteSpaceBeforeText(std::u16string& text) {
  if (text.empty() || !IsModelWhiteSpace(text[0])) return;
  size_t first = FirstNonWhite(text);
  if (first != std::u16string::npos) text.erase(first - 1, 1);
}

}  // namespace

bool IsModelStatement(std::u16string_view statement) {
  return statement.size() >= 6 && win::EqualsNoCaseAscii(statement.substr(0, 6), u".model");
}

std::u16string_view ModelNameOf(std::u16string_view statement) {
  size_t i = 0;
  auto skip = [&](bool white) {
    while (i < statement.size() && IsModelWhiteSpace(statement[i]) == white) ++i;
  };
  skip(true);
  skip(false);
  skip(true);
  size_t start = i;
  skip(false);
  return statement.substr(start, i - start);
}

bool ModelLibraryReader::FillBlock() {
  if (atEnd_) return false;
  if (block_.size() < kBlockBytes) block_.resize(kBlockBytes);
  size_t n = file_.Read(block_.data(), block_.size());
  if (n < block_.size()) {
    atEnd_ = true;
    if (file_.Error()) failed_ = true;
  }
  position_ = 0;
  end_ = n;
  if (!started_) {
    started_ = true;
    unsigned char* probeEnd = block_.data() + std::min(n, kDetectionBytes);
    wide_ = std::find(block_.data(), probeEnd, 0) != probeEnd;
    position_ = ByteOrderMarkLength(n);
  }
  return position_ < end_;
}

// An editor's byte-order mark at the very start is no part of the first
// line: left in, it would hide a model statement there.
size_t ModelLibraryReader::ByteOrderMarkLength(size_t n) const {
  const unsigned char* b = block_.data();
  if (wide_) return n >= 2 && b[0] == 0xFF && b[1] == 0xFE ? 2 : 0;
  return n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
}

int ModelLibraryReader::NextByte() {
  if (position_ == end_ && !FillBlock()) return -1;
  return block_[position_++];
}

// A last odd byte of a 16-bit file is kept as a character of its own
// rather than dropped.
int ModelLibraryReader::NextUnit() {
  int low = NextByte();
  if (low < 0 || !wide_) return low;
  int high = NextByte();
  return high < 0 ? low : (low | (high << 8));
}

// 8-bit text is by far the common case: it is taken a run of bytes at a
// time, up to the next line end.
void ModelLibraryReader::CollectRestOfLine() {
  if (wide_) {
    for (int c = NextUnit(); c >= 0 && !IsLineEnd(c); c = NextUnit()) line_.push_back(char16_t(c));
    return;
  }
  for (;;) {
    if (position_ == end_ && !FillBlock()) return;
    const unsigned char* start = block_.data() + position_;
    const unsigned char* stop = block_.data() + end_;
    const unsigned char* cut = start;
    while (cut != stop && *cut != '\r' && *cut != '\n') ++cut;
    size_t old = line_.size();
    line_.resize(old + size_t(cut - start));
    std::copy(start, cut, line_.begin() + std::ptrdiff_t(old));
    position_ = size_t(cut - block_.data());
    if (cut != stop) {
      ++position_;  // the line end is consumed, not kept
      return;
    }
  }
}

std::optional<std::u16string_view> ModelLibraryReader::ReadModelLine() {
  if (line_.capacity() < kInitialLineRoom) line_.reserve(kInitialLineRoom);
  for (;;) {
    int c;
    do c = NextUnit();
    while (IsLineEnd(c));
    if (c < 0) return std::nullopt;
    line_.assign(1, char16_t(c));
    CollectRestOfLine();
    if (IsCommentLine(line_)) continue;
    NormaliseLine(line_);
    return std::u16string_view(line_);
  }
}

std::optional<std::u16string_view> ModelLibraryReader::ReadModelStatement() {
  if (hasPending_) {
    statement_.swap(pending_);
    hasPending_ = false;
  } else {
    std::optional<std::u16string_view> first = ReadModelLine();
    if (!first) return std::nullopt;
    statement_.assign(*first);
  }
  while (std::optional<std::u16string_view> line = ReadModelLine()) {
    size_t plus = FirstNonWhite(*line);
    if (plus == std::u16string_view::npos || (*line)[plus] != u'+') {
      pending_.assign(*line);
      hasPending_ = true;
      break;
    }
    // A remark is dropped from every line that is continued: it would
    // otherwise swallow the parameters joined after it.
    if (size_t remark = statement_.find(u';'); remark != std::u16string::npos) statement_.resize(remark);
    std::u16string_view rest = line->substr(plus + 1);
    if (rest.empty() || !IsModelWhiteSpace(rest[0])) statement_.push_back(u' ');
    statement_.append(rest);
  }
  CollapseSpaceRuns(statement_);
  DropWhiteSpaceBeforeText(statement_);
  return std::u16string_view(statement_);
}

void ModelLibraryReader::Reset() {
  hasPending_ = false;
  std::u16string().swap(pending_);
  std::u16string().swap(statement_);
  std::u16string().swap(line_);
}

}  // namespace qz
