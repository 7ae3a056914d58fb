#include "platform/base/win_base.h"

namespace win {
namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

LONG Win32ErrorOf(FileErrorKind kind) {
  switch (kind) {
    case FileErrorKind::none: return ERROR_SUCCESS;
    case FileErrorKind::generic: return ERROR_GEN_FAILURE;
    case FileErrorKind::fileNotFound: return ERROR_FILE_NOT_FOUND;
    case FileErrorKind::badPath: return ERROR_PATH_NOT_FOUND;
    case FileErrorKind::tooManyOpenFiles: return ERROR_TOO_MANY_OPEN_FILES;
    case FileErrorKind::accessDenied: return ERROR_ACCESS_DENIED;
    case FileErrorKind::invalidFile: return ERROR_INVALID_HANDLE;
    case FileErrorKind::removeCurrentDir: return ERROR_ACCESS_DENIED;
    case FileErrorKind::directoryFull: return ERROR_DISK_FULL;
    case FileErrorKind::badSeek: return ERROR_SEEK;
    case FileErrorKind::hardIO: return ERROR_GEN_FAILURE;
    case FileErrorKind::sharingViolation: return ERROR_SHARING_VIOLATION;
    case FileErrorKind::lockViolation: return ERROR_LOCK_VIOLATION;
    case FileErrorKind::diskFull: return ERROR_DISK_FULL;
    case FileErrorKind::endOfFile: return ERROR_HANDLE_EOF;
    case FileErrorKind::alreadyExists: return ERROR_ALREADY_EXISTS;
  }
  return ERROR_GEN_FAILURE;
}

}  // namespace win
