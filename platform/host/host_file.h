// Files of the host named by host paths: the machine folder's own files
// (the registry file and its lock, the journal, the stand-ins of the system
// programs) and the fault trace, which are not files of the emulated drives.
// Errors are the host's error numbers; ErrorText describes one.
#pragma once

#include <string>
#include <string_view>

namespace win::host {

enum class ReadOutcome { ok, missing, failed };

// The whole file. *error is the host's error number of a failure.
ReadOutcome ReadWholeFile(const std::string& path, std::string* contents, int* error);

// Writes path + ".new", makes its data durable and renames it over the
// file, then makes the rename durable in the file's folder. 0, or the error
// number of the step that failed (the ".new" file is then removed).
int PublishFile(const std::string& path, std::string_view contents);

// Whether anything of that name exists (a dangling link counts).
bool FileExists(const std::string& path);

// Appends the whole text under an exclusive lock of the file, which is
// created when missing; false when it cannot be opened or written.
bool AppendUnderLock(const std::string& path, std::string_view text);

// Creates the file with the contents unless anything of that name exists; a
// file that did not take the contents in one write is removed again.
void CreateFileIfMissing(const std::string& path, std::string_view contents);

// A regular file that this process may execute.
bool IsExecutableFile(const std::string& path);

// Whether this process may execute the file.
bool MayExecute(const std::string& path);

enum class HeadOutcome { ok, missing, notReadable };

// Up to size bytes from the start of a regular file: missing when the name
// does not exist, notReadable for anything that is not a regular file or
// cannot be opened. A file that cannot be read gives an empty head.
HeadOutcome ReadFileHead(const std::string& path, size_t size, std::string* head);

// The exclusive lock of a lock file (created when missing), held from
// construction until destruction; it blocks until the lock is free.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  bool locked() const { return locked_; }
  // The error number of the failed open or lock.
  int error() const { return error_; }

 private:
  int descriptor_ = -1;
  bool locked_ = false;
  int error_ = 0;
};

// A file kept open for appending until the process ends. Each Append is one
// write, whose result is not looked at.
class AppendOnlyFile {
 public:
  AppendOnlyFile() = default;
  // Opens the file, creating it when missing; IsOpen tells whether it opened.
  explicit AppendOnlyFile(const char* path);

  bool IsOpen() const { return descriptor_ >= 0; }
  void Append(std::string_view text) const;

 private:
  int descriptor_ = -1;
};

// The host's description of an error number.
std::string ErrorText(int error);

// Whether the error number says the disk or the user's quota is full.
bool IsDiskFull(int error);

}  // namespace win::host
