#pragma once

#include <string_view>

namespace qz {

// Copies the installed database to "<path>.bak" before a release sync
// changes it. Returns when the copy is made or there was nothing to copy;
// when a second try five seconds later fails too, tells the user and ends
// the process with exit status 0.
void BackupBeforeSync(std::u16string_view path);

}  // namespace qz
