// File-system helpers shared by the installation engine, the model
// libraries and the component databases.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/win/message_box.h"
#include "platform/win/runtime.h"

namespace qz {

// True when the path names an existing regular file (a directory gives false).
bool FileExists(std::u16string_view path);

// True when the path names an existing directory; a trailing separator is
// ignored and a bare drive "C:" means its root. A path of over 2047
// characters names none.
bool DirectoryExists(std::u16string_view path);

// The directory part of the path with its trailing separator, or ".".
// Trailing separators of the path itself are skipped first.
std::u16string ParentDirectory(std::u16string_view path);

// Creates every missing directory of the path from the top down. The caller
// sets the counter to 0; one request makes at most 501 counted calls. A path
// of over 2047 characters is left alone.
void CreateDirectoryTree(std::u16string_view path, int& attempts);

// Opens a file for writing (created or cut to length 0): when the first
// open fails the read-only attribute is cleared, then the missing
// directories are created. A closed file when all of that failed.
win::File OpenFileForWriting(std::u16string_view path);

// Copies the source over the destination (clearing a read-only attribute
// if needed). False when a file cannot be opened, or a read, a write or a
// close fails.
bool CopyFileBytes(std::u16string_view source, std::u16string_view destination);

// The application's message box: OK, warning icon, the application title.
void ShowMessageText(std::u16string_view text);

// The format of a message: a literal only, so that no text that comes from
// outside (a path, an error text) is ever read as a format.
class MessageFormat {
 public:
  template <size_t N>
  consteval MessageFormat(const char16_t (&literal)[N]) : text_(literal, N - 1) {}
  std::u16string_view Text() const { return text_; }

 private:
  std::u16string_view text_;
};

template <class... Args>
void ShowMessage(MessageFormat format, const Args&... args) {
  ShowMessageText(win::Format(format.Text(), args...));
}

// Shows the failure's message, if there is one; true when there is none.
bool ShowAnyFailure(const Status& status);

}  // namespace qz
