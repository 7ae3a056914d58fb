#include "engine/install_worker.h"

#include <new>

#include "engine/architecture_rules.h"
#include "engine/file_helpers.h"
#include "engine/member_extraction.h"
#include "engine/native_processor.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/win/runtime.h"

namespace qz {
namespace {

PayloadCatalogue gCatalogue;
SyncDatabaseFunction gSyncDatabaseEntry = nullptr;

constexpr std::u16string_view kDatabaseEntries[] = {
    u".\\lib\\cmp\\standard.bjt", u".\\lib\\cmp\\standard.mos", u".\\lib\\cmp\\standard.jft",
    u".\\lib\\cmp\\standard.dio", u".\\lib\\cmp\\standard.cap", u".\\lib\\cmp\\standard.res",
    u".\\lib\\cmp\\standard.ind", u".\\lib\\cmp\\standard.bead",
};

bool IsDatabaseEntry(std::u16string_view relativePath) {
  for (std::u16string_view db : kDatabaseEntries)
    if (win::EqualsNoCaseAscii(relativePath, db)) return true;
  return false;
}

bool HasExtension(std::u16string_view path, std::u16string_view extension) {
  size_t dot = path.rfind(u'.');
  return dot != std::u16string_view::npos && win::EqualsNoCaseAscii(path.substr(dot), extension);
}

// Writes one entry, or reports why it cannot be written; fatal failures end the process.
void InstallEntry(const PayloadEntry& entry, std::u16string_view destination) {
  EntryWriteResult result = WriteEntryFile(entry, destination);
  switch (result.kind) {
    case EntryWriteKind::written:
      if (entry.readOnly == 1) win::SetReadOnly(destination, true);
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
      ShowMessageAndExit(win::Format(
          u"Trouble writing file \"%ls\".\nThis might be a permission problem curable with fresh reboot.", destination));
    case EntryWriteKind::decompressionFailed:
      ShowMessageAndExit(win::Format(u"Trouble writing: %ls\n%ls", destination, result.errorText));
  }
}

void HandleEntry(const PayloadEntry& entry, InstallState& state) {
  const std::u16string relativePath = WidenEntryPath(entry.path);
  const std::u16string destination = JoinInstallPath(state.targetDirectory, relativePath);
  if (IsArchitectureSensitive(relativePath) &&
      SkipForArchitecture(relativePath, state.executableChoice, IsNative64BitWindows()))
    return;
  if (state.updateInstall != 0 && gSyncDatabaseEntry && IsDatabaseEntry(relativePath) && FileExists(destination) &&
      gSyncDatabaseEntry(state, entry, relativePath, destination))
    return;
  state.SetStatusText(win::Format(u"Extracting: %ls.gz\n", relativePath));
  InstallEntry(entry, destination);
}

}  // namespace

void UseCatalogue(const PayloadCatalogue& catalogue) { gCatalogue = catalogue; }
const PayloadCatalogue& ActiveCatalogue() { return gCatalogue; }
void SetSyncDatabaseEntry(SyncDatabaseFunction function) { gSyncDatabaseEntry = function; }

std::u16string JoinInstallPath(std::u16string_view directory, std::u16string_view relativePath) {
  std::u16string joined(directory);
  if (!joined.empty() && joined.back() != u'\\') joined += u'\\';
  if (!relativePath.empty()) {
    if (relativePath[0] == u'\\')
      relativePath.remove_prefix(1);
    else if (!directory.empty() && relativePath.starts_with(u".\\"))
      relativePath.remove_prefix(2);
  }
  joined += relativePath;
  return joined;
}

void RunInstallWorker(const PayloadCatalogue& catalogue, InstallState& state) {
  try {
    state.SetStatusText(u"");
    for (uint32_t position = 0; position < catalogue.count; ++position) HandleEntry(catalogue.At(position), state);
    state.SetInstallDone(true);
  } catch (const std::bad_alloc&) {
    win::ExitOutOfMemory();
  }
}

void InstallWorker(void*) { RunInstallWorker(ActiveCatalogue(), SharedInstallState()); }

}  // namespace qz
