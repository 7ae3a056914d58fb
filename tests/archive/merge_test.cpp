// The release sync of the archive databases: fallbacks, replacement by part,
// order and duplicates, and the installed file's safety.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "archive/archive_merge.h"
#include "archive/database_file.h"
#include "archive_test_util.h"
#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "tests/support/temp_machine.h"

namespace {

using archivetest::Cap;
using archivetest::DocBytes;
using archivetest::Hex;
using archivetest::Ind;
using archivetest::Res;
using qz::CCapacitorDoc;
using qz::CInductorDoc;
using qz::CResistorDoc;

constexpr char16_t kInstalled[] = u"C:\\QZ\\lib\\cmp\\standard.cap";
constexpr char16_t kBackup[] = u"C:\\QZ\\lib\\cmp\\standard.cap.bak";
constexpr char16_t kShipped[] = u"C:\\Temp\\tmp1";

std::string Describe(const qz::CCapacitorRec& r) {
  return win::WideToUtf8(r.manufacturer + u"|" + r.partNumber + u"|" + r.type) + "|" + std::to_string(r.capacitance) +
         "|" + std::to_string(r.voltageRating);
}
std::string Describe(const qz::CInductorRec& r) {
  return win::WideToUtf8(r.manufacturer + u"|" + r.partNumber) + "|" + std::to_string(r.inductance);
}
std::string Describe(const qz::CResistorRec& r) {
  return win::WideToUtf8(r.manufacturer + u"|" + r.partNumber) + "|" + std::to_string(r.resistance) + "|" +
         std::to_string(r.powerRating);
}

class Merge : public qztest::TempMachine {
 protected:
  // The records of a database file, described one per element.
  template <class Doc>
  std::vector<std::string> Records(std::u16string_view path) {
    std::vector<std::string> out;
    auto doc = qz::LoadDatabase<Doc>(path);
    if (doc)
      for (const auto& r : doc->Records()) out.push_back(Describe(*r));
    return out;
  }

