#include "models/file_replacement.h"

#include <string>

#include "base/file_helpers.h"
#include "platform/host/file_system.h"

namespace qz {
namespace {

// A win::FileError tests true when an error happened.

bool WriteDurably(win::File& file, std::string_view bytes) {
  bool written = file.Write(bytes.data(), bytes.size()) == bytes.size();
  bool synced = written && file.Sync();
  return file.Close() && synced;
}

bool IsReadOnlyFile(std::u16string_view path) {
  std::optional<win::FileStatus> status = win::GetFileStatus(path);
  return status && status->isRegular && status->readOnly;
}

bool RenameOver(std::u16string_view from, std::u16string_view to, ReadOnlyTarget readOnly) {
  if (!win::RenameFile(from, to, true)) return true;
  if (readOnly == ReadOnlyTarget::keep || !IsReadOnlyFile(to)) return false;
  if (win::SetReadOnly(to, false)) return false;
  if (!win::RenameFile(from, to, true)) return true;
  (void)win::SetReadOnly(to, true);  // the old file stays, and as it was
  return false;
}

}  // namespace

bool ReplaceFileContents(std::u16string_view path, std::string_view bytes, ReadOnlyTarget readOnly) {
  std::u16string temporary;
  win::File file = win::CreateTemporaryFile(&temporary, ParentDirectory(path));
  if (!file) return false;
  if (WriteDurably(file, bytes) && RenameOver(temporary, path, readOnly)) return true;
  (void)win::RemoveFile(temporary);
  return false;
}

}  // namespace qz
