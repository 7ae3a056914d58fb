#include "platform/win/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/machine.h"
#include "platform/win/environment.h"
#include "platform/win/journal.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;

class Process : public qztest::TempMachine {
 protected:
  void TearDown() override {
    EXPECT_EQ(OpenHandleCount(), handlesBefore_) << "a test left handles open";
    TempMachine::TearDown();
  }

  // A host shell script as a program of the machine.
  void PutScript(std::u16string_view path, const std::string& body) {
    PutFile(path, "#!/bin/sh\n" + body + "\n");
    ASSERT_EQ(::chmod(Host(path).c_str(), 0755), 0);
  }

  // A program that writes its directory and arguments, one a line, to
  // args.txt beside itself and exits with the given code.
  void PutRecorder(std::u16string_view path, int exitCode = 0) {
    PutScript(path, "printf '%s\\n' \"$PWD\" \"$QZ_CURRENT_DIRECTORY\" \"$@\" > \"$(dirname \"$0\")/args.txt\"\nexit " +
                        std::to_string(exitCode));
  }

  std::vector<std::string> RecordedLines(std::u16string_view folder) const {
    std::string text = GetFile(std::u16string(folder) + u"\\args.txt");
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  size_t handlesBefore_ = OpenHandleCount();
};

TEST(CommandLine, ArgumentsSplitAsTheRuntimeSplitsThem) {
  struct Case {
    std::u16string line;
    std::vector<std::u16string> args;
  } cases[] = {
      {u"prog a b", {u"prog", u"a", u"b"}},
      {u"\"C:\\Program Files\\x.exe\" /s", {u"C:\\Program Files\\x.exe", u"/s"}},
      {u"prog \"a b\" c", {u"prog", u"a b", u"c"}},
      {u"prog a\\\\\\\"b", {u"prog", u"a\\\"b"}},
      {u"prog \"a\\\\\" b", {u"prog", u"a\\", u"b"}},
      {u"prog a\\b\\ c", {u"prog", u"a\\b\\", u"c"}},
      {u"prog \"a \"\"quoted\"\" b\"", {u"prog", u"a \"quoted\" b"}},
      {u"prog   ", {u"prog"}},
      {u"prog \"\"", {u"prog", u""}},
      {u"C:\\dir\\prog.exe\"x\" y", {u"C:\\dir\\prog.exex", u"y"}},
      {u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.line));
    EXPECT_EQ(CommandLineToArguments(c.line), c.args);
  }
  ProgramItem item = SplitProgramItem(u"\"C:\\a b\\cmd.exe\"   /c dir \"x\"");
  EXPECT_EQ(item.program, u"C:\\a b\\cmd.exe");
  EXPECT_EQ(item.rest, u"/c dir \"x\"");
}

TEST_F(Process, StartAndWaitGivesTheExitCode) {
  for (int code : {0, 3, 7, 255}) {
    SCOPED_TRACE(code);
    std::u16string path = u"C:\\bin\\exit" + Utf8ToWide(std::to_string(code)) + u".exe";
    PutScript(path, "exit " + std::to_string(code));
    EXPECT_EQ(_wspawnl(_P_WAIT, path.c_str(), u"exit.exe", nullptr), code);
  }
  // The extension may be left out, as the runtime tries .com and .exe.
  EXPECT_EQ(_wspawnl(_P_WAIT, u"C:\\bin\\exit7", u"exit7", nullptr), 7);
}

TEST_F(Process, ArgumentsAreJoinedBySpacesAndSplitByTheProgram) {
  ASSERT_FALSE(CreateDirectory(u"C:\\work"));
  ASSERT_TRUE(SetCurrentDirectory(u"C:\\work"));
  PutRecorder(u"C:\\bin\\record.exe");
  EXPECT_EQ(_wspawnl(_P_WAIT, u"C:\\bin\\record.exe", u"record.exe", u"/s", u"C:\\dir x\\a.dll", u"\"C:\\dir y\\b.dll\"",
                     nullptr),
            0);
  EXPECT_EQ(RecordedLines(u"C:\\bin"), (std::vector<std::string>{root_ + "/drive_c/work", "C:\\work", "/s",
                                                                 "C:\\dir", "x\\a.dll", "C:\\dir y\\b.dll"}));
}

