// The release-sync rule for two record lists: every shipped record
// replaces the first record of the same name (ASCII letters compared
// without case) in the merged list as it grows, or is appended.
#pragma once

#include "models/model_records.h"

namespace qz {

// Moves every shipped record into the merged list, destroying the records
// it replaces; the shipped list ends empty. The merged list then holds the
// installed records in their order, each replaced at its own position by
// the last shipped record of its name, followed by the shipped records of
// new names in shipped order. Records with an empty name are appended and
// never matched. Finds names through an index, in time linear in the
// number of records.
void MergeModelRecords(ModelRecordList& merged, ModelRecordList& shipped);

// The same rule by looking every shipped name up from the start of the
// merged list, in quadratic time: the reference for the indexed merge.
void MergeModelRecordsByScan(ModelRecordList& merged, ModelRecordList& shipped);

}  // namespace qz
