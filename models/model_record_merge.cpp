#include "models/model_record_merge.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/base/text.h"

namespace qz {
namespace {

// Names hash and compare with the ASCII letters folded, so the index can
// key on the records' own names without copies.
struct FoldedNameHash {
  size_t operator()(std::u16string_view name) const {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char16_t c : name) hash = (hash ^ win::FoldAsciiLower(c)) * 1099511628211ull;
    return size_t(hash);
  }
};

struct FoldedNameEqual {
  bool operator()(std::u16string_view a, std::u16string_view b) const { return win::EqualsNoCaseAscii(a, b); }
};

}  // namespace

void MergeModelRecords(ModelRecordList& merged, ModelRecordList& shipped) {
  auto& records = merged.records;
  // The replaced records are destroyed only at the end: the index keys on
  // their names.
  std::vector<std::unique_ptr<CModelRec>> replaced;
  // Where each name first occurs in the merged list. Replacing a record
  // keeps that position the first of its name, and an appended record is
  // the first of its name, so the index stays true as the list grows.
  std::unordered_map<std::u16string_view, size_t, FoldedNameHash, FoldedNameEqual> firstOfName;
  firstOfName.reserve(records.size() + shipped.records.size());
  for (size_t i = 0; i < records.size(); ++i)
    if (!records[i]->Name().empty()) firstOfName.try_emplace(records[i]->Name(), i);
  records.reserve(records.size() + shipped.records.size());
  for (auto& record : shipped.records) {
    if (!record->Name().empty()) {
      auto [found, isNew] = firstOfName.try_emplace(record->Name(), records.size());
      if (!isNew) {
        replaced.push_back(std::exchange(records[found->second], std::move(record)));
        continue;
      }
    }
    records.push_back(std::move(record));
  }
  shipped.records.clear();
}

void MergeModelRecordsByScan(ModelRecordList& merged, ModelRecordList& shipped) {
  auto& records = merged.records;
  for (auto& record : shipped.records) {
    bool replaced = false;
    if (!record->Name().empty()) {
      for (auto& installed : records) {
        if (win::EqualsNoCaseAscii(installed->Name(), record->Name())) {
          installed = std::move(record);
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) records.push_back(std::move(record));
  }
  shipped.records.clear();
}

}  // namespace qz
