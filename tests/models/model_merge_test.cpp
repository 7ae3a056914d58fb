#include "models/model_merge.h"

#include <gtest/gtest.h>

#include "base/backup_before_sync.h"
#include "base/file_helpers.h"
#include "base/out_of_memory.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "tests/models/model_test_support.h"
#include "tests/support/temp_machine.h"

namespace {

using qzmodels::SplitCrLf;
using win::faults::Op;

constexpr std::u16string_view kInstalled = u"C:\\Program Files\\Quenda Zorvel\\lib\\cmp\\standard.bjt";
constexpr std::u16string_view kBackup = u"C:\\Program Files\\Quenda Zorvel\\lib\\cmp\\standard.bjt.bak";
constexpr std::u16string_view kShipped = u"C:\\users\\tmp\\tmp1";

class ModelMerge : public qztest::TempMachine {
 protected:
  // The installer's call: the installed library is also the output.
  bool Merge(const std::string& installed, const std::string& shipped) {
    PutFile(kInstalled, installed);
    PutFile(kShipped, shipped);
    return qz::MergeBjtLibrary(kInstalled, kShipped, kInstalled);
  }
  // The installed library's lines after the two header lines.
  std::vector<std::string> Body() const {
    std::vector<std::string> lines = SplitCrLf(GetFile(kInstalled));
    EXPECT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("* Quenda Zorvel BJT", 0), 0u);
    return std::vector<std::string>(lines.begin() + std::min<size_t>(2, lines.size()), lines.end());
  }
};

struct MergeCase {
  const char* what;
  std::string installed, shipped;
  std::vector<std::string> merged;
};

const MergeCase kMergeCases[] = {
    {"the user's models keep their places, new shipped models come last",
     ".model A NPN(BF=1)\r\n.model B NPN(BF=1)\r\n.model C NPN(BF=1)\r\n",
     ".model D NPN(BF=2)\r\n.model B NPN(BF=2)\r\n",
     {".model A NPN(BF=1)", ".model B NPN(BF=2)", ".model C NPN(BF=1)", ".model D NPN(BF=2)"}},
    {"names match without regard to case and take the shipped spelling",
     ".model q2n2222 NPN(BF=100)\r\n.model MINE PNP\r\n", ".model Q2N2222 NPN(BF=200)\r\n",
     {".model Q2N2222 NPN(BF=200)", ".model MINE PNP"}},
    {"only ASCII letters are folded", ".model \xC9 D\r\n", ".model \xE9 D\r\n", {".model \xC9 D", ".model \xE9 D"}},
    {"another device type is replaced all the same", ".model X1 NPN(BF=1)\r\n", ".model x1 D(Is=1n)\r\n",
     {".model x1 D(Is=1n)"}},
    {"a shipped library without models keeps the installed ones",
     "* mine\r\n.model A NPN(IS=1\r\n+ BF=2)\r\n", "* nothing here\r\n", {".model A NPN(IS=1 BF=2)"}},
    {"an installed library without models becomes the shipped ones", "", ".model B PNP\r\n.model A NPN\r\n",
     {".model B PNP", ".model A NPN"}},
    {"comments, layout and other statements of both libraries go",
     "* user\r\n.subckt X 1 2\r\nR1 1 2 1k\r\n.ends\r\n.model A NPN(IS=1 ; old\r\n+ BF=2)\r\n",
     ".param P=1\r\n.model B NPN ; new\r\n* end\r\n",
     {".model A NPN(IS=1 BF=2)", ".model B NPN ; new"}},
    {"a shipped model without name is always appended", ".model\r\n.model A NPN\r\n", ".model\r\n",
     {".model", ".model A NPN", ".model"}},
    {"of an installed name given twice only the first is replaced",
     ".model A NPN(BF=1)\r\n.model B NPN\r\n.model a NPN(BF=3)\r\n", ".model A NPN(BF=9)\r\n",
     {".model A NPN(BF=9)", ".model B NPN", ".model a NPN(BF=3)"}},
    {"a name given twice by the shipped library ends with its last statement at the first's place",
     ".model B NPN\r\n", ".model A NPN(BF=1)\r\n.model C NPN\r\n.model a NPN(BF=2)\r\n",
     {".model B NPN", ".model a NPN(BF=2)", ".model C NPN"}},
};