TEST_F(Process, ProgramsThatCannotStartGiveMinusOne) {
  PutFile(u"C:\\bin\\text.exe", "just text");
  PutFile(u"C:\\bin\\noexec.exe", "#!/bin/sh\nexit 0\n");
  ASSERT_FALSE(CreateDirectory(u"C:\\bin\\folder.exe"));
  struct Case {
    const char16_t* path;
    int error;
  } cases[] = {
      {u"C:\\bin\\missing.exe", ENOENT},
      {u"C:\\nowhere\\missing.exe", ENOENT},
      {u"C:\\bin\\text.exe", ENOEXEC},
      {u"C:\\bin\\noexec.exe", EACCES},
      {u"C:\\bin\\folder.exe", EACCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.path));
    errno = 0;
    EXPECT_EQ(_wspawnl(_P_WAIT, c.path, u"x.exe", u"/s", nullptr), -1);
    EXPECT_EQ(errno, c.error);
  }
  PutScript(u"C:\\bin\\ok.exe", "exit 0");
  EXPECT_EQ(_wspawnl(_P_NOWAIT, u"C:\\bin\\ok.exe", u"ok.exe", nullptr), -1);
  EXPECT_EQ(errno, EINVAL);
  faults::FailNth(faults::Op::processStart, 1, FileErrorKind::accessDenied);
  EXPECT_EQ(_wspawnl(_P_WAIT, u"C:\\bin\\ok.exe", u"ok.exe", nullptr), -1);
  EXPECT_EQ(_wspawnl(_P_WAIT, u"C:\\bin\\ok.exe", u"ok.exe", nullptr), 0);
}

TEST_F(Process, CreateProcessFindsTheProgramAsWindowsDoes) {
  PutRecorder(u"C:\\Program Files\\My Tool\\run me.exe", 5);
  ASSERT_FALSE(CreateDirectory(u"C:\\Program Files\\My Tool\\data"));
  std::u16string commandLine = u"C:\\Program Files\\My Tool\\run me.exe first \"second arg\"";
  STARTUPINFOW startup;
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             u"C:\\Program Files\\My Tool\\data", &startup, &info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 5u);
  EXPECT_TRUE(CloseHandle(info.hThread));
  EXPECT_TRUE(CloseHandle(info.hProcess));
  EXPECT_FALSE(CloseHandle(info.hProcess));
  // The program splits its own command line, unquoted path and all.
  EXPECT_EQ(RecordedLines(u"C:\\Program Files\\My Tool"),
            (std::vector<std::string>{root_ + "/drive_c/Program Files/My Tool/data",
                                      "C:\\Program Files\\My Tool\\data", "Files\\My", "Tool\\run", "me.exe", "first",
                                      "second arg"}));

  // A shorter run of words that names a program wins, as on Windows.
  PutRecorder(u"C:\\Program.exe");
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &info));
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  EXPECT_EQ(RecordedLines(u"C:\\").at(2), "Files\\My");
}

TEST_F(Process, CreateProcessFailuresSetTheLastError) {
  PutScript(u"C:\\bin\\ok.exe", "exit 0");
  STARTUPINFOW startup;
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  struct Case {
    std::u16string line;
    const char16_t* directory;
    DWORD error;
  } cases[] = {
      {u"C:\\bin\\missing.exe", nullptr, ERROR_FILE_NOT_FOUND},
      {u"\"C:\\bin\\ok.exe", u"C:\\no such folder", ERROR_DIRECTORY},
      {u"   ", nullptr, ERROR_INVALID_PARAMETER},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.line));
    SetLastError(0);
    EXPECT_FALSE(CreateProcessW(nullptr, c.line.data(), nullptr, nullptr, FALSE, 0, nullptr, c.directory, &startup,
                                &info));
    EXPECT_EQ(GetLastError(), c.error);
  }
  std::u16string line = u"C:\\bin\\ok.exe";
  EXPECT_FALSE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                              &startup, &info));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
  faults::FailNth(faults::Op::processStart, 1, FileErrorKind::generic);
  EXPECT_FALSE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_GEN_FAILURE));
}

