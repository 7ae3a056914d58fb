#include "desktop/desktop_hooks.h"

#include "desktop/preview_handlers.h"
#include "desktop/registry_entries.h"
#include "engine/member_extraction.h"

namespace qz {

void InstallDesktopHooks() {
  InitializeRegistryViewFlag();
  SetUnregisterServerDll(&UnregisterServerDll);
}

}  // namespace qz
