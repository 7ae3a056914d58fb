// Between the Linux files of the machine: the name lookup with the status
// of what it finds, as lstat gives it.
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

// Whether the listing of a host directory, whose status the caller has just
// read, shows that no name of any case like this one exists there.
bool ListedAsMissing(const std::string& hostDirectory, const struct stat& directoryStatus, std::string_view name);

}  // namespace win
