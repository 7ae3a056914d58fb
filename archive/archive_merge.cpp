#include "archive/archive_merge.h"

#include <algorithm>
#include <bit>
#include <string>
#include <type_traits>
#include <unordered_map>

#include "archive/database_file.h"
#include "base/backup_before_sync.h"
#include "base/file_helpers.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"

namespace qz {
namespace {

constexpr size_t kCopyBlock = 4096;

// ---- the lookup of the merge --------------------------------------------------

// Manufacturer and part number folded over ASCII case; only records with
// both texts non-empty have one.
struct PartKey {
  std::u16string manufacturer;
  std::u16string partNumber;
  bool operator==(const PartKey&) const = default;
};

struct PartKeyHash {
  size_t operator()(const PartKey& k) const {
    const std::hash<std::u16string> h;
    return h(k.manufacturer) * 31 + h(k.partNumber);
  }
};

std::u16string FoldedText(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = win::FoldAsciiLower(c);
  return folded;
}

template <class Rec>
std::optional<PartKey> PartKeyOf(const Rec& r) {
  if (r.manufacturer.empty() || r.partNumber.empty()) return std::nullopt;
  return PartKey{FoldedText(r.manufacturer), FoldedText(r.partNumber)};
}

// A resistor's three values as the float equality of the anonymous rule
// sees them: +0 and -0 are one value, and a NaN has no key because it
// equals nothing.
struct ValueKey {
  uint32_t resistance, powerRating, tolerance;
  bool operator==(const ValueKey&) const = default;
};

struct ValueKeyHash {
  size_t operator()(const ValueKey& k) const {
    return (size_t(k.resistance) * 0x9E3779B1u) ^ (size_t(k.powerRating) * 0x85EBCA6Bu) ^ k.tolerance;
  }
};

std::optional<uint32_t> FloatKey(float v) {
  if (v != v) return std::nullopt;
  return std::bit_cast<uint32_t>(v == 0.0f ? 0.0f : v);
}

std::optional<ValueKey> ValueKeyOf(const CResistorRec& r) {
  auto a = FloatKey(r.resistance), b = FloatKey(r.powerRating), c = FloatKey(r.tolerance);
  if (!a || !b || !c) return std::nullopt;
  return ValueKey{*a, *b, *c};
}

template <class Rec>
constexpr bool kHasValueRule = std::is_same_v<Rec, CResistorRec>;

// For every key, the position of the last shipped record that bears it.
template <class Rec>
struct ShippedLookup {
  std::unordered_map<PartKey, size_t, PartKeyHash> lastWithPart;
  std::unordered_map<ValueKey, size_t, ValueKeyHash> lastWithValues;

  explicit ShippedLookup(const std::vector<std::unique_ptr<Rec>>& shipped) {
    lastWithPart.reserve(shipped.size());
    for (size_t i = 0; i < shipped.size(); ++i) {
      if (auto key = PartKeyOf(*shipped[i])) lastWithPart[std::move(*key)] = i;
      if constexpr (kHasValueRule<Rec>) {
        if (auto key = ValueKeyOf(*shipped[i])) lastWithValues[*key] = i;
      }
    }
  }

