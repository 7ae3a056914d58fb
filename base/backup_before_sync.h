#pragma once

#include <string_view>

namespace qz {

// Thrown once a backup that could not be made has been reported: the release
// sync must not go on. The installer ends the process with exit status 0; a
// tool says that it aborted.
struct ReleaseSyncAborted {};

// Copies the installed database to "<path>.bak" before a release sync
// changes it. Returns when the copy is made or there was nothing to copy;
// when a second try five seconds later fails too, tells the user and throws
// ReleaseSyncAborted.
void BackupBeforeSync(std::u16string_view path);

}  // namespace qz
