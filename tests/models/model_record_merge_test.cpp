#include "models/model_record_merge.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Entry {
  std::u16string name, text;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> Entries(const qz::ModelRecordList& list) {
  std::vector<Entry> entries;
  for (const auto& r : list.records) entries.push_back({r->Name(), r->Text()});
  return entries;
}

// Names from a small pool so that matches, repeats on both sides, case
// variants and empty names are all frequent.
qz::ModelRecordList RandomList(std::mt19937& random, size_t size, char16_t side) {
  static const std::u16string kPool[] = {u"q1", u"Q2N2222", u"bc547b", u"IRF540", u"1N4148", u"x", u"J2\u00E9", u""};
  qz::ModelRecordList list(qz::ModelKind::bjt);
  for (size_t i = 0; i < size; ++i) {
    std::u16string name = kPool[random() % std::size(kPool)];
    for (char16_t& c : name)
      if (random() % 2) c = char16_t(c >= u'a' && c <= u'z' ? c - 32 : (c >= u'A' && c <= u'Z' ? c + 32 : c));
    std::u16string text = u".model " + name + u" NPN(" + side + char16_t(u'0' + i % 10) + u")";
    list.records.push_back(qz::MakeModelRec(qz::ModelKind::bjt, name, text));
  }
  return list;
}

TEST(ModelRecordMerge, TheIndexedMergeEqualsThePlainScan) {
  std::mt19937 random(20240611);
  for (int trial = 0; trial < 2000; ++trial) {
    SCOPED_TRACE(trial);
    uint32_t seed = random();
    size_t installedSize = random() % 12, shippedSize = random() % 12;
    std::mt19937 a(seed), b(seed);
    qz::ModelRecordList indexed = RandomList(a, installedSize, u'i');
    qz::ModelRecordList indexedShipped = RandomList(a, shippedSize, u's');
    qz::ModelRecordList scanned = RandomList(b, installedSize, u'i');
    qz::ModelRecordList scannedShipped = RandomList(b, shippedSize, u's');
    qz::MergeModelRecords(indexed, indexedShipped);
    qz::MergeModelRecordsByScan(scanned, scannedShipped);
    ASSERT_EQ(Entries(indexed), Entries(scanned));
    EXPECT_TRUE(indexedShipped.records.empty());
  }
}

TEST(ModelRecordMerge, ShippedRecordsAppendedEarlierAreFoundByLaterOnes) {
  qz::ModelRecordList merged(qz::ModelKind::bjt);
  merged.records.push_back(qz::MakeModelRec(qz::ModelKind::bjt, u"A", u".model A"));
  qz::ModelRecordList shipped(qz::ModelKind::bjt);
  for (auto [name, text] : {std::pair{u"N", u".model N 1"}, {u"", u".model"}, {u"n", u".model n 2"},
                            {u"", u".model"}, {u"a", u".model a"}})
    shipped.records.push_back(qz::MakeModelRec(qz::ModelKind::bjt, name, text));
  qz::MergeModelRecords(merged, shipped);
  EXPECT_EQ(Entries(merged),
            (std::vector<Entry>{{u"a", u".model a"}, {u"n", u".model n 2"}, {u"", u".model"}, {u"", u".model"}}));
}

}  // namespace