  // Whether a shipped record after position `after` matches the record
  // (a user record is met by every shipped record: after = none).
  bool MatchedAfter(const Rec& r, std::optional<size_t> after) const {
    if (auto key = PartKeyOf(r)) {
      auto it = lastWithPart.find(*key);
      if (it != lastWithPart.end() && (!after || it->second > *after)) return true;
    }
    if constexpr (kHasValueRule<Rec>) {
      if (!r.IsAnonymous()) return false;
      if (auto key = ValueKeyOf(r)) {
        auto it = lastWithValues.find(*key);
        if (it != lastWithValues.end() && (!after || it->second > *after)) return true;
      }
    }
    return false;
  }
};

template <class Rec>
void SortAndRemoveDuplicates(std::vector<std::unique_ptr<Rec>>& list) {
  auto cmp = [](const Rec& a, const Rec& b) { return CompareRecords(a, b); };
  HeapSort(list, cmp);
  RemoveDuplicates(list, cmp);
}

// ---- one database file -----------------------------------------------------------

// An installed file that is read-only must still be replaced by the merge.
void MakeWritable(std::u16string_view path) {
  if (auto status = win::GetFileStatus(path); status && status->readOnly) win::SetReadOnly(path, false);
}

template <class Doc>
bool MergeDatabaseFile(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  using Rec = typename Doc::Record;
  const char* className = Rec::ThisClass()->className;
  if (output.empty() || shipped.empty()) return false;
  // Only a header that was read and is not this kind's sends the shipped
  // file over the installed one unmerged and without a backup; a header that
  // could not be read is no reason to drop the user's database: the merge
  // below backs it up, and its loads report what keeps them from reading.
  if (installed.empty() || !FileExists(installed)) return CopyShippedFile(shipped, output);
  const HeaderCheck userHeader = CheckDatabaseHeaderOf(installed, className);
  if (userHeader == HeaderCheck::differs ||
      (userHeader == HeaderCheck::matches && CheckDatabaseHeaderOf(shipped, className) == HeaderCheck::differs))
    return CopyShippedFile(shipped, output);
  BackupBeforeSync(installed);
  std::unique_ptr<Doc> user = LoadDatabase<Doc>(installed);
  if (!user) return false;
  std::unique_ptr<Doc> shippedDoc = LoadDatabase<Doc>(shipped);
  if (!shippedDoc) {
    DiscardDatabase(std::move(user));
    return false;
  }
  MergeShippedRecords(*user, *shippedDoc);
  MakeWritable(output);
  const bool saved = SaveDatabase(*user, output);
  DiscardDatabase(std::move(user));
  shippedDoc.reset();
  return saved;
}

}  // namespace

template <class Doc>
void MergeShippedRecords(Doc& user, Doc& shipped) {
  using Rec = typename Doc::Record;
  auto& u = user.Records();
  auto& s = shipped.Records();
  const ShippedLookup<Rec> lookup(s);
  // The scan keeps the survivors in their order: the user's, then the
  // shipped records that no later shipped record replaced.
  std::vector<std::unique_ptr<Rec>> merged;
  merged.reserve(u.size() + s.size());
  for (auto& r : u)
    if (!lookup.MatchedAfter(*r, std::nullopt)) merged.push_back(std::move(r));
  for (size_t i = 0; i < s.size(); ++i)
    if (!lookup.MatchedAfter(*s[i], i)) merged.push_back(std::move(s[i]));
  u.clear();  // destroys the replaced records
  s.clear();
  u = std::move(merged);
  SortAndRemoveDuplicates(u);
}

template <class Doc>
void MergeShippedRecordsByScan(Doc& user, Doc& shipped) {
  auto& u = user.Records();
  for (auto& s : shipped.Records()) {
    std::erase_if(u, [&s](const auto& r) { return IsSamePart(*r, *s); });
    u.push_back(std::move(s));
  }
  shipped.Records().clear();
  SortAndRemoveDuplicates(u);
}

template void MergeShippedRecords<CCapacitorDoc>(CCapacitorDoc&, CCapacitorDoc&);
template void MergeShippedRecords<CInductorDoc>(CInductorDoc&, CInductorDoc&);
template void MergeShippedRecords<CResistorDoc>(CResistorDoc&, CResistorDoc&);
template void MergeShippedRecordsByScan<CCapacitorDoc>(CCapacitorDoc&, CCapacitorDoc&);
template void MergeShippedRecordsByScan<CInductorDoc>(CInductorDoc&, CInductorDoc&);
template void MergeShippedRecordsByScan<CResistorDoc>(CResistorDoc&, CResistorDoc&);

bool CopyShippedFile(std::u16string_view shipped, std::u16string_view output) {
  win::File in = win::File::Open(shipped, win::OpenMode::read);
  if (!in) return false;
  win::File out = OpenFileForWriting(output);
  if (!out) return false;
  char block[kCopyBlock];
  for (;;) {
    const size_t n = in.Read(block, sizeof block);
    // A read error must not pass for the end of the file.
    if (in.Error()) return false;
    if (n == 0) break;
    if (out.Write(block, n) != n) return false;
  }
  in.Close();
  return out.Close();
}

bool MergeCapacitorDatabase(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  return MergeDatabaseFile<CCapacitorDoc>(output, shipped, installed);
}

bool MergeInductorDatabase(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  return MergeDatabaseFile<CInductorDoc>(output, shipped, installed);
}

bool MergeResistorDatabase(std::u16string_view output, std::u16string_view shipped, std::u16string_view installed) {
  return MergeDatabaseFile<CResistorDoc>(output, shipped, installed);
}

}  // namespace qz
