// The merge's lookup against the plain scan that it replaces: on random
// inputs both must keep the same records in the same order.
#include <gtest/gtest.h>

#include <cmath>
#include <unordered_map>

#include "archive/archive_merge.h"
#include "archive/database_doc.h"

namespace {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  size_t Below(size_t n) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return size_t((state_ >> 33) % n);
  }
  template <class T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

// Few distinct texts and values, so that parts, case variants, anonymous
// records and duplicates meet often.
const std::u16string kMakers[] = {u"Acme", u"ACME", u"acme", u"\u00C9lan", u"\u00E9lan", u"", u"", u"Toko"};
const std::u16string kParts[] = {u"P1", u"p1", u"P2", u"", u"", u"\u03A91"};
const float kValues[] = {0.0f, -0.0f, 1.0f, 1.0f, 2.0f, NAN, INFINITY};

void Fill(Random& r, qz::CCapacitorRec& c) {
  c.manufacturer = r.Pick(kMakers);
  c.partNumber = r.Pick(kParts);
  c.type = r.Below(2) ? u"X7R" : u"x7r";
  c.capacitance = r.Pick(kValues);
  c.voltageRating = r.Pick(kValues);
}

void Fill(Random& r, qz::CInductorRec& c) {
  c.manufacturer = r.Pick(kMakers);
  c.partNumber = r.Pick(kParts);
  c.inductance = r.Pick(kValues);
  c.currentRating = r.Pick(kValues);
}

void Fill(Random& r, qz::CResistorRec& c) {
  c.manufacturer = r.Pick(kMakers);
  c.partNumber = r.Pick(kParts);
  c.resistance = r.Pick(kValues);
  c.powerRating = r.Pick(kValues);
  c.tolerance = r.Below(4) ? 0.01f : 0.05f;
}

template <class Rec>
std::vector<Rec> RandomRecords(Random& r, size_t n) {
  std::vector<Rec> records(n);
  for (Rec& rec : records) Fill(r, rec);
  return records;
}

// Builds the two documents from the records, runs the merge, and names each
// surviving record by its place in the input: user i is i, shipped j is
// 1000 + j.
template <class Doc, class Rec>
std::vector<int> Survivors(const std::vector<Rec>& user, const std::vector<Rec>& shipped, bool indexed) {
  Doc u, s;
  std::unordered_map<const Rec*, int> ids;
  for (size_t i = 0; i < user.size(); ++i) {
    u.Records().push_back(std::make_unique<Rec>(user[i]));
    ids[u.Records().back().get()] = int(i);
  }
  for (size_t j = 0; j < shipped.size(); ++j) {
    s.Records().push_back(std::make_unique<Rec>(shipped[j]));
    ids[s.Records().back().get()] = 1000 + int(j);
  }
  if (indexed) {
    qz::MergeShippedRecords(u, s);
  } else {
    qz::MergeShippedRecordsByScan(u, s);
  }
  EXPECT_TRUE(s.Records().empty());
  std::vector<int> out;
  for (const auto& rec : u.Records()) out.push_back(ids.at(rec.get()));
  return out;
}

template <class Doc, class Rec>
void CompareOnRandomInputs(uint64_t seed) {
  Random r(seed);
  for (int round = 0; round < 300; ++round) {
    const auto user = RandomRecords<Rec>(r, r.Below(30));
    const auto shipped = RandomRecords<Rec>(r, r.Below(30));
    SCOPED_TRACE(round);
    ASSERT_EQ((Survivors<Doc, Rec>(user, shipped, true)), (Survivors<Doc, Rec>(user, shipped, false)));
  }
}

TEST(MergeLookup, GivesTheRemovalsOfTheScan) {
  CompareOnRandomInputs<qz::CCapacitorDoc, qz::CCapacitorRec>(1);
  CompareOnRandomInputs<qz::CInductorDoc, qz::CInductorRec>(2);
  CompareOnRandomInputs<qz::CResistorDoc, qz::CResistorRec>(3);
}

TEST(MergeLookup, ShippedDuplicatesAndEarlierShippedRecords) {
  // A later shipped anonymous resistor removes an earlier one of its values,
  // and a later shipped part removes the earlier one of its key.
  std::vector<qz::CResistorRec> shipped(4);
  shipped[0].resistance = 10;
  shipped[1].manufacturer = u"Acme", shipped[1].partNumber = u"R1", shipped[1].resistance = 10;
  shipped[2].manufacturer = u"ACME", shipped[2].partNumber = u"r1", shipped[2].resistance = 22;
  shipped[3].resistance = 47;
  std::vector<qz::CResistorRec> user(1);
  user[0].resistance = 47;
  const auto indexed = Survivors<qz::CResistorDoc, qz::CResistorRec>(user, shipped, true);
  EXPECT_EQ(indexed, (std::vector<int>{1002, 1003}));
  EXPECT_EQ(indexed, (Survivors<qz::CResistorDoc, qz::CResistorRec>(user, shipped, false)));
}

}  // namespace
