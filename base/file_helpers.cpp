#include "base/file_helpers.h"

#include "platform/host/file_system.h"

namespace qz {
namespace {

constexpr size_t kLocalPathLimit = 2047;
constexpr int kMaxDirectoryAttempts = 500;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool FileExists(std::u16string_view path) { return !path.empty() && win::IsRegularFile(path); }

bool DirectoryExists(std::u16string_view path) {
  // A longer path is not checked by its first part: that would answer for
  // another directory.
  if (path.empty() || path.size() > kLocalPathLimit) return false;
  std::u16string copy(path);
  if (copy.size() > 1 && IsSeparator(copy.back())) copy.pop_back();
  if (copy.size() == 2 && copy[1] == u':') copy += u'\\';
  return win::IsDirectory(copy);
}

std::u16string ParentDirectory(std::u16string_view path) {
  std::u16string text(path);
  for (;;) {
    size_t sep = text.find_last_of(u"\\/");
    if (sep == std::u16string::npos) return u".";
    if (sep + 1 == text.size()) {
      text.pop_back();
      continue;
    }
    text.resize(sep + 1);
    return text;
  }
}

void CreateDirectoryTree(std::u16string_view path, int& attempts) {
  if (path.empty() || path == u"." || path.back() == u':') return;
  if (attempts > kMaxDirectoryAttempts || path.size() > kLocalPathLimit) return;
  ++attempts;
  std::u16string copy(path);
  if (copy.back() == u'\\') copy.pop_back();
  if (DirectoryExists(copy)) return;
  if (!win::CreateDirectory(copy)) return;
  CreateDirectoryTree(ParentDirectory(copy), attempts);
  CreateDirectoryTree(copy, attempts);
}

win::File OpenFileForWriting(std::u16string_view path) {
  win::File file = win::File::Open(path, win::OpenMode::write);
  if (file) return file;
  win::SetReadOnly(path, false);
  file = win::File::Open(path, win::OpenMode::write);
  if (file) return file;
  int attempts = 0;
  CreateDirectoryTree(ParentDirectory(path), attempts);
  return win::File::Open(path, win::OpenMode::write);
}

bool CopyFileBytes(std::u16string_view source, std::u16string_view destination) {
  win::File in = win::File::Open(source, win::OpenMode::read);
  if (!in) return false;
  win::File out = win::File::Open(destination, win::OpenMode::write);
  if (!out) {
    win::SetReadOnly(destination, false);
    out = win::File::Open(destination, win::OpenMode::write);
    if (!out) return false;
  }
  bool copied = win::CopyFileContents(in, out);
  in.Close();
  return out.Close() && copied;
}

void ShowMessageText(std::u16string_view text) {
  win::MessageBox(nullptr, text, win::ApplicationTitle(), win::MB_OK | win::MB_ICONWARNING);
}

bool ShowAnyFailure(const Status& status) {
  if (status) return true;
  ShowMessageText(status.Error().message);
  return false;
}

}  // namespace qz