TEST_F(Process, AWindowsProgramIsRecordedInTheJournal) {
  const std::u16string dir = u"C:\\Program Files\\Ombra\\QuendaZorvel";
  PutFile(dir + u"\\Zorvelx64.exe", "MZ placeholder for Zorvelx64.exe of Quenda Zorvel\r\n");
  std::u16string line = u"\"" + dir + u"\\Zorvelx64.exe\" -open x.asc";
  STARTUPINFOW startup;
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup, &info));
  DWORD code = 1;
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 0u);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::vector<JournalEntry> journal = ReadJournal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0].program, u"start");
  EXPECT_EQ(journal[0].arguments, dir + u"\\Zorvelx64.exe -open x.asc");
  EXPECT_EQ(journal[0].exitCode, 0);
  EXPECT_EQ(journal[0].directory, dir);
  EXPECT_EQ(journal[0].elevation, u"elevated");
  EXPECT_EQ(_wspawnl(_P_WAIT, (dir + u"\\Zorvelx64.exe").c_str(), u"Zorvelx64.exe", nullptr), 0);
  EXPECT_EQ(ReadJournal().size(), 2u);
}

TEST_F(Process, CommandProcessorRunsComspecWithSlashC) {
  PutRecorder(u"C:\\shell\\command.exe", 4);
  {
    qztest::ScopedEnv comspec("COMSPEC", "C:\\shell\\command.exe");
    EXPECT_NE(_wsystem(nullptr), 0);
    EXPECT_EQ(_wsystem(u"regsvr32.exe /s \"C:\\a b\\x.dll\""), 4);
    EXPECT_EQ(RecordedLines(u"C:\\shell"),
              (std::vector<std::string>{root_ + "/drive_c", "C:\\", "/c", "regsvr32.exe", "/s", "C:\\a b\\x.dll"}));
    EXPECT_EQ(win::system("\x80 \xe9t\xe9"), 4);  // 8-bit text is in the ANSI code page
    EXPECT_EQ(RecordedLines(u"C:\\shell").at(3), "\xe2\x82\xac");
    EXPECT_EQ(RecordedLines(u"C:\\shell").at(4), "\xc3\xa9t\xc3\xa9");
  }
  // Without COMSPEC the command processor of the system folder runs.
  qztest::ScopedEnv unset("COMSPEC", "");
  PutRecorder(u"C:\\windows\\system32\\cmd.exe", 6);
  EXPECT_EQ(win::system("anything"), 6);
  ASSERT_FALSE(RemoveFile(u"C:\\windows\\system32\\cmd.exe"));
  EXPECT_EQ(_wsystem(nullptr), 0);
  errno = 0;
  EXPECT_EQ(_wsystem(u"anything"), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(Process, ShortPathsAreTheLongPathsOfExistingFiles) {
  PutFile(u"C:\\Program Files\\Ombra\\ASCx64.dll", "MZ");
  char16_t buffer[260] = u"C:\\Program Files\\Ombra\\ascx64.DLL";
  DWORD n = GetShortPathNameW(buffer, buffer, 260);
  EXPECT_EQ(n, 33u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Program Files\\Ombra\\ascx64.DLL");
  char16_t small[10] = u"";
  EXPECT_EQ(GetShortPathNameW(u"C:\\Program Files", small, 10), 17u);
  EXPECT_EQ(small[0], u'\0');
  ASSERT_TRUE(SetCurrentDirectory(u"C:\\Program Files"));
  EXPECT_EQ(GetShortPathNameW(u"Ombra", buffer, 260), 5u);
  EXPECT_EQ(std::u16string(buffer), u"Ombra");
  EXPECT_EQ(GetShortPathNameW(u"C:\\Program Files\\Ombra\\ASYx64.dll", buffer, 260), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetShortPathNameW(u"C:\\Nowhere\\ASYx64.dll", buffer, 260), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(Process, EnvironmentCallsHaveWindowsShapes) {
  qztest::ScopedEnv set("QZ_TEST_VALUE", "abc");
  qztest::ScopedEnv empty("QZ_TEST_EMPTY", "");
  char16_t buffer[16];
  EXPECT_EQ(GetEnvironmentVariableW(u"QZ_TEST_VALUE", buffer, 16), 3u);
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(GetEnvironmentVariableW(u"QZ_TEST_VALUE", buffer, 3), 4u);
  EXPECT_EQ(GetEnvironmentVariableW(u"QZ_TEST_EMPTY", buffer, 16), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));
  EXPECT_EQ(ExpandEnvironmentStrings(u"%QZ_TEST_VALUE%\\x %NOT_SET_HERE% 100% %%"),
            u"abc\\x %NOT_SET_HERE% 100% %%");
  EXPECT_EQ(ExpandEnvironmentStringsW(u"%QZ_TEST_VALUE%", buffer, 16), 4u);
  EXPECT_EQ(std::u16string(buffer), u"abc");
}

}  // namespace
