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
#include "engine/installation_end.h"
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

// Says why an entry could not be written to the destination: a failure ends
// the installation, a preview DLL in use is only reported.
Status EntryOutcome(const EntryWriteResult& result, std::u16string_view destination) {
  switch (result.kind) {
    case EntryWriteKind::written:
      return {};
    case EntryWriteKind::openFailed:
      if (HasExtension(destination, u".dll") && FileExists(destination)) {
        ShowMessage(
            u"Trouble writing DLL previewer:\n    \"%ls\".\nThis probably because it's being used by Windows "
            u"Explorer.  Try upating Quenda after a fresh reboot after this install.",
            destination);
        return {};
      }
      [[fallthrough]];
    case EntryWriteKind::writeFailed:
      return WriteFailure(destination);
    case EntryWriteKind::decompressionFailed:
      return Failure{win::Format(u"Trouble writing: %ls\n%ls", destination, result.errorText)};
  }
  return {};
}

Status InstallEntry(const PayloadEntry& entry, std::u16string_view destination, const DllUnregistration& unregisterDll) {
  EntryWriteResult result = WriteEntryFile(entry, destination, unregisterDll);
  if (result.kind == EntryWriteKind::written && entry.readOnly == 1) win::SetReadOnly(destination, true);
  return EntryOutcome(result, destination);
}

// The shipped database over one whose merge failed: written whole beside it
// and renamed in, so that a crash leaves the user's file or the shipped one,
// never a part of either for the next update to back up.
Status ReplaceWithEntry(const PayloadEntry& entry, std::u16string_view destination) {
  std::u16string temporary;
  win::File reserved = win::CreateTemporaryFile(&temporary, ParentDirectory(destination));
  if (!reserved) return WriteFailure(destination);
  if (!reserved.Close()) {
    win::RemoveFile(temporary);
    return WriteFailure(destination);
  }
  EntryWriteResult result = WriteEntryFile(entry, temporary);
  if (result.kind != EntryWriteKind::written) {
    win::RemoveFile(temporary);
    return EntryOutcome(result, destination);
  }
  if (entry.readOnly == 1) win::SetReadOnly(temporary, true);
  if (auto status = win::GetFileStatus(destination); status && status->readOnly) win::SetReadOnly(destination, false);
  if (win::RenameFile(temporary, destination, true)) {
    win::SetReadOnly(temporary, false);
    win::RemoveFile(temporary);
    return WriteFailure(destination);
  }
  return {};
}

Status HandleEntry(const PayloadEntry& entry, InstallState& state, const InstallCollaborators& collaborators) {
  const std::u16string relativePath = WidenEntryPath(entry.path);
  const std::u16string destination = JoinInstallPath(state.targetDirectory, relativePath);
  if (IsArchitectureSensitive(relativePath) &&
      SkipForArchitecture(relativePath, state.executableChoice, IsNative64BitWindows()))
    return {};
  const bool merging = state.updateInstall != 0 && collaborators.syncDatabase && FindDatabaseKind(relativePath) &&
                       FileExists(destination);
  if (merging) {
    Result<bool> synced = collaborators.syncDatabase(state, entry, relativePath, destination);
    if (!synced) return synced.Error();
    if (*synced) return {};
  }
  state.SetStatusText(win::Format(u"Extracting: %ls.gz\n", relativePath));
  return merging ? ReplaceWithEntry(entry, destination) : InstallEntry(entry, destination, collaborators.unregisterDll);
}

}  // namespace

void UseCatalogue(const PayloadCatalogue& catalogue) { gCatalogue = catalogue; }
const PayloadCatalogue& ActiveCatalogue() { return gCatalogue; }

InstallCollaborators ProductCollaborators() { return {UnregisterServerDll, SyncDatabaseEntry}; }

void RunInstallWorker(const PayloadCatalogue& catalogue, InstallState& state,
                      const InstallCollaborators& collaborators) {
  try {
    state.SetStatusText(u"");
    for (uint32_t position = 0; position < catalogue.count; ++position) {
      if (Status handled = HandleEntry(catalogue.At(position), state, collaborators); !handled)
        EndInstallation(handled.Error());
    }
    state.SetInstallDone(true);
  } catch (const std::bad_alloc&) {
    win::ExitOutOfMemory();
  } catch (const ReleaseSyncAborted&) {
    EndInstallation();  // the backup's failure has been shown
  }
}

void InstallWorker(void*) { RunInstallWorker(ActiveCatalogue(), SharedInstallState(), ProductCollaborators()); }

}  // namespace qz
