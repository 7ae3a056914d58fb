// Files of the emulated machine, with the Windows semantics the product
// relies on: the read-only attribute holds even for root, and a file held
// open while denying writers cannot be opened for writing (sharing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/file_error.h"

namespace win {

enum class OpenMode {
  read,             // existing file, reading
  write,            // create or truncate, writing
  readWrite,        // existing file, reading and writing
  createReadWrite,  // create or truncate, reading and writing
  createNew,        // must not exist yet, writing
};

enum class Share {
  all,        // others may read and write
  denyWrite,  // others may read
  denyAll,
};

// An open file. Move-only; closes itself when destroyed.
class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  [[nodiscard]] static File Open(std::u16string_view path, OpenMode mode, Share share = Share::all);

  bool IsOpen() const { return fd_ >= 0; }
  explicit operator bool() const { return IsOpen(); }
  // The error of the failed open or of the last failed operation.
  FileError Error() const { return error_; }

  // Reads up to size bytes; fewer only at the end of the file or on an error.
  size_t Read(void* buffer, size_t size);
  // Writes all bytes or reports how many were written before the error.
  size_t Write(const void* buffer, size_t size);
  bool Seek(uint64_t offset);
  std::optional<uint64_t> Size();
  // Makes the data durable before a rename publishes the file.
  bool Sync();
  // Closes the file; false when the close reported an error.
  bool Close();

 private:
  friend bool CopyFileContents(File& source, File& destination);
  int fd_ = -1;
  // The file's size as the open saw it while the offset is still at the
  // start, so that a copy knows when it has reached the end; -1 once unknown.
  int64_t sizeAtStart_ = -1;
  FileError error_;
};

// Copies the rest of the source into the destination, in the kernel where
// the system allows it. False on a read or write error (see each file's
// Error()), or when the destination took fewer bytes than the source had.
bool CopyFileContents(File& source, File& destination);

struct FileStatus {
  bool isDirectory = false;
  bool isRegular = false;
  bool readOnly = false;
  uint64_t size = 0;
  int64_t modifiedSeconds = 0;
};

// Nothing when the path does not exist or cannot be examined.
std::optional<FileStatus> GetFileStatus(std::u16string_view path, FileError* error = nullptr);
bool IsRegularFile(std::u16string_view path);
bool IsDirectory(std::u16string_view path);

// The read-only attribute. Setting it on a missing file fails.
FileError SetReadOnly(std::u16string_view path, bool readOnly);

// One directory; its parent must exist.
FileError CreateDirectory(std::u16string_view path);
FileError RemoveDirectory(std::u16string_view path);
// A read-only file cannot be removed until its attribute is cleared.
FileError RemoveFile(std::u16string_view path);
// Renames a file in one step; an existing target is replaced only when
// replaceExisting is set and the target is not read-only.
FileError RenameFile(std::u16string_view from, std::u16string_view to, bool replaceExisting);

// Names of the entries of a directory, without "." and "..".
std::vector<std::u16string> ListDirectory(std::u16string_view path, FileError* error = nullptr);

// The C runtime's temporary name for prefix "tmp": "tmp" and the first
// number that names no existing file, in the TMP directory when it exists,
// else the root of the current drive, else the current directory.
std::u16string TemporaryFileName();

// Creates a file that did not exist before under a temporary name, starting
// at TemporaryFileName() (or the given directory) and skipping every name
// that is taken by the time it is created. The name (on failure, the last
// name tried) is stored in *name.
File CreateTemporaryFile(std::u16string* name, std::u16string_view directory = {});

// The folder of TemporaryFileName's names, with a trailing backslash: TMP
// when that folder exists, else the root of the current drive, else the
// current directory.
std::u16string TemporaryDirectory();

}  // namespace win
