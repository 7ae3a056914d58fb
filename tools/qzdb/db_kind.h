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
  // What a file of the kind is called in messages: "capacitor database".
  std::string description;
  // Whether the file looks like one of the kind: the check a merge makes of
  // its inputs (an archive header), or, for a model library, any model
  // statement at all.
  bool (*holds)(std::u16string_view file);
  // The merge copies the shipped file over an installed file of another
  // kind, without the backup it makes before a real merge.
  bool copiesOverOtherKinds;
};

std::vector<DbKind> ModelKinds();
std::vector<DbKind> ArchiveKinds();

}  // namespace qzdb
