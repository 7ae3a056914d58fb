// Whole database files: the header check, loading with its failures and
// messages, saving in place of the old file.
#include <gtest/gtest.h>

#include "archive/database_doc.h"
#include "archive/database_file.h"
#include "archive_test_util.h"
#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "platform/win/message_box.h"
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

constexpr char16_t kCapPath[] = u"C:\\QZ\\lib\\cmp\\standard.cap";
const std::u16string kUnexpected = u"Unexpected file format.";

class Database : public qztest::TempMachine {
 protected:
  std::string ThreeCaps() const {
    return DocBytes<CCapacitorDoc>({Cap(u"ACME", u"C1", 1e-9f), Cap(u"W\u00FCrth Elektronik", u"885012", 2.2e-6f),
                                    Cap(u"\u03A9 Parts", u"X", 4.7e-12f)});
  }

  // Every prefix of a valid file is damaged: it loads as nothing, with the
  // message, except the empty prefix, which is an empty database.
  template <class Doc>
  void SweepPrefixes(std::u16string_view path, const std::string& bytes) {
    for (size_t n = 0; n < bytes.size(); ++n) {
      SCOPED_TRACE(n);
      const size_t before = Messages().size();
      PutFile(path, bytes.substr(0, n));
      EXPECT_FALSE(qz::LoadDatabase<Doc>(path));
      auto after = MessageTexts();
      if (n == 0) {
        EXPECT_EQ(after.size(), before);
      } else {
        ASSERT_EQ(after.size(), before + 1);
        EXPECT_EQ(after.back(), kUnexpected);
      }
    }
    PutFile(path, bytes);
    EXPECT_TRUE(qz::LoadDatabase<Doc>(path));
  }
};

TEST_F(Database, CheckDatabaseHeader) {
  std::string longName(33, 'C');
  struct Case {
    const char* name;
    std::string bytes;
    bool missing;
    bool result;
  } cases[] = {
      {"capacitor file", ThreeCaps(), false, true},
      {"missing file", "", true, false},
      {"zero-length file", "", false, false},
      {"count 0", Hex("00 00"), false, false},
      {"count 0 in the long form", Hex("FF FF 00 00 00 00 FF FF 00 00 0D 00") + "CCapacitorRec", false, false},
      {"inductor file", DocBytes<CInductorDoc>({Ind(u"Toko", u"L1", 1e-6f)}), false, false},
      {"class name of 33 bytes", Hex("01 00 FF FF 00 00 21 00") + longName, false, false},
      {"name cut at a zero byte", Hex("01 00 FF FF 00 00 0F 00") + "CCapacitorRec" + std::string(2, '\0'), false,
       true},
      {"schema and tag are not examined", Hex("01 00 00 00 07 00 0D 00") + "CCapacitorRec", false, true},
      {"prefix of the name", Hex("01 00 FF FF 00 00 0C 00") + "CCapacitorRe", false, false},
      {"one byte", Hex("01"), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    win::RemoveFile(kCapPath);
    if (!c.missing) PutFile(kCapPath, c.bytes);
    EXPECT_EQ(qz::CheckDatabaseHeader(kCapPath, "CCapacitorRec"), c.result);
  }
  PutFile(kCapPath, ThreeCaps());
  EXPECT_FALSE(qz::CheckDatabaseHeader(kCapPath, "CInductorRec"));
  EXPECT_FALSE(qz::CheckDatabaseHeader(kCapPath, "CCapacitorRecord"));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Database, FileOf65535RecordsHasTheLongCountAndTheNameAt12) {
  CCapacitorDoc doc;
  for (int i = 0; i < 65535; ++i) doc.Records().push_back(std::make_unique<qz::CCapacitorRec>(Cap(u"A", u"P", float(i))));
  PutFile(kCapPath, "");
  ASSERT_TRUE(qz::SaveDatabase(doc, kCapPath));
  const std::string bytes = GetFile(kCapPath);
  EXPECT_EQ(archivetest::ToHex(bytes.substr(0, 12)), "FF FF FF FF 00 00 FF FF 00 00 0D 00");
  EXPECT_EQ(bytes.substr(12, 13), "CCapacitorRec");
  EXPECT_TRUE(qz::CheckDatabaseHeader(kCapPath, "CCapacitorRec"));
  auto loaded = qz::LoadDatabase<CCapacitorDoc>(kCapPath);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Records().size(), 65535u);
  EXPECT_EQ(loaded->Records().back()->capacitance, 65534.0f);
}

