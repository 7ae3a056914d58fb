#include "archive/archive_stream.h"

#include <algorithm>
#include <cstring>

namespace qz {
namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

size_t MemorySource::Read(void* buffer, size_t size) {
  size_t n = std::min(size, bytes_.size() - position_);
  if (n) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

bool MemorySink::Write(const void* buffer, size_t size) {
  bytes_.append(static_cast<const char*>(buffer), size);
  return true;
}

bool FileSource::Refill() {
  if (error_) return false;
  block_.resize(size_t(std::min<uint64_t>(kBlockSize, remaining_)));
  blockPosition_ = 0;
  if (block_.empty()) return false;
  size_t n = file_.Read(block_.data(), block_.size());
  block_.resize(n);
  if (n == 0) {
    // The file is shorter than it was: a read error, or the plain end.
    error_ = file_.Error();
    return false;
  }
  return true;
}

size_t FileSource::Read(void* buffer, size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  size_t done = 0;
  while (done < size) {
    if (blockPosition_ == block_.size() && !Refill()) break;
    size_t n = std::min(size - done, block_.size() - blockPosition_);
    std::memcpy(out + done, block_.data() + blockPosition_, n);
    blockPosition_ += n;
    done += n;
  }
  remaining_ -= std::min<uint64_t>(done, remaining_);
  return done;
}

bool FileSink::Write(const void* buffer, size_t size) {
  if (error_) return false;
  const auto* in = static_cast<const unsigned char*>(buffer);
  block_.insert(block_.end(), in, in + size);
  return block_.size() < kBlockSize || Flush();
}

bool FileSink::Flush() {
  if (error_) return false;
  if (block_.empty()) return true;
  size_t n = file_.Write(block_.data(), block_.size());
  if (n != block_.size()) {
    error_ = file_.Error();
    if (!error_) error_ = {win::FileErrorKind::diskFull, 0};
    return false;
  }
  block_.clear();
  return true;
}

}  // namespace qz
