// The install worker: the thread that writes the whole payload catalogue
// below the installation directory.
#pragma once

#include <string>
#include <string_view>

#include "engine/install_state.h"
#include "engine/payload_entry.h"

namespace qz {

// The catalogue that InstallWorker walks; the installer sets the embedded one.
void UseCatalogue(const PayloadCatalogue& catalogue);
const PayloadCatalogue& ActiveCatalogue();

// The thread routine: walks ActiveCatalogue() with SharedInstallState().
// Its argument is ignored. Fatal failures end the process.
void InstallWorker(void* unused);

// The walk itself, for a given catalogue and state.
void RunInstallWorker(const PayloadCatalogue& catalogue, InstallState& state);

// Joins the installation directory and a catalogue path:
// "C:\d" + ".\x" gives "C:\d\x"; an empty directory keeps the path.
std::u16string JoinInstallPath(std::u16string_view directory, std::u16string_view relativePath);

// The update branch: merges an installed database with the shipped one.
// True when the database has been handled; false when the entry is to be
// overwritten. Supplied by the database synchronisation.
using SyncDatabaseFunction = bool (*)(InstallState& state, const PayloadEntry& entry,
                                      std::u16string_view relativePath, std::u16string_view destination);
void SetSyncDatabaseEntry(SyncDatabaseFunction function);

}  // namespace qz
