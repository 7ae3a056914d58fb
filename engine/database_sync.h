// The release sync of an update installation: an installed component
// database is merged with the shipped one instead of being overwritten.
#pragma once

#include <span>
#include <string_view>

#include "engine/install_state.h"
#include "engine/payload_entry.h"

namespace qz {

using MergeFunction = bool (*)(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);

// One of the product's eight component databases: its catalogue path, the
// merge of its kind and what the user is told when that merge fails.
struct DatabaseKind {
  std::u16string_view path;
  MergeFunction merge;
  std::u16string_view failure;
};

std::span<const DatabaseKind> DatabaseKinds();
// The kind of a catalogue path, its letters in any case; null for any other file.
const DatabaseKind* FindDatabaseKind(std::u16string_view relativePath);

// Writes the shipped database to a fresh temporary file, merges it into the
// installed one at the destination and deletes the temporary file. True when
// the destination now holds the merged (or copied) database; false when the
// merge failed and was reported, and the entry is to be overwritten. Ends the
// process when the shipped database cannot be written out.
bool SyncDatabaseEntry(InstallState& state, const PayloadEntry& entry, std::u16string_view relativePath,
                       std::u16string_view destination);

// Hands SyncDatabaseEntry to the install worker's update branch.
void EnableDatabaseSync();

}  // namespace qz
