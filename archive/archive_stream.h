// Where an archive's bytes come from and go to: an open file of the machine
// or a piece of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/file_system.h"

namespace qz {

class ArchiveSource {
 public:
  virtual ~ArchiveSource() = default;
  // Up to size bytes; fewer only at the end or on an error.
  virtual size_t Read(void* buffer, size_t size) = 0;
  // Bytes not yet read, as far as the source knows its length.
  virtual uint64_t Remaining() const = 0;
  // The error of the last failed read; none at a plain end.
  virtual win::FileError Error() const { return {}; }
};

class ArchiveSink {
 public:
  virtual ~ArchiveSink() = default;
  // False when not every byte could be written.
  virtual bool Write(const void* buffer, size_t size) = 0;
  // Hands buffered bytes on; false on an error.
  virtual bool Flush() { return true; }
  virtual win::FileError Error() const { return {}; }
};

class MemorySource : public ArchiveSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  size_t Read(void* buffer, size_t size) override;
  uint64_t Remaining() const override { return bytes_.size() - position_; }

 private:
  std::string_view bytes_;
  size_t position_ = 0;
};

class MemorySink : public ArchiveSink {
 public:
  bool Write(const void* buffer, size_t size) override;
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads an open file in blocks. The length is taken when the source is made;
// the file is expected not to change while it is read (it is opened denying
// writers).
class FileSource : public ArchiveSource {
 public:
  FileSource(win::File& file, uint64_t size) : file_(file), remaining_(size) {}
  size_t Read(void* buffer, size_t size) override;
  uint64_t Remaining() const override { return remaining_; }
  win::FileError Error() const override { return error_; }

 private:
  bool Refill();

  win::File& file_;
  uint64_t remaining_;
  std::vector<unsigned char> block_;
  size_t blockPosition_ = 0;
  win::FileError error_;
};

// Writes to an open file in blocks; Flush writes what is left.
class FileSink : public ArchiveSink {
 public:
  explicit FileSink(win::File& file) : file_(file) {}
  bool Write(const void* buffer, size_t size) override;
  bool Flush() override;
  win::FileError Error() const override { return error_; }

 private:
  win::File& file_;
  std::vector<unsigned char> block_;
  win::FileError error_;
};

}  // namespace qz
