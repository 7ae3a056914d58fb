// Between the files of the layer: keeping the name lookup current.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace win {

// What the caller expects of a path, so that the lookup can ask the file
// system the cheapest question first; the answer is the same either way.
enum class Expect { any, missing };

// HostPath, also telling whether the host file or directory exists and, if
// so, its status as lstat gives it (either may be null).
std::string ResolveHostPath(std::u16string_view path, bool* exists, struct stat* status = nullptr,
                            Expect expect = Expect::any);

// The host path of the path as spelled, without asking the file system: the
// one to try first where the file is expected to exist. Empty when the path
// is not valid on Windows.
std::string SpelledHostPath(std::u16string_view path);

// Whether the listing of a host directory, whose status the caller has just
// read, shows that no name of any case like this one exists there.
bool ListedAsMissing(const std::string& hostDirectory, const struct stat& directoryStatus, std::string_view name);

// Opens an existing host file for reading (open(2) flags), found as
// HostPath finds it; -1 with errno set when it cannot be opened.
int OpenHostForReading(std::u16string_view path);
// Closes what OpenHostForReading opened, when nothing took it over.
void CloseHostDescriptor(int descriptor);

// The layer created or removed this host file or directory.
void NoteHostEntryAdded(const std::string& hostPath);
void NoteHostEntryRemoved(const std::string& hostPath);

}  // namespace win