TEST_F(ModelMerge, MergedLibraries) {
  for (const MergeCase& c : kMergeCases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Merge(c.installed, c.shipped));
    EXPECT_EQ(Body(), c.merged);
    EXPECT_EQ(GetFile(kBackup), c.installed);
  }
}

TEST_F(ModelMerge, EachKindWritesItsOwnLibrary) {
  struct Kind {
    bool (*merge)(std::u16string_view, std::u16string_view, std::u16string_view);
    std::string header;
  } kinds[] = {
      {qz::MergeBjtLibrary, "* Quenda Zorvel BJT model library"},
      {qz::MergeMosfetLibrary, "* Quenda Zorvel MOSFET model library"},
      {qz::MergeJfetLibrary, "* Quenda Zorvel JFET model library"},
      {qz::MergeDiodeLibrary, "* Quenda Zorvel diode model library"},
  };
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.header);
    PutFile(kInstalled, ".model A NPN\r\n");
    PutFile(kShipped, ".model a D\r\n");
    ASSERT_TRUE(k.merge(kInstalled, kShipped, kInstalled));
    std::vector<std::string> lines = SplitCrLf(GetFile(kInstalled));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind(k.header, 0), 0u);
    EXPECT_EQ(lines[2], ".model a D");
  }
}

TEST_F(ModelMerge, AnotherOutputLeavesTheInstalledLibrary) {
  PutFile(kInstalled, ".model A NPN\r\n");
  PutFile(kShipped, ".model B NPN\r\n");
  ASSERT_TRUE(qz::MergeBjtLibrary(u"C:\\out.bjt", kShipped, kInstalled));
  EXPECT_EQ(GetFile(kInstalled), ".model A NPN\r\n");
  EXPECT_EQ(SplitCrLf(GetFile(u"C:\\out.bjt")).back(), ".model B NPN");
}

TEST_F(ModelMerge, ReadOnlyLibraryAndBackupAreReplaced) {
  PutFile(kBackup, "an earlier release's backup");
  ASSERT_FALSE(win::SetReadOnly(kBackup, true));
  PutFile(kInstalled, "* mine\r\n.model A NPN\r\n");
  ASSERT_FALSE(win::SetReadOnly(kInstalled, true));
  PutFile(kShipped, ".model B NPN\r\n");
  ASSERT_TRUE(qz::MergeBjtLibrary(kInstalled, kShipped, kInstalled));
  EXPECT_EQ(GetFile(kBackup), "* mine\r\n.model A NPN\r\n");
  EXPECT_EQ(Body(), (std::vector<std::string>{".model A NPN", ".model B NPN"}));
}

