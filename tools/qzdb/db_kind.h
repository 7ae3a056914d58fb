// The database kinds that qzdb knows: each names its merge and its dump.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qzdb {

struct DumpOptions {
  bool csv = false;
};

struct DbKind {
  std::string name;       // --kind value: bjt, mos, jft, dio, cap, ind, bead, res
  std::string extension;  // of the installed file, without the dot
  // The installer's merge of this kind.
  bool (*merge)(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);
  // Prints the records; false (after a message on standard error) when the file cannot be read.
  bool (*dump)(std::u16string_view file, const DumpOptions& options);
};

std::vector<DbKind> ModelKinds();
std::vector<DbKind> ArchiveKinds();

}  // namespace qzdb
