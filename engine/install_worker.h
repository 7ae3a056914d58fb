// The install worker: the thread that writes the whole payload catalogue
// below the installation directory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/install_state.h"
#include "base/result.h"
#include "engine/member_extraction.h"
#include "engine/payload_entry.h"

namespace qz {

// The catalogue that InstallWorker walks; the installer sets the embedded one.
void UseCatalogue(const PayloadCatalogue& catalogue);
const PayloadCatalogue& ActiveCatalogue();

// What the walk calls beyond writing files, given by whoever starts it.
struct InstallCollaborators {
  // Before a preview DLL is overwritten; empty: nothing is unregistered.
  DllUnregistration unregisterDll;
  // The update branch for an installed database: true when the database has
  // been handled, false when the entry is to be overwritten, a failure when
  // the installation cannot go on. Empty: every database is overwritten.
  std::function<Result<bool>(InstallState& state, const PayloadEntry& entry, std::u16string_view relativePath,
                     std::u16string_view destination)>
      syncDatabase;
};

// The installer's own: regsvr32's silent unregistration and the release sync.
InstallCollaborators ProductCollaborators();

// The thread routine: walks ActiveCatalogue() with SharedInstallState() and
// the product's collaborators. Its argument is ignored. Fatal failures end
// the process.
void InstallWorker(void* unused);

// The walk itself, for a given catalogue, state and collaborators.
void RunInstallWorker(const PayloadCatalogue& catalogue, InstallState& state,
                      const InstallCollaborators& collaborators = {});

}  // namespace qz
