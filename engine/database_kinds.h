// The product's eight component databases: everything that the update's
// synchronisation, the install worker and qzdb know of each kind.
#pragma once

#include <span>
#include <string_view>

namespace qz {

using MergeFunction = bool (*)(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);

struct DatabaseKind {
  std::u16string_view path;         // in the catalogue: ".\lib\cmp\standard.bjt"
  std::u16string_view name;         // the extension of that path: "bjt"
  std::u16string_view description;  // in messages: "BJT model library"
  MergeFunction merge;              // the release sync of the kind
  std::u16string_view failure;      // what an update says when the merge fails
  // Whether a file looks like one of the kind: an archive database's header,
  // or, for a model library, any model statement (or no bytes at all).
  bool (*holds)(std::u16string_view file);
  // The merge copies the shipped file over an installed file of another
  // kind, without the backup it makes before a real merge.
  bool copiesOverOtherKinds;
};

// In the order in which the release sync looks them up.
std::span<const DatabaseKind> DatabaseKinds();
// The kind of a catalogue path, its letters in any case; null for any other file.
const DatabaseKind* FindDatabaseKind(std::u16string_view relativePath);

}  // namespace qz
