#include "engine/install_worker.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/file_helpers.h"
#include "base/install_path.h"
#include "engine/architecture_rules.h"
#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "tests/support/temp_machine.h"
#include "tests/support/test_catalogue.h"

namespace {

TEST(JoinInstallPath, Examples) {
  struct Case {
    std::u16string dir, rel, out;
  } cases[] = {
      {u"C:\\Apps\\Product", u".\\lib\\cmp\\standard.cap", u"C:\\Apps\\Product\\lib\\cmp\\standard.cap"},
      {u"C:\\d", u"\\x", u"C:\\d\\x"},
      {u"C:\\d", u".\\x", u"C:\\d\\x"},
      {u"C:\\d\\", u".\\x", u"C:\\d\\x"},
      {u"", u".\\x", u".\\x"},
      {u"C:\\d", u"", u"C:\\d\\"},
      {u"C:\\d", u"Zorvelx64.exe", u"C:\\d\\Zorvelx64.exe"},
  };
  for (const Case& c : cases) EXPECT_EQ(qz::JoinInstallPath(c.dir, c.rel), c.out) << win::WideToUtf8(c.rel);
}

TEST(ArchitectureRules, Table) {
  // Columns: AMD64 with choice 0, 1, 2, then 32-bit Windows (any choice).
  struct Case {
    std::u16string path;
    bool skipped[4];
  } cases[] = {
      {u".\\Zorvelx86.exe", {false, true, false, false}},
      {u".\\Zorvelx64.exe", {true, false, false, true}},
      {u".\\ASCx86.dll", {true, true, true, false}},
      {u".\\ASCx64.DLL", {false, false, false, true}},
      {u".\\zvrepair.exe", {false, false, false, false}},
      {u".\\bin64\\tool.exe", {true, false, false, true}},
      {u".\\x86\\helper.dll", {true, true, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win::WideToUtf8(c.path));
    EXPECT_TRUE(qz::IsArchitectureSensitive(c.path));
    for (int choice = 0; choice < 3; ++choice) EXPECT_EQ(qz::SkipForArchitecture(c.path, choice, true), c.skipped[choice]);
    for (int choice = 0; choice < 3; ++choice) EXPECT_EQ(qz::SkipForArchitecture(c.path, choice, false), c.skipped[3]);
  }
  EXPECT_FALSE(qz::IsArchitectureSensitive(u".\\lib\\x64.txt"));
  EXPECT_FALSE(qz::IsArchitectureSensitive(u".\\lib.exe\\file"));
}

class InstallWorker : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    ::unsetenv("QZ_MACHINE_ARCH");
    catalogue_.Add(".\\ASCx64.dll", std::string(3000, 'a'));
    catalogue_.Add(".\\ASCx86.dll", std::string(3000, 'b'));
    catalogue_.Add(".\\lib\\sym\\ro.asy", "read-only symbol", false, true);
    catalogue_.Add(".\\lib\\sym\\rw.asy", std::string(2000, 's'));
    catalogue_.Add(".\\Zorvelx64.exe", std::string(5000, '6'));
    catalogue_.Add(".\\Zorvelx86.exe", std::string(5000, '8'));
    state_.targetDirectory = u"C:\\Program Files\\Ombra\\QuendaZorvel";
    state_.executableChoice = 1;
  }
  void TearDown() override {
    ::unsetenv("QZ_MACHINE_ARCH");
    TempMachine::TearDown();
  }
  std::u16string Dest(std::u16string_view rel) const { return qz::JoinInstallPath(state_.targetDirectory, rel); }
  void Run() { qz::RunInstallWorker(catalogue_.Catalogue(), state_); }

  qztest::TestCatalogue catalogue_;
  qz::InstallState state_;
};

