#include "engine/database_sync.h"

#include "base/file_helpers.h"
#include "engine/database_kinds.h"
#include "engine/install_worker.h"
#include "engine/installation_end.h"
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
Result<std::u16string> ReserveTemporaryFile() {
  std::u16string name;
  win::File reserved = win::CreateTemporaryFile(&name);
  if (!reserved) return Failure{std::u16string(kCannotCreate)};
  if (!reserved.Close()) {
    win::RemoveFile(name);
    return Failure{std::u16string(kCannotCreate)};
  }
  return name;
}

Failure ShippedDatabaseFailure(const EntryWriteResult& written, const std::u16string& temporary) {
  switch (written.kind) {
    case EntryWriteKind::openFailed:
      return {std::u16string(kCannotCreate)};
    case EntryWriteKind::writeFailed:
      return WriteFailure(temporary);
    case EntryWriteKind::written:  // not a failure; never asked
    case EntryWriteKind::decompressionFailed:
      break;
  }
  return {win::Format(u"Trouble un-gziping tmpfile: %ls\n%ls", temporary, written.errorText)};
}

// The shipped database in the temporary file; when it cannot be written
// there, the temporary file is removed and the installation cannot go on.
Status WriteShippedDatabase(const PayloadEntry& entry, const std::u16string& temporary) {
  EntryWriteResult written = WriteEntryFile(entry, temporary);
  if (written.kind == EntryWriteKind::written) return {};
  Failure failure = ShippedDatabaseFailure(written, temporary);
  win::RemoveFile(temporary);
  return failure;
}

}  // namespace

Result<bool> SyncDatabaseEntry(InstallState& state, const PayloadEntry& entry, std::u16string_view relativePath,
                               std::u16string_view destination) {
  const DatabaseKind* kind = FindDatabaseKind(relativePath);
  if (!kind) return false;
  state.SetStatusText(win::Format(u"Merging: %ls.gz\n", relativePath));
  Result<std::u16string> reserved = ReserveTemporaryFile();
  if (!reserved) return reserved.Error();
  const std::u16string& temporary = *reserved;
  if (Status written = WriteShippedDatabase(entry, temporary); !written) return written.Error();
  bool merged = kind->merge(destination, temporary, destination);
  if (!merged) ShowMessageText(kind->failure);
  win::RemoveFile(temporary);
  return merged;
}

}  // namespace qz
