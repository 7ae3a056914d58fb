#include "models/model_record_merge.h"

#include <string>
#include <unordered_map>

#include "platform/text.h"

namespace qz {
namespace {

std::u16string FoldedName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = win::FoldAsciiLower(c);
  return folded;
}

}  // namespace

void MergeModelRecords(ModelRecordList& merged, ModelRecordList& shipped) {
  auto& records = merged.records;
  // Where each name first occurs in the merged list. Replacing a record
  // keeps that position the first of its name, and an appended record is
  // the first of its name, so the index stays true as the list grows.
  std::unordered_map<std::u16string, size_t> firstOfName;
  firstOfName.reserve(records.size() + shipped.records.size());
  for (size_t i = 0; i < records.size(); ++i)
    if (!records[i]->Name().empty()) firstOfName.try_emplace(FoldedName(records[i]->Name()), i);
  records.reserve(records.size() + shipped.records.size());
  for (auto& record : shipped.records) {
    if (!record->Name().empty()) {
      auto [found, isNew] = firstOfName.try_emplace(FoldedName(record->Name()), records.size());
      if (!isNew) {
        records[found->second] = std::move(record);
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
