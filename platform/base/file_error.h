// What went wrong with a file, shared by the machine's files and the Windows
// calls that report their errors.
#pragma once

namespace win {

// The kinds of file errors Windows reports, as the dialog framework's file
// exceptions name them.
enum class FileErrorKind {
  none,
  generic,
  fileNotFound,
  badPath,
  tooManyOpenFiles,
  accessDenied,
  invalidFile,
  removeCurrentDir,
  directoryFull,
  badSeek,
  hardIO,
  sharingViolation,
  lockViolation,
  diskFull,
  endOfFile,
  alreadyExists,
};

struct FileError {
  FileErrorKind kind = FileErrorKind::none;
  int hostError = 0;  // the host call's error number, 0 when the layer decided
  explicit operator bool() const { return kind != FileErrorKind::none; }
};

const char* FileErrorKindName(FileErrorKind kind);

}  // namespace win
