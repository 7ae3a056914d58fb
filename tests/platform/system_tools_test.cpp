#include "platform/host/system_tools.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "platform/win/journal.h"
#include "platform/win/process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;

const std::u16string kRegsvr32 = u"C:\\windows\\system32\\regsvr32.exe";
const std::u16string kProduct = u"C:\\Program Files\\Ombra\\QuendaZorvel";

class SystemTools : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    PutFile(kProduct + u"\\ASCx64.dll", "MZ placeholder");
    PutFile(kProduct + u"\\Zorvelx64.exe", "MZ placeholder for Zorvelx64.exe of Quenda Zorvel\r\n");
  }

  // The journal's lines as "program|arguments|exit code|directory|elevation".
  static std::vector<std::string> Journal() {
    std::vector<std::string> lines;
    for (const JournalEntry& e : ReadJournal())
      lines.push_back(WideToUtf8(e.program + u"|" + e.arguments + u"|") + std::to_string(e.exitCode) + "|" +
                      WideToUtf8(e.directory + u"|" + e.elevation));
    return lines;
  }
};

TEST_F(SystemTools, FreshMachineHasTheStandIns) {
  for (const char16_t* tool : {u"cmd", u"regsvr32", u"runas"}) {
    std::string text = GetFile(u"C:\\windows\\system32\\" + std::u16string(tool) + u".exe");
    EXPECT_EQ(SystemToolOfStandIn(text), WideToUtf8(tool));
  }
  EXPECT_EQ(SystemToolOfStandIn("MZ placeholder"), std::nullopt);
  EXPECT_FALSE(SystemToolsProgram().empty());
}

TEST_F(SystemTools, Regsvr32SucceedsForAnExistingDll) {
  const std::u16string dll = kProduct + u"\\ASCx64.dll";
  const std::u16string quoted = u"\"" + dll + u"\"";
  struct Case {
    std::vector<const char16_t*> args;
    int exitCode;
    std::string journal;
  } cases[] = {
      {{u"/s", quoted.c_str()}, 0, "regsvr32|/s \"" + WideToUtf8(dll) + "\"|0|C:\\|elevated"},
      {{u"/s", u"/u", quoted.c_str()}, 0, "regsvr32|/s /u \"" + WideToUtf8(dll) + "\"|0|C:\\|elevated"},
      {{u"/s", dll.c_str()}, 3, "regsvr32|/s " + WideToUtf8(dll) + "|3|C:\\|elevated"},  // split at the space
      {{u"/s", u"C:\\missing.dll"}, 3, "regsvr32|/s C:\\missing.dll|3|C:\\|elevated"},
      {{u"/s", u""}, 1, "regsvr32|/s |1|C:\\|elevated"},  // no DLL at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.journal);
    std::remove(JournalPath().c_str());
    std::vector<const char16_t*> argv = {u"regsvr32.exe"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    argv.push_back(nullptr);
    EXPECT_EQ(_wspawnv(_P_WAIT, kRegsvr32.c_str(), argv.data()), c.exitCode);
    EXPECT_EQ(Journal(), std::vector<std::string>{c.journal});
  }
}

TEST_F(SystemTools, CommandProcessorRunsRegsvr32ByName) {
  ASSERT_TRUE(SetCurrentDirectory(kProduct));
  EXPECT_EQ(win::system(("regsvr32.exe /s \"" + WideToUtf8(kProduct) + "\\ASCx64.dll\"").c_str()), 0);
  EXPECT_EQ(win::system("regsvr32 /s ASCx64.dll"), 0);  // found in system32, the DLL in the current directory
  EXPECT_EQ(win::system("regsvr32.exe /s ASYx64.dll"), 3);
  std::string dir = WideToUtf8(kProduct);
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "regsvr32|/s \"" + dir + "\\ASCx64.dll\"|0|" + dir + "|elevated",
                           "cmd|/c regsvr32.exe /s \"" + dir + "\\ASCx64.dll\"|0|" + dir + "|elevated",
                           "regsvr32|/s ASCx64.dll|0|" + dir + "|elevated",
                           "cmd|/c regsvr32 /s ASCx64.dll|0|" + dir + "|elevated",
                           "regsvr32|/s ASYx64.dll|3|" + dir + "|elevated",
                           "cmd|/c regsvr32.exe /s ASYx64.dll|3|" + dir + "|elevated",
                       }));
}

TEST_F(SystemTools, CommandProcessorWorksWithoutComspec) {
  qztest::ScopedEnv unset("COMSPEC", "");
  EXPECT_EQ(win::system(("regsvr32.exe /s " + WideToUtf8(kProduct) + "\\ASCx64.dll").c_str()), 3);  // unquoted space
  EXPECT_EQ(Journal().size(), 2u);
}

TEST_F(SystemTools, CommandProcessorRefusesWhatItCannotRun) {
  struct Case {
    const char16_t* command;
    int exitCode;
  } cases[] = {
      {u"nosuchprogram /x", 1},
      {u"regsvr32.exe /s a.dll & del x", 1},
      {u"regsvr32.exe /s a.dll > out.txt", 1},
      {u"regsvr32.exe /s \"a&b.dll\"", 3},  // quoted operators are text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.command));
    EXPECT_EQ(_wsystem(c.command), c.exitCode);
  }
  // cmd without /c has nothing to do here.
  EXPECT_EQ(_wspawnl(_P_WAIT, u"C:\\windows\\system32\\cmd.exe", u"cmd.exe", u"/k", u"dir", nullptr), 1);
}

TEST_F(SystemTools, RunasStartsTheProductWithoutElevation) {
  const std::u16string exe = kProduct + u"\\Zorvelx64.exe";
  std::u16string command = u"runas /trustlevel:0x20000 \"" + exe + u"\"";
  EXPECT_EQ(_wsystem(command.c_str()), 0);
  std::string path = WideToUtf8(exe);
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "start|" + path + "|0|C:\\|not elevated",
                           "runas|/trustlevel:0x20000 \"" + path + "\"|0|C:\\|elevated",
                           "cmd|/c runas /trustlevel:0x20000 \"" + path + "\"|0|C:\\|elevated",
                       }));
}

TEST_F(SystemTools, RunasRefusesOtherUsesClearly) {
  const std::u16string exe = u"\"" + kProduct + u"\\Zorvelx64.exe\"";
  struct Case {
    std::u16string arguments;
    int exitCode;
  } cases[] = {
      {u"/trustlevel:0x40000 " + exe, 1},
      {u"/user:Administrator " + exe, 1},
      {u"/trustlevel:0x20000", 1},
      {u"/trustlevel:0x20000 \"C:\\missing.exe\"", 1},
      {u"/showtrustlevels", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.arguments));
    std::u16string line = u"runas.exe " + c.arguments;
    EXPECT_EQ(_wspawnl(_P_WAIT, u"C:\\windows\\system32\\runas.exe", line.c_str(), nullptr), c.exitCode);
  }
  EXPECT_EQ(ReadJournal().size(), 5u);
}

TEST_F(SystemTools, AMissingHostProgramMeansTheToolCannotStart) {
  qztest::ScopedEnv missing("QZ_SYSTEM_TOOLS", "/nonexistent/qzsystemtools");
  EXPECT_EQ(SystemToolsProgram(), "");
  EXPECT_EQ(_wspawnl(_P_WAIT, kRegsvr32.c_str(), u"regsvr32.exe", u"/s", u"x.dll", nullptr), -1);
  EXPECT_EQ(win::system("regsvr32.exe /s x.dll"), -1);
}

}  // namespace
