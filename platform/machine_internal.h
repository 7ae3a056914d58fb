// Between the files of the layer: keeping the name lookup current.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace win {

// HostPath, also telling whether the host file or directory exists and, if
// so, its status as lstat gives it (either may be null).
std::string ResolveHostPath(std::u16string_view path, bool* exists, struct stat* status = nullptr);

// The layer created or removed this host file or directory.
void NoteHostEntryAdded(const std::string& hostPath);
void NoteHostEntryRemoved(const std::string& hostPath);

}  // namespace win
