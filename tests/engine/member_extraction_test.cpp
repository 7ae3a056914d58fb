#include "engine/member_extraction.h"

#include <gtest/gtest.h>

#include "base/file_helpers.h"
#include "packer.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "tests/support/temp_machine.h"

namespace {

using qz::EntryWriteKind;

// An entry whose stored bytes live in the fixture.
struct OwnedEntry {
  std::vector<unsigned char> stored;
  qz::PayloadEntry entry{};
};

OwnedEntry MakeEntry(const std::string& content, bool gzip) {
  OwnedEntry e;
  std::vector<unsigned char> bytes(content.begin(), content.end());
  e.stored = gzip ? qzpack::GzipMember(bytes) : bytes;
  e.entry = {".\\x", 0, uint32_t(content.size()), gzip ? uint32_t(e.stored.size()) : 0u, 0, e.stored.data()};
  return e;
}

class MemberExtraction : public qztest::TempMachine {
 protected:
  static std::u16string TempName() { return win::UserProfileDirectory() + u"\\AppData\\Local\\Temp\\tmp1"; }
};

TEST_F(MemberExtraction, WritesPlainAndGzipEntriesBelowMissingDirectories) {
  std::string text(5000, 'z');
  for (bool gzip : {false, true}) {
    OwnedEntry e = MakeEntry(text + (gzip ? "g" : "p"), gzip);
    std::u16string dest = gzip ? u"C:\\new\\deep\\g.txt" : u"C:\\other\\p.txt";
    EXPECT_EQ(qz::WriteEntryFile(e.entry, dest).kind, EntryWriteKind::written);
    EXPECT_EQ(GetFile(dest), text + (gzip ? "g" : "p"));
  }
  // The temporary file of the decompression is gone.
  EXPECT_FALSE(HostExists(TempName()));
}

TEST_F(MemberExtraction, ReplacesReadOnlyDestination) {
  PutFile(u"C:\\d\\ro.asy", "old");
  ASSERT_FALSE(win::SetReadOnly(u"C:\\d\\ro.asy", true));
  OwnedEntry e = MakeEntry("new bytes", false);
  EXPECT_EQ(qz::WriteEntryFile(e.entry, u"C:\\d\\ro.asy").kind, EntryWriteKind::written);
  EXPECT_EQ(GetFile(u"C:\\d\\ro.asy"), "new bytes");
}

std::vector<std::u16string> gUnregistered;
void RecordUnregistration(std::u16string_view path) { gUnregistered.emplace_back(path); }

TEST_F(MemberExtraction, AbsoluteDllPathsAreUnregisteredAndPaused) {
  gUnregistered.clear();
  for (std::u16string path : {u"C:\\p\\ASCx64.dll", u"\\p\\ASYx64.DLL", u".\\rel.dll", u"C:\\p\\x.dllx"})
    EXPECT_TRUE(qz::OpenForWriting(path, RecordUnregistration)) << win::WideToUtf8(path);
  EXPECT_EQ(gUnregistered, (std::vector<std::u16string>{u"C:\\p\\ASCx64.dll", u"\\p\\ASYx64.DLL"}));
  EXPECT_EQ(Sleeps(), (std::vector<unsigned>{500, 500}));
}

TEST_F(MemberExtraction, HeldDllCannotBeOpened) {
  PutFile(u"C:\\p\\ASCx64.dll", "in use");
  win::File holder = win::File::Open(u"C:\\p\\ASCx64.dll", win::OpenMode::read, win::Share::denyWrite);
  ASSERT_TRUE(holder);
  OwnedEntry e = MakeEntry("new", false);
  EXPECT_EQ(qz::WriteEntryFile(e.entry, u"C:\\p\\ASCx64.dll").kind, EntryWriteKind::openFailed);
  EXPECT_EQ(GetFile(u"C:\\p\\ASCx64.dll"), "in use");
}

TEST_F(MemberExtraction, BadCrcLeavesTheMemberAndGivesZlibsText) {
  OwnedEntry e = MakeEntry(std::string(3000, 'c'), true);
  e.stored[e.stored.size() - 8] ^= 0xFF;  // the trailer's CRC-32
  std::vector<unsigned char> member = e.stored;
  qz::EntryWriteResult r = qz::WriteEntryFile(e.entry, u"C:\\bad.txt");
  EXPECT_EQ(r.kind, EntryWriteKind::decompressionFailed);
  EXPECT_EQ(r.errorText, u"C:\\bad.txt: incorrect data check");
  EXPECT_EQ(GetFile(u"C:\\bad.txt"), std::string(member.begin(), member.end()));
  EXPECT_FALSE(HostExists(TempName()));
}

TEST_F(MemberExtraction, FailuresOfEachStepGiveTheirTexts) {
  using win::faults::Op;
  OwnedEntry e = MakeEntry(std::string(3000, 'c'), true);
  // Opens in order: 1 the destination, 2 the gzip reader, 3 the temporary
  // file, 4 the source of the copy back. Writes: 1 the member, 2 the first
  // decompressed block.
  struct Case {
    Op op;
    uint64_t nth, times;
    EntryWriteKind kind;
    std::u16string text;
  } cases[] = {
      {Op::open, 1, 3, EntryWriteKind::openFailed, u""},  // every attempt of OpenForWriting
      {Op::write, 1, 1, EntryWriteKind::writeFailed, u""},
      {Op::close, 1, 1, EntryWriteKind::writeFailed, u""},
      {Op::open, 2, 1, EntryWriteKind::decompressionFailed, u"Could not open uncompression input file: \"C:\\f.txt\""},
      {Op::open, 3, 1, EntryWriteKind::decompressionFailed,
       u"Could not open uncompression output file: \"" + TempName() + u"\""},
      {Op::write, 2, 1, EntryWriteKind::decompressionFailed, u"uncompress(): failed fwrite"},
      {Op::read, 1, 1, EntryWriteKind::decompressionFailed, u"C:\\f.txt: read error"},
      {Op::open, 4, 1, EntryWriteKind::decompressionFailed,
       u"Trouble uncompressing file: \"C:\\f.txt\"\n    Disk full?  Permission problem?\nThis might be curable with fresh reboot."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win::WideToUtf8(c.text));
    win::faults::Reset();
    win::faults::FailNth(c.op, c.nth, win::FileErrorKind::diskFull, c.times);
    qz::EntryWriteResult r = qz::WriteEntryFile(e.entry, u"C:\\f.txt");
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.errorText, c.text);
    EXPECT_FALSE(HostExists(TempName()));
  }
}

}  // namespace
