// The release sync of an update installation: an installed component
// database is merged with the shipped one instead of being overwritten.
#pragma once

#include <string_view>

#include "base/install_state.h"
#include "base/result.h"
#include "engine/payload_entry.h"

namespace qz {

// Writes the shipped database to a fresh temporary file, merges it into the
// installed one at the destination and deletes the temporary file. True when
// the destination now holds the merged (or copied) database; false when the
// merge failed and was reported, and the entry is to be overwritten; a
// failure when the shipped database cannot be written out.
Result<bool> SyncDatabaseEntry(InstallState& state, const PayloadEntry& entry, std::u16string_view relativePath,
                       std::u16string_view destination);

}  // namespace qz
