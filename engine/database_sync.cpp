#include "engine/database_sync.h"

#include "base/file_helpers.h"
#include "engine/database_kinds.h"
#include "engine/install_worker.h"
#include "engine/member_extraction.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"

namespace qz {
namespace {

constexpr std::u16string_view kCannotCreate =
    u"Trouble creating temporary file.\nOut of disk space?  Permission problem?\nThis might be a curable with fresh "
    u"reboot.";

// A fresh temporary name, by the same rule as the extraction's, reserved by
// creating the file so that nothing else can take it before it is written.
std::u16string ReserveTemporaryFile() {
  std::u16string name;
  win::File reserved = win::CreateTemporaryFile(&name);
  if (!reserved) ShowMessageAndExit(kCannotCreate);
  if (!reserved.Close()) {
    win::RemoveFile(name);
    ShowMessageAndExit(kCannotCreate);
  }
  return name;
}

// The shipped database in the temporary file; when it cannot be written
// there the installation ends, and the temporary file goes with it.
void WriteShippedDatabase(const PayloadEntry& entry, const std::u16string& temporary) {
  EntryWriteResult written = WriteEntryFile(entry, temporary);
  std::u16string message;
  switch (written.kind) {
    case EntryWriteKind::written:
      return;
    case EntryWriteKind::openFailed:
      message = kCannotCreate;
      break;
    case EntryWriteKind::writeFailed:
      message = win::Format(
          u"Trouble writing file \"%ls\".\nThis might be a permission problem curable with fresh reboot.", temporary);
      break;
    case EntryWriteKind::decompressionFailed:
      message = win::Format(u"Trouble un-gziping tmpfile: %ls\n%ls", temporary, written.errorText);
      break;
  }
  ShowMessageText(message);
  win::RemoveFile(temporary);
  win::ExitProcess(0);
}

}  // namespace

bool SyncDatabaseEntry(InstallState& state, const PayloadEntry& entry, std::u16string_view relativePath,
                       std::u16string_view destination) {
  const DatabaseKind* kind = FindDatabaseKind(relativePath);
  if (!kind) return false;
  state.SetStatusText(win::Format(u"Merging: %ls.gz\n", relativePath));
  const std::u16string temporary = ReserveTemporaryFile();
  WriteShippedDatabase(entry, temporary);
  bool merged = kind->merge(destination, temporary, destination);
  if (!merged) ShowMessageText(kind->failure);
  win::RemoveFile(temporary);
  return merged;
}

}  // namespace qz
