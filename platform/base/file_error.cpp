#include "platform/base/file_error.h"

namespace win {

const char* FileErrorKindName(FileErrorKind kind) {
  switch (kind) {
    case FileErrorKind::none: return "none";
    case FileErrorKind::generic: return "generic";
    case FileErrorKind::fileNotFound: return "file not found";
    case FileErrorKind::badPath: return "bad path";
    case FileErrorKind::tooManyOpenFiles: return "too many open files";
    case FileErrorKind::accessDenied: return "access denied";
    case FileErrorKind::invalidFile: return "invalid file";
    case FileErrorKind::removeCurrentDir: return "remove current directory";
    case FileErrorKind::directoryFull: return "directory full";
    case FileErrorKind::badSeek: return "bad seek";
    case FileErrorKind::hardIO: return "hardware I/O";
    case FileErrorKind::sharingViolation: return "sharing violation";
    case FileErrorKind::lockViolation: return "lock violation";
    case FileErrorKind::diskFull: return "disk full";
    case FileErrorKind::endOfFile: return "end of file";
    case FileErrorKind::alreadyExists: return "already exists";
  }
  return "unknown";
}

}  // namespace win