TEST_F(ModelMerge, FailuresLeaveTheInstalledLibraryUnchanged) {
  const std::string library = "* mine\r\n.model A NPN\r\n";
  struct Case {
    const char* what;
    std::u16string output, shipped, installed;
    bool backedUp;
  } cases[] = {
      {"no output path", u"", std::u16string(kShipped), std::u16string(kInstalled), false},
      {"no shipped path", std::u16string(kInstalled), u"", std::u16string(kInstalled), false},
      {"no installed path", std::u16string(kInstalled), std::u16string(kShipped), u"", false},
      {"no installed library", u"C:\\out.bjt", std::u16string(kShipped), u"C:\\missing.bjt", false},
      {"a folder in the installed library's place", u"C:\\out.bjt", std::u16string(kShipped), u"C:\\users", false},
      {"no shipped library", std::u16string(kInstalled), u"C:\\missing", std::u16string(kInstalled), true},
      {"an output that cannot be written", u"C:\\no\\such\\folder\\out.bjt", std::u16string(kShipped),
       std::u16string(kInstalled), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutFile(kInstalled, library);
    PutFile(kShipped, ".model B NPN\r\n");
    (void)win::RemoveFile(kBackup);
    EXPECT_FALSE(qz::MergeBjtLibrary(c.output, c.shipped, c.installed));
    EXPECT_EQ(GetFile(kInstalled), library);
    EXPECT_EQ(HostExists(kBackup), c.backedUp);
    EXPECT_FALSE(HostExists(u"C:\\out.bjt"));
  }
}

// A damaged library written over the installed one would be copied over
// the good backup by the next update, and the user's models lost for good.
TEST_F(ModelMerge, AFailedReadOrWriteKeepsTheUsersModels) {
  std::string library;
  for (int i = 0; i < 5000; ++i) library += ".model USER" + std::to_string(i) + " NPN(BF=100)\r\n";
  // What the backup at the start of the merge does, so that the fault
  // hits the merge's own read or write.
  struct BackupOps {
    uint64_t reads, closes, bytes;
  };
  struct Case {
    const char* what;
    void (*arm)(const BackupOps&);
  } cases[] = {
      {"a read error inside the installed library",
       [](const BackupOps& b) { win::faults::FailNth(Op::read, b.reads + 2, win::FileErrorKind::hardIO); }},
      {"a read error inside the shipped library",
       [](const BackupOps& b) { win::faults::FailNth(Op::read, b.reads + 4, win::FileErrorKind::hardIO); }},
      {"a write that falls short", [](const BackupOps& b) { win::faults::ShortWritesAfter(b.bytes + 4096); }},
      {"a failed close",
       [](const BackupOps& b) { win::faults::FailNth(Op::close, b.closes + 1, win::FileErrorKind::diskFull); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutFile(kInstalled, library);
    PutFile(kShipped, library + ".model NEW NPN\r\n");
    win::faults::Reset();
    qz::BackupBeforeSync(kInstalled);
    BackupOps backup{win::faults::Count(Op::read), win::faults::Count(Op::close), library.size()};
    win::faults::Reset();
    c.arm(backup);
    EXPECT_FALSE(qz::MergeBjtLibrary(kInstalled, kShipped, kInstalled));
    win::faults::Reset();
    EXPECT_TRUE(GetFile(kInstalled) == library);
    EXPECT_TRUE(GetFile(kBackup) == library);
    // The next update starts from the intact library.
    ASSERT_TRUE(qz::MergeBjtLibrary(kInstalled, kShipped, kInstalled));
    EXPECT_EQ(Body().size(), 5001u);
  }
}

TEST_F(ModelMerge, ABackupThatFailsOnceIsTriedAgainFiveSecondsLater) {
  PutFile(kInstalled, ".model A NPN\r\n");
  PutFile(kShipped, ".model B NPN\r\n");
  // The backup's destination, also after its read-only attribute is cleared.
  win::faults::FailNth(Op::open, 2, win::FileErrorKind::sharingViolation, 2);
  ASSERT_TRUE(qz::MergeBjtLibrary(kInstalled, kShipped, kInstalled));
  EXPECT_EQ(Sleeps(), std::vector<unsigned>{5000});
  EXPECT_EQ(GetFile(kBackup), ".model A NPN\r\n");
  EXPECT_TRUE(Messages().empty());
}

// The merge goes no further once the backup has failed twice: the user is
// told, and the caller (the install worker) ends the installation.
TEST_F(ModelMerge, ABackupThatFailsTwiceAbortsTheSync) {
  PutFile(kInstalled, ".model A NPN\r\n");
  PutFile(kShipped, ".model B NPN\r\n");
  win::faults::FailNth(Op::open, 1, win::FileErrorKind::sharingViolation, 100);
  EXPECT_THROW(qz::MergeBjtLibrary(kInstalled, kShipped, kInstalled), qz::ReleaseSyncAborted);
  EXPECT_EQ(Sleeps(), std::vector<unsigned>{5000});
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{
                                u"Trouble backing up C:\\Program Files\\Quenda Zorvel\\lib\\cmp\\standard.bjt\nas "
                                u"C:\\Program Files\\Quenda Zorvel\\lib\\cmp\\standard.bjt.bak\n\nRelease sync aborted."});
  win::faults::Reset();
  EXPECT_EQ(GetFile(kInstalled), ".model A NPN\r\n");
}

TEST_F(ModelMerge, NothingToBackUpIsNoFailure) {
  qz::BackupBeforeSync(u"");
  qz::BackupBeforeSync(u"C:\\missing.bjt");
  qz::BackupBeforeSync(u"C:\\users");
  EXPECT_FALSE(HostExists(u"C:\\missing.bjt.bak"));
  EXPECT_FALSE(HostExists(u"C:\\users.bak"));
  EXPECT_TRUE(Messages().empty());
}

TEST(OutOfMemory, EndsTheProcessWithStatusMinusOne) {
  EXPECT_EXIT(
      {
        win::SetMessageBoxHandler(win::ConsoleMessageBox);
        qz::ExitIfOutOfMemory([]() -> bool { throw std::bad_alloc(); });
      },
      ::testing::ExitedWithCode(255), "Out of Memory!");
}

}  // namespace
