// The release sync of the four model libraries: the installed library is
// backed up to "<installed>.bak", every shipped model replaces the
// installed model of the same name, the models only the user has are kept,
// and the result is written to the output path (in an installation, the
// installed library itself).
#pragma once

#include <string_view>

#include "models/model_records.h"

namespace qz {

// True when the merged library has been written to the output path; false
// when nothing was written there: an empty path, no installed regular
// file, a library that cannot be read, or an output that cannot be
// written. A backup that cannot be made ends the process (BackupBeforeSync).
bool MergeBjtLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);
bool MergeMosfetLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);
bool MergeJfetLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);
bool MergeDiodeLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);

bool MergeModelLibrary(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed,
                       ModelKind kind);

}  // namespace qz
