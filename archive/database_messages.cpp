#include "archive/database_messages.h"

namespace qz {
namespace {

std::u16string_view FileErrorFormat(win::FileErrorKind kind) {
  using K = win::FileErrorKind;
  switch (kind) {
    case K::none: return u"No error occurred.";
    case K::generic: return u"An unknown error occurred while accessing %1.";
    case K::fileNotFound: return u"%1 was not found.";
    case K::badPath: return u"%1 contains an incorrect path.";
    case K::tooManyOpenFiles: return u"Could not open %1 because there are too many open files.";
    case K::accessDenied: return u"Access to %1 was denied.";
    case K::invalidFile: return u"An incorrect file handle was associated with %1.";
    case K::removeCurrentDir: return u"Could not remove %1 because it is the current directory.";
    case K::directoryFull: return u"Could not create %1 because the directory is full.";
    case K::badSeek: return u"Seek failed on %1";
    case K::hardIO: return u"Encountered a hardware I/O error while accessing %1.";
    case K::sharingViolation: return u"Encountered a sharing violation while accessing %1.";
    case K::lockViolation: return u"Encountered a locking violation while accessing %1.";
    case K::diskFull: return u"Disk full while accessing %1.";
    case K::endOfFile: return u"Attempted to access %1 past its end.";
    case K::alreadyExists: break;  // not a kind of the framework's file errors
  }
  return u"An unknown error occurred while accessing %1.";
}

}  // namespace

std::u16string FileErrorText(win::FileErrorKind kind, std::u16string_view path) {
  std::u16string_view format = FileErrorFormat(kind);
  std::u16string text;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u'1') {
      text += path;
      ++i;
    } else {
      text += format[i];
    }
  }
  return text;
}

std::u16string ArchiveFailureText(const ArchiveFailure& failure, std::u16string_view path, DocumentAction action) {
  if (failure.file) return FileErrorText(failure.file.kind, path);
  switch (failure.archive) {
    case ArchiveError::endOfFile:
    case ArchiveError::badIndex:
    case ArchiveError::badClass:
    case ArchiveError::badSchema: return u"Unexpected file format.";
    case ArchiveError::none:
    case ArchiveError::generic: break;
  }
  return action == DocumentAction::load ? u"Failed to open document." : u"Failed to save document.";
}

}  // namespace qz
