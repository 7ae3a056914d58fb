#include "engine/install_worker.h"

#include <new>

#include "base/backup_before_sync.h"
#include "base/file_helpers.h"
#include "base/install_path.h"
#include "base/native_processor.h"
#include "desktop/preview_handlers.h"
#include "engine/architecture_rules.h"
#include "engine/database_kinds.h"
#include "engine/database_sync.h"
#include "engine/member_extraction.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/win/runtime.h"

namespace qz {
namespace {

PayloadCatalogue gCatalogue;

bool HasExtension(std::u16string_view path, std::u16string_view extension) {
  size_t dot = path.rfind(u'.');
  return dot != std::u16string_view::npos && win::EqualsNoCaseAscii(path.substr(dot), extension);
}

[[noreturn]] void EndWithWriteFailure(std::u16string_view destination) {
  ShowMessageAndExit(win::Format(
      u"Trouble writing file \"%ls\".\nThis might be a permission problem curable with fresh reboot.", destination));
}

// Reports why an entry could not be written to the destination; fatal
// failures end the process.
void ReportEntryFailure(const EntryWriteResult& result, std::u16string_view destination) {
  switch (result.kind) {
    case EntryWriteKind::written:
      return;
    case EntryWriteKind::openFailed:
      if (HasExtension(destination, u".dll") && FileExists(destination)) {
        ShowMessage(
            u"Trouble writing DLL previewer:\n    \"%ls\".\nThis probably because it's being used by Windows "
            u"Explorer.  Try upating Quenda after a fresh reboot after this install.",
            destination);
        return;
      }
      [[fallthrough]];
    case EntryWriteKind::writeFailed:
      EndWithWriteFailure(destination);
    case EntryWriteKind::decompressionFailed:
      ShowMessageAndExit(win::Format(u"Trouble writing: %ls\n%ls", destination, result.errorText));
  }
}

void InstallEntry(const PayloadEntry& entry, std::u16string_view destination, const DllUnregistration& unregisterDll) {
  EntryWriteResult result = WriteEntryFile(entry, destination, unregisterDll);
  if (result.kind == EntryWriteKind::written && entry.readOnly == 1) win::SetReadOnly(destination, true);
  ReportEntryFailure(result, destination);
}

// The shipped database over one whose merge failed: written whole beside it
// and renamed in, so that a crash leaves the user's file or the shipped one,
// never a part of either for the next update to back up.
void ReplaceWithEntry(const PayloadEntry& entry, std::u16string_view destination) {
  std::u16string temporary;
  win::File reserved = win::CreateTemporaryFile(&temporary, ParentDirectory(destination));
  if (!reserved) EndWithWriteFailure(destination);
  if (!reserved.Close()) {
    win::RemoveFile(temporary);
    EndWithWriteFailure(destination);
  }
  EntryWriteResult result = WriteEntryFile(entry, temporary);
  if (result.kind != EntryWriteKind::written) {
    win::RemoveFile(temporary);
    ReportEntryFailure(result, destination);
    return;
  }
  if (entry.readOnly == 1) win::SetReadOnly(temporary, true);
  if (auto status = win::GetFileStatus(destination); status && status->readOnly) win::SetReadOnly(destination, false);
  if (win::RenameFile(temporary, destination, true)) {
    win::SetReadOnly(temporary, false);
    win::RemoveFile(temporary);
    EndWithWriteFailure(destination);
  }
}

void HandleEntry(const PayloadEntry& entry, InstallState& state, const InstallCollaborators& collaborators) {
  const std::u16string relativePath = WidenEntryPath(entry.path);
  const std::u16string destination = JoinInstallPath(state.targetDirectory, relativePath);
  if (IsArchitectureSensitive(relativePath) &&
      SkipForArchitecture(relativePath, state.executableChoice, IsNative64BitWindows()))
    return;
  const bool merging = state.updateInstall != 0 && collaborators.syncDatabase && FindDatabaseKind(relativePath) &&
                       FileExists(destination);
  if (merging && collaborators.syncDatabase(state, entry, relativePath, destination)) return;
  state.SetStatusText(win::Format(u"Extracting: %ls.gz\n", relativePath));
  if (merging)
    ReplaceWithEntry(entry, destination);
  else
    InstallEntry(entry, destination, collaborators.unregisterDll);
}

}  // namespace

void UseCatalogue(const PayloadCatalogue& catalogue) { gCatalogue = catalogue; }
const PayloadCatalogue& ActiveCatalogue() { return gCatalogue; }

InstallCollaborators ProductCollaborators() { return {UnregisterServerDll, SyncDatabaseEntry}; }

void RunInstallWorker(const PayloadCatalogue& catalogue, InstallState& state,
                      const InstallCollaborators& collaborators) {
  try {
    state.SetStatusText(u"");
    for (uint32_t position = 0; position < catalogue.count; ++position) HandleEntry(catalogue.At(position), state, collaborators);
    state.SetInstallDone(true);
  } catch (const std::bad_alloc&) {
    win::ExitOutOfMemory();
  } catch (const ReleaseSyncAborted&) {
    win::ExitProcess(0);  // the backup's failure has been shown
  }
}

void InstallWorker(void*) { RunInstallWorker(ActiveCatalogue(), SharedInstallState(), ProductCollaborators()); }

}  // namespace qz