TEST_F(Database, RoundTripOfEveryKind) {
  PutFile(u"C:\\db\\a.cap", ThreeCaps());
  auto caps = qz::LoadDatabase<CCapacitorDoc>(u"C:\\db\\a.cap");
  ASSERT_TRUE(caps);
  ASSERT_TRUE(qz::SaveDatabase(*caps, u"C:\\db\\b.cap"));
  EXPECT_EQ(GetFile(u"C:\\db\\b.cap"), ThreeCaps());

  const std::string inductors = DocBytes<CInductorDoc>({Ind(u"Toko", u"L1", 1e-6f), Ind(u"Toko", u"L2", 2e-6f)});
  PutFile(u"C:\\db\\a.bead", inductors);
  auto beads = qz::LoadDatabase<CInductorDoc>(u"C:\\db\\a.bead");
  ASSERT_TRUE(beads);
  ASSERT_TRUE(qz::SaveDatabase(*beads, u"C:\\db\\b.bead"));
  EXPECT_EQ(GetFile(u"C:\\db\\b.bead"), inductors);

  const std::string resistors = DocBytes<CResistorDoc>({Res(u"", u"", 100), Res(u"Acme", u"R1", 1e3f)});
  PutFile(u"C:\\db\\a.res", resistors);
  auto res = qz::LoadDatabase<CResistorDoc>(u"C:\\db\\a.res");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->Records().size(), 2u);
  EXPECT_TRUE(res->Records()[0]->IsAnonymous());
  qz::DiscardDatabase(std::move(res));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Database, EmptyDatabasesLoadAsNothingSilently) {
  PutFile(u"C:\\db\\zero.cap", "");
  PutFile(u"C:\\db\\count0.cap", Hex("00 00"));
  EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(u"C:\\db\\zero.cap"));
  EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(u"C:\\db\\count0.cap"));
  EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(u"C:\\db\\missing.cap"));
  EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(u"C:\\db"));  // a directory
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Database, DamagedFilesFailWithTheirMessage) {
  const std::string caps = ThreeCaps();
  const std::string capClass = Hex("FF FF 00 00 0D 00") + "CCapacitorRec";
  const std::string body = Hex("00 00 00") + std::string(28, '\0');
  const std::string indClass = Hex("FF FF 00 00 0C 00") + "CInductorRec";
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string message;
  } cases[] = {
      {"cut inside a record", caps.substr(0, caps.size() - 3), kUnexpected},
      {"a null entry", Hex("02 00") + capClass + body + Hex("00 00"), kUnexpected},
      {"a second reference to a record", Hex("02 00") + capClass + body + Hex("02 00"), kUnexpected},
      {"an entry of another record class", Hex("02 00") + capClass + body + indClass + std::string(22, '\0'),
       kUnexpected},
      {"an inductor file", DocBytes<CInductorDoc>({Ind(u"Toko", u"L1", 1e-6f)}), kUnexpected},
      {"2^31 records claimed by 20 bytes", Hex("FF FF 00 00 00 80") + capClass + Hex("00 00"), kUnexpected},
      {"65535 records claimed by a short file", Hex("FF FF FF FF 00 00") + capClass + body, kUnexpected},
      {"a 4 GB string", Hex("01 00") + capClass + Hex("FF FF FF FE FF FF FF") + std::string(40, 'x'), kUnexpected},
      {"a 4 GB UTF-16 string", Hex("01 00") + capClass + Hex("FF FE FF FF FF FF FE FF FF 7F") + std::string(40, 'x'),
       kUnexpected},
      {"a 64-bit length above 2^31", Hex("01 00") + capClass + Hex("FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00"),
       u"Failed to open document."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutFile(kCapPath, c.bytes);
    const size_t before = Messages().size();
    EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(kCapPath));
    auto messages = Messages();
    ASSERT_EQ(messages.size(), before + 1);
    EXPECT_EQ(messages.back().text, c.message);
    EXPECT_EQ(messages.back().caption, u"QuendaZorvelSetup");
    EXPECT_EQ(messages.back().type, win::MB_OK | win::MB_ICONWARNING);
  }
}

TEST_F(Database, EveryPrefixOfAValidFileFailsToLoad) {
  SweepPrefixes<CCapacitorDoc>(kCapPath, ThreeCaps());
  SweepPrefixes<CInductorDoc>(
      u"C:\\db\\standard.ind",
      DocBytes<CInductorDoc>({Ind(u"Toko", u"L1", 1e-6f), Ind(u"\u03A9", u"L2", 2e-6f), Ind(u"A", u"", 3)}));
  SweepPrefixes<CResistorDoc>(
      u"C:\\db\\standard.res",
      DocBytes<CResistorDoc>({Res(u"", u"", 10), Res(u"Acme", u"R1", 22), Res(u"", u"", 47)}));
}

TEST_F(Database, FileErrorsNameTheDatabase) {
  PutFile(kCapPath, ThreeCaps());
  win::faults::FailNth(win::faults::Op::read, 1, win::FileErrorKind::hardIO);
  EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(kCapPath));
  win::faults::FailNth(win::faults::Op::open, 1, win::FileErrorKind::sharingViolation);
  EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(kCapPath));
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::u16string>{
                u"Encountered a hardware I/O error while accessing C:\\QZ\\lib\\cmp\\standard.cap.",
                u"Encountered a sharing violation while accessing C:\\QZ\\lib\\cmp\\standard.cap."}));
}

