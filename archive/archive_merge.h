// The release sync of the archive databases: the shipped records replace
// the user's records of the same part, the result is sorted, exact
// duplicates are dropped, and the database is written back.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "archive/database_doc.h"

namespace qz {

// Each takes the path to write, the shipped database and the installed
// database (the install worker passes the installed path as output too).
// True when the output holds the merged database, or the shipped one copied
// over an installed file that cannot take part (missing, empty, of another
// kind). The installed file is backed up to "<installed>.bak" before a merge.
bool MergeCapacitorDatabase(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);
// Inductors and ferrite beads.
bool MergeInductorDatabase(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);
bool MergeResistorDatabase(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed);

// True when the whole shipped file was copied to the output.
bool CopyShippedFile(std::u16string_view shipped, std::u16string_view output);

// Afterwards the user's document holds the merged, sorted and de-duplicated
// list and owns every record in it; the shipped document holds none. The
// result is that of the plain scan below: for each shipped record in order,
// every record of the growing user list that IsSamePart with it is removed,
// then the shipped record is appended. A hash lookup finds the removals.
template <class Doc>
void MergeShippedRecords(Doc& user, Doc& shipped);
// The plain scan itself, the reference for the lookup.
template <class Doc>
void MergeShippedRecordsByScan(Doc& user, Doc& shipped);

// Sorts in place by cmp (negative: first argument first) with the steps of
// the classic heap sort, which fix the order of records comparing as zero.
template <class Rec, class Cmp>
void HeapSort(std::vector<std::unique_ptr<Rec>>& list, Cmp cmp) {
  const size_t n = list.size();
  if (n < 2) return;
  auto a = [&list](size_t k) -> std::unique_ptr<Rec>& { return list[k - 1]; };  // numbered from 1
  size_t l = n / 2 + 1;
  size_t r = n;
  for (;;) {
    std::unique_ptr<Rec> t;
    if (l > 1) {
      --l;
      t = std::move(a(l));
    } else {
      t = std::move(a(r));
      a(r) = std::move(a(1));
      if (--r == 1) {
        a(1) = std::move(t);
        return;
      }
    }
    size_t i = l;
    size_t j = 2 * l;
    while (j <= r) {
      if (j < r && cmp(*a(j), *a(j + 1)) < 0) ++j;
      if (cmp(*t, *a(j)) < 0) {
        a(i) = std::move(a(j));
        i = j;
        j = 2 * j;
      } else {
        j = r + 1;
      }
    }
    a(i) = std::move(t);
  }
}

// Of each run of neighbours that compare as zero, keeps the last: walking
// down from the end, a record is dropped when it compares as zero with the
// next record that remains.
template <class Rec, class Cmp>
void RemoveDuplicates(std::vector<std::unique_ptr<Rec>>& list, Cmp cmp) {
  if (list.size() < 2) return;
  size_t kept = list.size() - 1;  // list[kept..] remain
  for (size_t i = list.size() - 1; i-- > 0;) {
    if (cmp(*list[i], *list[kept]) == 0) {
      list[i].reset();
    } else if (--kept != i) {
      list[kept] = std::move(list[i]);
    }
  }
  list.erase(list.begin(), list.begin() + std::ptrdiff_t(kept));
}

extern template void MergeShippedRecords<CCapacitorDoc>(CCapacitorDoc&, CCapacitorDoc&);
extern template void MergeShippedRecords<CInductorDoc>(CInductorDoc&, CInductorDoc&);
extern template void MergeShippedRecords<CResistorDoc>(CResistorDoc&, CResistorDoc&);
extern template void MergeShippedRecordsByScan<CCapacitorDoc>(CCapacitorDoc&, CCapacitorDoc&);
extern template void MergeShippedRecordsByScan<CInductorDoc>(CInductorDoc&, CInductorDoc&);
extern template void MergeShippedRecordsByScan<CResistorDoc>(CResistorDoc&, CResistorDoc&);

}  // namespace qz
