// The registry file of a machine folder ("registry.reg") and the rules that
// keep it whole: every change is made under an exclusive lock on
// "registry.lock", on a tree read afresh under that lock, and is published by
// writing "registry.reg.new" beside it and renaming it over the file. A
// damaged file is never written over: changes fail until it is repaired.
#pragma once

#include <functional>
#include <string>

#include "platform/base/win_base.h"
#include "platform/host/registry_file.h"

namespace win::registry {

std::string RegistryFilePath(const std::string& machineRoot);

// Reads the machine's registry; a missing file is an empty registry.
// ERROR_REGISTRY_CORRUPT for a damaged file, ERROR_REGISTRY_IO_FAILED when
// it cannot be read.
LONG ReadRegistry(const std::string& machineRoot, Tree* tree);

// Under the lock: reads the registry, runs the edit and, when the edit
// succeeds and reports a change, writes the tree back. The edit's error, or
// the error of reading or writing.
using Edit = std::function<LONG(Tree& tree, bool& changed)>;
LONG ChangeRegistry(const std::string& machineRoot, const Edit& edit);

// Writes the tree as the machine's registry unless a registry file exists.
LONG CreateRegistryIfMissing(const std::string& machineRoot, const Tree& seed);

// The text that reported the last damaged or unreadable registry file (also
// written to standard error once), or empty.
std::string LastRegistryFileProblem();

}  // namespace win::registry