TEST_F(Database, LoadDeniesOtherWriters) {
  PutFile(kCapPath, ThreeCaps());
  win::File writer = win::File::Open(kCapPath, win::OpenMode::readWrite);
  ASSERT_TRUE(writer);
  EXPECT_FALSE(qz::LoadDatabase<CCapacitorDoc>(kCapPath));
  EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{
                                u"Encountered a sharing violation while accessing C:\\QZ\\lib\\cmp\\standard.cap."}));
}

class SaveDatabase : public Database {
 protected:
  void SetUp() override {
    Database::SetUp();
    PutFile(kCapPath, ThreeCaps());
    doc_ = qz::LoadDatabase<CCapacitorDoc>(kCapPath);
    ASSERT_TRUE(doc_);
    doc_->Records().push_back(std::make_unique<qz::CCapacitorRec>(Cap(u"New", u"N1", 1)));
  }
  // The folder holds nothing but the database: no file left on the way.
  void ExpectOnlyTheDatabase() const {
    EXPECT_EQ(win::ListDirectory(u"C:\\QZ\\lib\\cmp"), std::vector<std::u16string>{u"standard.cap"});
  }
  std::unique_ptr<CCapacitorDoc> doc_;
};

TEST_F(SaveDatabase, ReplacesTheFileAndLeavesNothingBeside) {
  ASSERT_TRUE(qz::SaveDatabase(*doc_, kCapPath));
  EXPECT_EQ(GetFile(kCapPath), qz::DatabaseBytes(*doc_));
  ExpectOnlyTheDatabase();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(SaveDatabase, FailedWritesLeaveTheOldFileAndNameIt) {
  struct Case {
    const char* name;
    std::function<void()> arm;
    std::u16string message;
  } cases[] = {
      {"disk full", [] { win::faults::ShortWritesAfter(10); },
       u"Disk full while accessing C:\\QZ\\lib\\cmp\\standard.cap."},
      {"write error", [] { win::faults::FailNth(win::faults::Op::write, 1, win::FileErrorKind::hardIO); },
       u"Encountered a hardware I/O error while accessing C:\\QZ\\lib\\cmp\\standard.cap."},
      {"close error", [] { win::faults::FailNth(win::faults::Op::close, 1, win::FileErrorKind::diskFull); },
       u"Disk full while accessing C:\\QZ\\lib\\cmp\\standard.cap."},
      {"replace fails", [] { win::faults::FailNth(win::faults::Op::rename, 1, win::FileErrorKind::accessDenied); },
       u"Access to C:\\QZ\\lib\\cmp\\standard.cap was denied."},
      {"new file cannot be created", [] { win::faults::FailNth(win::faults::Op::open, 2, win::FileErrorKind::tooManyOpenFiles); },
       u"Could not open C:\\QZ\\lib\\cmp\\standard.cap because there are too many open files."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    win::faults::Reset();
    const size_t before = Messages().size();
    c.arm();
    EXPECT_FALSE(qz::SaveDatabase(*doc_, kCapPath));
    win::faults::Reset();
    auto messages = MessageTexts();
    ASSERT_EQ(messages.size(), before + 1);
    EXPECT_EQ(messages.back(), c.message);
    EXPECT_EQ(GetFile(kCapPath), ThreeCaps());
    ExpectOnlyTheDatabase();
  }
}

TEST_F(SaveDatabase, ReadOnlyFileIsRefused) {
  ASSERT_FALSE(win::SetReadOnly(kCapPath, true));
  EXPECT_FALSE(qz::SaveDatabase(*doc_, kCapPath));
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"Access to C:\\QZ\\lib\\cmp\\standard.cap was denied."});
  EXPECT_EQ(GetFile(kCapPath), ThreeCaps());
  ExpectOnlyTheDatabase();
}

TEST_F(SaveDatabase, MissingFolderIsAnIncorrectPath) {
  EXPECT_FALSE(qz::SaveDatabase(*doc_, u"C:\\nowhere\\standard.cap"));
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{u"C:\\nowhere\\standard.cap contains an incorrect path."});
}

TEST_F(SaveDatabase, FileInUseIsASharingViolation) {
  win::File reader = win::File::Open(kCapPath, win::OpenMode::read, win::Share::denyWrite);
  ASSERT_TRUE(reader);
  EXPECT_FALSE(qz::SaveDatabase(*doc_, kCapPath));
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{
                                u"Encountered a sharing violation while accessing C:\\QZ\\lib\\cmp\\standard.cap."});
}

}  // namespace