TEST_F(InstallWorker, WritesTheCatalogueAndMarksReadOnlyEntries) {
  state_.targetDirectory += u"\\";  // a trailing backslash changes nothing
  PutFile(Dest(u".\\lib\\sym\\rw.asy"), "user's old copy");
  ASSERT_FALSE(win::SetReadOnly(Dest(u".\\lib\\sym\\rw.asy"), true));
  Run();
  EXPECT_TRUE(state_.InstallDone());
  EXPECT_EQ(GetFile(u"C:\\Program Files\\Ombra\\QuendaZorvel\\lib\\sym\\ro.asy"), "read-only symbol");
  EXPECT_TRUE(win::GetFileStatus(Dest(u".\\lib\\sym\\ro.asy"))->readOnly);
  EXPECT_FALSE(win::GetFileStatus(Dest(u".\\lib\\sym\\rw.asy"))->readOnly);
  EXPECT_EQ(GetFile(Dest(u".\\lib\\sym\\rw.asy")), std::string(2000, 's'));
  EXPECT_TRUE(qz::FileExists(Dest(u".\\Zorvelx64.exe")));
  EXPECT_FALSE(qz::FileExists(Dest(u".\\Zorvelx86.exe")));
  EXPECT_FALSE(qz::FileExists(Dest(u".\\ASCx86.dll")));
  EXPECT_EQ(state_.StatusText(), u"Extracting: .\\Zorvelx64.exe.gz\n");
  EXPECT_TRUE(MessageTexts().empty());
  // The two preview DLLs paused before their opens; the skipped one did not.
  EXPECT_EQ(Sleeps(), (std::vector<unsigned>{500}));
}

TEST_F(InstallWorker, ThirtyTwoBitWindowsGetsNoSixtyFourBitFiles) {
  ::setenv("QZ_MACHINE_ARCH", "x86", 1);
  state_.executableChoice = 2;
  Run();
  EXPECT_TRUE(qz::FileExists(Dest(u".\\Zorvelx86.exe")));
  EXPECT_TRUE(qz::FileExists(Dest(u".\\ASCx86.dll")));
  EXPECT_FALSE(qz::FileExists(Dest(u".\\Zorvelx64.exe")));
  EXPECT_FALSE(qz::FileExists(Dest(u".\\ASCx64.dll")));
}

TEST_F(InstallWorker, PreviewDllInUseIsReportedOnceAndSkipped) {
  PutFile(Dest(u".\\ASCx64.dll"), "old dll");
  win::File shell = win::File::Open(Dest(u".\\ASCx64.dll"), win::OpenMode::read, win::Share::denyWrite);
  ASSERT_TRUE(shell);
  Run();
  EXPECT_TRUE(state_.InstallDone());
  EXPECT_EQ(GetFile(Dest(u".\\ASCx64.dll")), "old dll");
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::u16string>{u"Trouble writing DLL previewer:\n    \"" + Dest(u".\\ASCx64.dll") +
                                         u"\".\nThis probably because it's being used by Windows Explorer.  Try "
                                         u"upating Quenda after a fresh reboot after this install."}));
  EXPECT_TRUE(qz::FileExists(Dest(u".\\Zorvelx64.exe")));
}

TEST_F(InstallWorker, FatalFailuresShowTheirMessageAndExitWithZero) {
  struct Case {
    const char* name;
    win::faults::Op op;
    uint64_t nth, times;
    std::string message;
  } cases[] = {
      {"open", win::faults::Op::open, 1, 3, "Trouble writing file \".*ASCx64.dll\"\\.\nThis might be a permission problem"},
      {"write", win::faults::Op::write, 1, 1, "Trouble writing file \".*ASCx64.dll\"\\."},
      {"gunzip", win::faults::Op::open, 2, 1, "Trouble writing: .*ASCx64.dll\nCould not open uncompression input file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    win::SetMessageBoxHandler(nullptr);  // the console prints the box on standard error
    EXPECT_EXIT(
        {
          win::faults::FailNth(c.op, c.nth, win::FileErrorKind::accessDenied, c.times);
          Run();
        },
        ::testing::ExitedWithCode(0), c.message);
  }
}

}  // namespace
