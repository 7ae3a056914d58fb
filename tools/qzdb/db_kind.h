// qzdb's dumps of the database kinds; everything else that it knows of a
// kind is the installer's own table (engine/database_kinds.h).
#pragma once

#include <string_view>

namespace qzdb {

struct DumpOptions {
  bool csv = false;
};

// Prints the records; false (after a message on standard error) when the
// file cannot be read.
using DumpFunction = bool (*)(std::u16string_view file, const DumpOptions& options);

// The dump for a kind's name ("bjt", "cap"), or null when it is not of
// that family.
DumpFunction ModelDump(std::u16string_view kindName);
DumpFunction ArchiveDump(std::u16string_view kindName);

}  // namespace qzdb
