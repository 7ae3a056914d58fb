#include "base/backup_before_sync.h"

#include "base/file_helpers.h"
#include "platform/base/text.h"
#include "platform/win/runtime.h"

namespace qz {

namespace {
constexpr unsigned kBackupRetryMs = 5000;
}  // namespace

void BackupBeforeSync(std::u16string_view path) {
  if (path.empty() || !FileExists(path)) return;
  std::u16string backup = win::Format(u"%ls.bak", path);
  if (CopyFileBytes(path, backup)) return;
  win::Sleep(kBackupRetryMs);
  if (CopyFileBytes(path, backup)) return;
  ShowMessage(u"Trouble backing up %ls\nas %ls\n\nRelease sync aborted.", path, backup);
  throw ReleaseSyncAborted{};
}

}  // namespace qz
