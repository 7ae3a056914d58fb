// qzdb's model library kinds, run as the command a release engineer types.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/models/model_test_support.h"
#include "tests/support/qzdb_run.h"

namespace {

using qzmodels::SplitCrLf;

using Outcome = qztest::QzdbOutcome;

class QzdbModels : public qztest::QzdbRun {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    Put("standard.BJT", "* mine\r\n.model MINE NPN(BF=1)\r\n.model Q1 NPN(BF=1)\r\n");
    Put("shipped.tmp", ".model q1 NPN(BF=2)\r\n.model NEW PNP\r\n");
  }
};

TEST_F(QzdbModels, MergeFollowsTheExtensionOfTheInstalledLibrary) {
  Outcome run = Qzdb("merge merged.bjt shipped.tmp standard.BJT");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> lines = SplitCrLf(qztest::ReadHostFile(HostFile("merged.bjt")));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].rfind("* Quenda Zorvel BJT model library", 0), 0u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
            (std::vector<std::string>{".model MINE NPN(BF=1)", ".model q1 NPN(BF=2)", ".model NEW PNP"}));
  EXPECT_EQ(qztest::ReadHostFile(HostFile("standard.BJT.bak")), qztest::ReadHostFile(HostFile("standard.BJT")));
}

TEST_F(QzdbModels, MergeOfAGivenKind) {
  Put("library.txt", ".model D1 D\r\n");
  Outcome run = Qzdb("merge --kind DIO library.txt shipped.tmp library.txt");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> lines = SplitCrLf(qztest::ReadHostFile(HostFile("library.txt")));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].rfind("* Quenda Zorvel diode model library", 0), 0u);
}

TEST_F(QzdbModels, ExitStatusOfFailuresAndUsageErrors) {
  struct Case {
    const char* arguments;
    int status;
    const char* message;
  } cases[] = {
      {"merge merged.bjt shipped.tmp missing.bjt", 1, "qzdb: missing.bjt is not a file that can be read"},
      {"merge merged.bjt missing.tmp standard.BJT", 1, "qzdb: missing.tmp is not a file that can be read"},
      {"merge merged.bjt shipped.tmp shipped.tmp", 2, "qzdb: unknown kind 'tmp': name it with --kind"},
      {"merge merged.bjt shipped.tmp standard", 2, "qzdb: standard has no extension: name its kind with --kind"},
      {"merge --kind xyz merged.bjt shipped.tmp standard.BJT", 2, "qzdb: unknown kind 'xyz': the kinds are bjt,"},
      {"merge merged.bjt standard.BJT", 2, "usage: qzdb merge [--kind KIND] OUTPUT SHIPPED INSTALLED"},
      {"dump --installer standard.BJT", 2, "usage: qzdb merge"},
      {"dump", 2, "usage: qzdb merge"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    Outcome run = Qzdb(c.arguments);
    EXPECT_EQ(run.exitCode, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(HostFile("merged.bjt")));
  }
}

TEST_F(QzdbModels, DumpPrintsNameTabStatement) {
  Put("lib.jft", "* jfets\r\n.model J1 NJF(Beta=1m\r\n+ Vto=-2)\r\n.model\r\n");
  Outcome run = Qzdb("dump lib.jft");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "J1\t.model J1 NJF(Beta=1m Vto=-2)\n\t.model\n");
  run = Qzdb("dump --csv lib.jft");
  EXPECT_EQ(run.out, "name,statement\n\"J1\",\".model J1 NJF(Beta=1m Vto=-2)\"\n\"\",\".model\"\n");
}

TEST_F(QzdbModels, DumpOfAnUnreadableFileSaysSo) {
  Outcome run = Qzdb("dump missing.mos");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "qzdb: cannot read the model library " + HostFile("missing.mos") + "\n");
}

TEST_F(QzdbModels, HelpSaysWhatItIsFor) {
  Outcome run = Qzdb("--help");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("bjt, mos, jft, dio"), std::string::npos);
  EXPECT_NE(run.out.find("release sync"), std::string::npos);
  for (const char* text : {"qzdb merge --installer [--kind KIND]", "qzdb dump [--csv] [--kind KIND] FILE",
                           "0 done; 1 the merge failed", "2 a usage error", "3 the release sync was aborted"})
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
}

// Bad input gets a message and status 1, and OUTPUT stays as it was (or
// absent). A truncated library is not among them: cut at a line end it is a
// shorter library, cut inside a statement it still reads as one.
TEST_F(QzdbModels, BadInputSaysWhyAndLeavesTheOutputAsItWas) {
  const std::string mine = qztest::ReadHostFile(HostFile("standard.BJT"));
  std::string binary(600, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = char((i * 7919) >> 3);
  Put("random.bjt", binary);
  Put("capacitors.cap", std::string("\x01\x00\xFF\xFF\x01\x00\x0D\x00" "CCapacitorRec", 21));
  std::filesystem::create_directories(HostFile("folder.bjt"));
  struct Case {
    const char* arguments;
    const char* environment;
    const char* message;
  } cases[] = {
      {"dump random.bjt", "", "random.bjt holds no .model statement"},
      {"dump --kind bjt capacitors.cap", "", "capacitors.cap holds no .model statement"},
      {"dump folder.bjt", "", "cannot read the model library"},
      {"dump standard.BJT", "QZ_FAULT_FAIL=read:1", "cannot read the model library"},
      {"merge out.bjt random.bjt standard.BJT", "", "random.bjt is not a BJT model library"},
      {"merge out.bjt folder.bjt standard.BJT", "", "folder.bjt is not a file that can be read"},
      {"merge out.bjt shipped.tmp folder.bjt", "", "folder.bjt is not a file that can be read"},
      {"merge standard.BJT shipped.tmp standard.BJT", "QZ_FAULT_FAIL=write:2", "standard.BJT is unchanged"},
      {"merge folder.bjt shipped.tmp standard.BJT", "", "cannot replace folder.bjt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.environment) + " " + c.arguments);
    std::filesystem::remove(HostFile("standard.BJT.bak"));
    Outcome run = Qzdb(c.arguments, c.environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(qztest::ReadHostFile(HostFile("standard.BJT")), mine);
    EXPECT_FALSE(std::filesystem::exists(HostFile("out.bjt")));
    EXPECT_TRUE(std::filesystem::is_empty(HostFile("folder.bjt")));
  }
}

// The loss that the installer's merge allows, and the guard refuses: after a
// crash left an empty library, an update backs the empty file up over the
// user's last good backup.
TEST_F(QzdbModels, AnEmptyLibraryCostsTheBackupOnlyInInstallerMode) {
  const std::string mine = qztest::ReadHostFile(HostFile("standard.BJT"));
  Put("standard.BJT.bak", mine);
  Put("standard.BJT", "");
  Outcome run = Qzdb("merge standard.BJT shipped.tmp standard.BJT");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("standard.BJT.bak is in the way"), std::string::npos) << run.err;
  EXPECT_EQ(qztest::ReadHostFile(HostFile("standard.BJT.bak")), mine);
  EXPECT_EQ(qztest::ReadHostFile(HostFile("standard.BJT")), "");

  run = Qzdb("merge --installer standard.BJT shipped.tmp standard.BJT");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(qztest::ReadHostFile(HostFile("standard.BJT.bak")), "");
  EXPECT_NE(qztest::ReadHostFile(HostFile("standard.BJT")).find(".model NEW PNP"), std::string::npos);
}

}  // namespace
