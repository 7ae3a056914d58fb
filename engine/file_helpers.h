// File-system helpers shared by the installation engine, the model
// libraries and the component databases.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/text.h"
#include "platform/win/message_box.h"
#include "platform/win/runtime.h"

namespace qz {

// True when the path names an existing regular file (a directory gives false).
bool FileExists(std::u16string_view path);

// True when the path names an existing directory; a trailing separator is
// ignored and a bare drive "C:" means its root.
bool DirectoryExists(std::u16string_view path);

// The directory part of the path with its trailing separator, or ".".
// Trailing separators of the path itself are skipped first.
std::u16string ParentDirectory(std::u16string_view path);

// Creates every missing directory of the path from the top down. The caller
// sets the counter to 0; one request makes at most 501 counted calls.
void CreateDirectoryTree(std::u16string_view path, int& attempts);

// Copies the source over the destination (clearing a read-only attribute
// if needed). False when a file cannot be opened, or a read, a write or a
// close fails.
bool CopyFileBytes(std::u16string_view source, std::u16string_view destination);

// The application's message box: OK, warning icon, the application title.
void ShowMessageText(std::u16string_view text);

template <class... Args>
void ShowMessage(std::u16string_view format, const Args&... args) {
  ShowMessageText(win::Format(format, args...));
}

// Shows the text, then ends the process with exit status 0: the end of an
// installation that cannot go on.
[[noreturn]] void ShowMessageAndExit(std::u16string_view text);

}  // namespace qz