  template <class Doc, class Rec>
  bool MergeFiles(std::initializer_list<Rec> user, std::initializer_list<Rec> shipped,
                  bool (*merge)(std::u16string_view, std::u16string_view, std::u16string_view)) {
    PutFile(kInstalled, DocBytes<Doc>(user));
    PutFile(kShipped, DocBytes<Doc>(shipped));
    return merge(kInstalled, kShipped, kInstalled);
  }
};

TEST_F(Merge, InstalledFileThatCannotTakePartIsReplacedByACopy) {
  const std::string shipped = DocBytes<CCapacitorDoc>({Cap(u"ACME", u"C1", 1e-9f)});
  struct Case {
    const char* name;
    std::optional<std::string> installed;
  } cases[] = {
      {"missing", std::nullopt},
      {"zero length", ""},
      {"count 0", Hex("00 00")},
      {"an inductor database", DocBytes<CInductorDoc>({Ind(u"Toko", u"L1", 1e-6f)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    win::RemoveFile(kInstalled);
    if (c.installed) PutFile(kInstalled, *c.installed);
    PutFile(kShipped, shipped);
    EXPECT_TRUE(qz::MergeCapacitorDatabase(kInstalled, kShipped, kInstalled));
    EXPECT_EQ(GetFile(kInstalled), shipped);
    EXPECT_FALSE(HostExists(kBackup));
  }
  // A shipped file of another kind is copied too.
  PutFile(kInstalled, shipped);
  const std::string inductors = DocBytes<CInductorDoc>({Ind(u"Toko", u"L1", 1e-6f)});
  PutFile(kShipped, inductors);
  EXPECT_TRUE(qz::MergeCapacitorDatabase(kInstalled, kShipped, kInstalled));
  EXPECT_EQ(GetFile(kInstalled), inductors);
  EXPECT_FALSE(HostExists(kBackup));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Merge, EmptyPathsFail) {
  PutFile(kShipped, DocBytes<CCapacitorDoc>({Cap(u"ACME", u"C1", 1e-9f)}));
  EXPECT_FALSE(qz::MergeCapacitorDatabase(u"", kShipped, kInstalled));
  EXPECT_FALSE(qz::MergeCapacitorDatabase(kInstalled, u"", kInstalled));
  // No installed path: the shipped file is copied.
  EXPECT_TRUE(qz::MergeCapacitorDatabase(kInstalled, kShipped, u""));
  EXPECT_EQ(GetFile(kInstalled), GetFile(kShipped));
}

TEST_F(Merge, DamagedBodyAfterAGoodHeaderFailsAfterTheBackup) {
  const std::string good = DocBytes<CCapacitorDoc>({Cap(u"ACME", u"C1", 1e-9f), Cap(u"ACME", u"C2", 2e-9f)});
  const std::string damaged = good.substr(0, good.size() - 5);
  PutFile(kInstalled, damaged);
  PutFile(kShipped, good);
  EXPECT_FALSE(qz::MergeCapacitorDatabase(kInstalled, kShipped, kInstalled));
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Unexpected file format."});
  EXPECT_EQ(GetFile(kBackup), damaged);
  EXPECT_EQ(GetFile(kInstalled), damaged);
}

TEST_F(Merge, DamagedShippedFileFails) {
  const std::string good = DocBytes<CCapacitorDoc>({Cap(u"ACME", u"C1", 1e-9f), Cap(u"ACME", u"C2", 2e-9f)});
  PutFile(kInstalled, good);
  PutFile(kShipped, good.substr(0, good.size() - 1));
  EXPECT_FALSE(qz::MergeCapacitorDatabase(kInstalled, kShipped, kInstalled));
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Unexpected file format."});
  EXPECT_EQ(GetFile(kInstalled), good);
}

TEST_F(Merge, ShippedRecordsReplaceTheUsersPartsInAnyAsciiCase) {
  ASSERT_TRUE((MergeFiles<CCapacitorDoc>(
      {Cap(u"  murata ", u"grm-1", 5e-9f, 16), Cap(u"MURATA", u"Grm-1", 6e-9f, 25), Cap(u"Mine", u"X1", 1e-6f),
       Cap(u"wurth", u"885", 3e-9f), Cap(u"Mine", u"", 2e-6f)},
      {Cap(u"Murata", u"GRM-1", 1e-9f, 50), Cap(u"\u00C9lan", u"E1", 4e-9f)}, qz::MergeCapacitorDatabase)));
  // Sorted by capacitance; both adjacent user records of the part are gone,
  // the survivors are trimmed and normalised.
  EXPECT_EQ(Records<CCapacitorDoc>(kInstalled),
            (std::vector<std::string>{"Murata|GRM-1|X7R|0.000000|50.000000", "Würth Elektronik|885|X7R|0.000000|50.000000",
                                      "Élan|E1|X7R|0.000000|50.000000", "Mine|X1|X7R|0.000001|50.000000",
                                      "Mine||X7R|0.000002|50.000000"}));
  auto doc = qz::LoadDatabase<CCapacitorDoc>(kInstalled);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->Records()[0]->capacitance, 1e-9f);
  EXPECT_EQ(doc->Records()[1]->capacitance, 3e-9f);
  EXPECT_TRUE(HostExists(kBackup));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Merge, DuplicatesLeaveOneRecord) {
  // Capacitor texts compare without ASCII case: these three are one record.
  ASSERT_TRUE((MergeFiles<CCapacitorDoc>({Cap(u"Mine", u"A", 1e-9f), Cap(u"MINE", u"a", 1e-9f)},
                                         {Cap(u"Acme", u"S1", 2e-9f), Cap(u"mine", u"A ", 1e-9f, 50, u"x7r")},
                                         qz::MergeCapacitorDatabase)));
  auto doc = qz::LoadDatabase<CCapacitorDoc>(kInstalled);
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->Records().size(), 2u);
  // The shipped record replaced both user records of the part.
  EXPECT_EQ(doc->Records()[0]->manufacturer, u"mine");
  EXPECT_EQ(doc->Records()[0]->type, u"x7r");
}

TEST_F(Merge, LastOfTheShippedRecordsOfOnePartRemains) {
  ASSERT_TRUE((MergeFiles<CInductorDoc>({Ind(u"Toko", u"L1", 9e-6f)},
                                        {Ind(u"Toko", u"L1", 1e-6f), Ind(u"Other", u"Q", 5e-6f), Ind(u"toko", u"l1", 2e-6f)},
                                        qz::MergeInductorDatabase)));
  EXPECT_EQ(Records<CInductorDoc>(kInstalled),
            (std::vector<std::string>{"toko|l1|0.000002", "Other|Q|0.000005"}));
}

TEST_F(Merge, InductorRecordsDifferingInCaseBothSurvive) {
  ASSERT_TRUE((MergeFiles<CInductorDoc>({Ind(u"Coilmaker", u"C1", 1e-6f), Ind(u"COILMAKER", u"C1 ", 1e-6f)},
                                        {Ind(u"Toko", u"T1", 2e-6f)}, qz::MergeInductorDatabase)));
  EXPECT_EQ(Records<CInductorDoc>(kInstalled).size(), 3u);
  // The same input as a capacitor database collapses to one record.
  ASSERT_TRUE((MergeFiles<CCapacitorDoc>({Cap(u"Coilmaker", u"C1", 1e-6f), Cap(u"COILMAKER", u"C1 ", 1e-6f)},
                                         {Cap(u"Toko", u"T1", 2e-6f)}, qz::MergeCapacitorDatabase)));
  EXPECT_EQ(Records<CCapacitorDoc>(kInstalled).size(), 2u);
}

TEST_F(Merge, BeadFileMergesLikeAnInductorFile) {
  constexpr char16_t kBead[] = u"C:\\QZ\\lib\\cmp\\standard.bead";
  PutFile(kBead, DocBytes<CInductorDoc>({Ind(u"TOKO", u"B1", 1e-6f), Ind(u"Mine", u"M", 3e-6f)}));
  PutFile(kShipped, DocBytes<CInductorDoc>({Ind(u"Toko", u"b1", 2e-6f)}));
  ASSERT_TRUE(qz::MergeInductorDatabase(kBead, kShipped, kBead));
  EXPECT_EQ(Records<CInductorDoc>(kBead), (std::vector<std::string>{"Toko|b1|0.000002", "Mine|M|0.000003"}));
  EXPECT_TRUE(HostExists(u"C:\\QZ\\lib\\cmp\\standard.bead.bak"));
}

TEST_F(Merge, AnonymousResistorsAreReplacedByShippedValues) {
  const float nan = std::nanf("");
  ASSERT_TRUE((MergeFiles<CResistorDoc>(
      {Res(u"", u"", 100, 0.25f), Res(u"", u"", 220, 0.25f), Res(u"", u"", nan, 0.5f), Res(u"Acme", u"", 330),
       Res(u"", u"R4", 470), Res(u"Mine", u"M1", 680), Res(u"wurth", u"W", 1000)},
      {Res(u"Acme", u"RC100", 100, 0.25f), Res(u"", u"", 220, 0.25f), Res(u"Acme", u"N1", nan, 0.5f),
       Res(u"Acme", u"", 330), Res(u"", u"R4", 470), Res(u"", u"", 680)},
      qz::MergeResistorDatabase)));
  // The anonymous 100 and 220 are replaced; the NaN, the half-keyed and the
  // keyed user records stay (the equal halves of both files collapse).
  EXPECT_EQ(Records<CResistorDoc>(kInstalled),
            (std::vector<std::string>{"Acme|RC100|100.000000|0.250000", "||220.000000|0.250000",
                                      "Acme||330.000000|0.250000", "|R4|470.000000|0.250000", "||680.000000|0.250000",
                                      "Mine|M1|680.000000|0.250000", "wurth|W|1000.000000|0.250000",
                                      "||nan|0.500000", "Acme|N1|nan|0.500000"}));
}

TEST_F(Merge, ReadOnlyInstalledFileIsReplacedByAWritableOne) {
  PutFile(kInstalled, DocBytes<CCapacitorDoc>({Cap(u"Mine", u"M1", 1e-6f)}));
  ASSERT_FALSE(win::SetReadOnly(kInstalled, true));
  PutFile(kShipped, DocBytes<CCapacitorDoc>({Cap(u"Acme", u"S1", 1e-9f)}));
  ASSERT_TRUE(qz::MergeCapacitorDatabase(kInstalled, kShipped, kInstalled));
  EXPECT_EQ(Records<CCapacitorDoc>(kInstalled).size(), 2u);
  auto status = win::GetFileStatus(kInstalled);
  ASSERT_TRUE(status);
  EXPECT_FALSE(status->readOnly);
  EXPECT_TRUE(HostExists(kBackup));
  EXPECT_TRUE(Messages().empty());
}

// A save that fails leaves the installed database as it was: the backup of
// the next update must not copy a damaged file over the user's last good one.
TEST_F(Merge, FailedSaveKeepsTheInstalledDatabase) {
  const std::string user = DocBytes<CCapacitorDoc>({Cap(u"Mine", u"M1", 1e-6f)});
  PutFile(kInstalled, user);
  PutFile(kShipped, DocBytes<CCapacitorDoc>({Cap(u"Acme", u"S1", 1e-9f)}));
  win::faults::ShortWritesAfter(user.size() + 10);  // the backup copy, then part of the save
  EXPECT_FALSE(qz::MergeCapacitorDatabase(kInstalled, kShipped, kInstalled));
  win::faults::Reset();
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Disk full while accessing C:\\QZ\\lib\\cmp\\standard.cap."});
  EXPECT_EQ(GetFile(kInstalled), user);
  EXPECT_EQ(GetFile(kBackup), user);
  EXPECT_EQ(win::ListDirectory(u"C:\\QZ\\lib\\cmp").size(), 2u);
}

TEST_F(Merge, OutputPathOtherThanTheInstalledFile) {
  const std::string user = DocBytes<CCapacitorDoc>({Cap(u"Mine", u"M1", 1e-6f)});
  PutFile(kInstalled, user);
  PutFile(kShipped, DocBytes<CCapacitorDoc>({Cap(u"Acme", u"S1", 1e-9f)}));
  PutFile(u"C:\\out\\merged.cap", "old");
  ASSERT_TRUE(qz::MergeCapacitorDatabase(u"C:\\out\\merged.cap", kShipped, kInstalled));
  EXPECT_EQ(Records<CCapacitorDoc>(u"C:\\out\\merged.cap").size(), 2u);
  EXPECT_EQ(GetFile(kInstalled), user);
}

TEST_F(Merge, CopyShippedFileFailures) {
  std::string big(10000, 'x');
  PutFile(kShipped, big);
  EXPECT_TRUE(qz::CopyShippedFile(kShipped, u"C:\\new\\dir\\copy.cap"));  // folders are made
  EXPECT_EQ(GetFile(u"C:\\new\\dir\\copy.cap"), big);

  win::faults::ShortWritesAfter(5000);
  EXPECT_FALSE(qz::CopyShippedFile(kShipped, u"C:\\copy.cap"));
  win::faults::Reset();
  EXPECT_EQ(GetFile(u"C:\\copy.cap").size(), 5000u);

  // A read error half-way is not the end of the file.
  win::faults::FailNth(win::faults::Op::read, 2, win::FileErrorKind::hardIO);
  EXPECT_FALSE(qz::CopyShippedFile(kShipped, u"C:\\copy.cap"));
  win::faults::Reset();

  EXPECT_FALSE(qz::CopyShippedFile(u"C:\\missing", u"C:\\copy.cap"));
}

// ---- the sort and the de-duplication ----------------------------------------------

struct Keyed {
  int key;
  char tag;
};
int CompareKeys(const Keyed& a, const Keyed& b) { return (a.key > b.key) - (a.key < b.key); }

std::vector<std::unique_ptr<Keyed>> KeyedList(std::initializer_list<Keyed> items) {
  std::vector<std::unique_ptr<Keyed>> list;
  for (const Keyed& k : items) list.push_back(std::make_unique<Keyed>(k));
  return list;
}

std::string Tags(const std::vector<std::unique_ptr<Keyed>>& list) {
  std::string s;
  for (const auto& k : list) s += k->tag;
  return s;
}

TEST(HeapSort, OrderOfEqualRecordsDecidesTheSurvivor) {
  // Worked through by hand: a stable sort would give "abc" and keep b.
  auto list = KeyedList({{1, 'a'}, {1, 'b'}, {2, 'c'}});
  qz::HeapSort(list, CompareKeys);
  EXPECT_EQ(Tags(list), "bac");
  qz::RemoveDuplicates(list, CompareKeys);
  EXPECT_EQ(Tags(list), "ac");

  auto other = KeyedList({{1, 'a'}, {2, 'c'}, {1, 'b'}});
  qz::HeapSort(other, CompareKeys);
  EXPECT_EQ(Tags(other), "abc");
}

TEST(HeapSort, SortsAnyInput) {
  uint64_t seed = 7;
  for (int round = 0; round < 200; ++round) {
    std::vector<std::unique_ptr<Keyed>> list;
    const int n = round % 40;
    for (int i = 0; i < n; ++i) {
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      list.push_back(std::make_unique<Keyed>(Keyed{int(seed >> 60), char('a' + i % 26)}));
    }
    qz::HeapSort(list, CompareKeys);
    ASSERT_EQ(list.size(), size_t(n));
    for (int i = 1; i < n; ++i) ASSERT_LE(list[i - 1]->key, list[i]->key);
    qz::RemoveDuplicates(list, CompareKeys);
    for (size_t i = 1; i < list.size(); ++i) ASSERT_LT(list[i - 1]->key, list[i]->key);
  }
}

TEST(RemoveDuplicates, KeepsTheLastOfEachRun) {
  auto list = KeyedList({{1, 'a'}, {1, 'b'}, {1, 'c'}, {2, 'd'}, {3, 'e'}, {3, 'f'}});
  qz::RemoveDuplicates(list, CompareKeys);
  EXPECT_EQ(Tags(list), "cdf");
  auto one = KeyedList({{1, 'a'}, {1, 'b'}});
  qz::RemoveDuplicates(one, CompareKeys);
  EXPECT_EQ(Tags(one), "b");
}

}  // namespace
