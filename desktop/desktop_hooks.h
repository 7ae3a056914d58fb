// What the installer application calls once at start, before anything
// else touches the registry or writes the payload.
#pragma once

namespace qz {

// Sets the registry view flag from the native processor and lets
// OpenForWriting unregister a preview DLL before it overwrites it.
void InstallDesktopHooks();

}  // namespace qz
