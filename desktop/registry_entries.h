// The installer's registry entries: the product's line in the list of
// installed programs, and the removal of file-type registrations of the
// product and of its earlier releases. Nothing here shows a message or
// reports a failure; a key that is absent counts as removed.
#pragma once

#include <string_view>

#include "platform/win/registry.h"

namespace qz {

// The view flag combined into the installer's registry opens:
// KEY_WOW64_64KEY on 64-bit Windows, so that the 32-bit installer sees the
// native view, else 0. Key deletions carry no view flag.
win::REGSAM RegistryViewFlag();

// Sets the flag from the native processor. Called once at program start;
// the first RegistryViewFlag() sets it when nothing has.
void InitializeRegistryViewFlag();

// Writes HKLM "...\Uninstall\Quenda Zorvel" with "DisplayName",
// "UninstallString" (the quoted executable path and " -uninstall") and
// "Publisher".
void RegisterUninstallEntry(std::u16string_view mainExecutablePath);

// Removes the extension's key and the ProgID "Quenda.<kind>", both below
// HKEY_CLASSES_ROOT and below HKLM "SOFTWARE\Classes".
void RemoveFileType(std::u16string_view extension, std::u16string_view kind);

// Removes the ProgIDs of the product's old ProgID table whose DefaultIcon
// names one of its executables, then those of the first four entries whose
// description names the product.
void RemoveOldProgIds();

// Removes a ProgID below HKEY_CLASSES_ROOT: its shell verbs with their DDE
// and command keys, its DefaultIcon, then the ProgID key itself. An empty
// ProgID removes nothing.
void RemoveProgId(std::u16string_view progId);

// Deletes the subkey below the key with all its subkeys, the deepest first.
// True when the subkey no longer exists afterwards (also when it never
// did); false when part of it could not be deleted. An empty subkey path,
// or one with an empty component, is refused (false) rather than taken to
// name the parent key itself.
bool DeleteRegistryTree(win::HKEY parent, std::u16string_view subkey);

}  // namespace qz
