#include "desktop/preview_handlers.h"

#include <gtest/gtest.h>

#include "engine/member_extraction.h"
#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "platform/win/runtime.h"
#include "tests/desktop/desktop_machine.h"

namespace {

using qztest::kProductDir;
using qztest::U8;

const std::u16string kPlainDir = u"C:\\Quenda";

class PreviewHandlers : public qztest::DesktopMachine {
 protected:
  void InstallDlls(const std::u16string& directory, std::initializer_list<const char16_t*> names) {
    UseInstallation(directory, 1);
    for (const char16_t* name : names) PutFile(directory + u"\\" + name, "MZ preview handler");
  }
};

TEST_F(PreviewHandlers, On64BitWindowsTheX64PairIsRegisteredDirectly) {
  InstallDlls(kPlainDir, {u"ASCx64.dll", u"ASYx64.dll"});
  qz::RegisterPreviewHandlers();
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "regsvr32|/s C:\\Quenda\\ASCx64.dll|0|C:\\",
                           "regsvr32|/s C:\\Quenda\\ASYx64.dll|0|C:\\",
                       }));
}

TEST_F(PreviewHandlers, On32BitWindowsTheFailedDirectRunsFallBackToTheX86Pair) {
  UseArchitecture("x86");
  InstallDlls(kPlainDir, {u"ASCx86.dll", u"ASYx86.dll"});
  qz::RegisterPreviewHandlers();
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "regsvr32|/s |1|C:\\",  // the absent x64 DLLs have no short path
                           "regsvr32|/s |1|C:\\",
                           "regsvr32|/s C:\\Quenda\\ASCx86.dll|0|C:\\",
                           "cmd|/c regsvr32.exe /s C:\\Quenda\\ASCx86.dll|0|C:\\",
                           "regsvr32|/s C:\\Quenda\\ASYx86.dll|0|C:\\",
                           "cmd|/c regsvr32.exe /s C:\\Quenda\\ASYx86.dll|0|C:\\",
                       }));
}

TEST_F(PreviewHandlers, OneFailedDirectRunSendsThePairThroughTheCommandProcessor) {
  InstallDlls(kPlainDir, {u"ASCx64.dll"});  // ASYx64.dll missing
  qz::RegisterPreviewHandlers();
  std::vector<std::string> journal = Journal();
  ASSERT_EQ(journal.size(), 6u);
  EXPECT_EQ(journal[0], "regsvr32|/s C:\\Quenda\\ASCx64.dll|0|C:\\");
  EXPECT_EQ(journal[1], "regsvr32|/s |1|C:\\");
  EXPECT_EQ(journal[3], "cmd|/c regsvr32.exe /s C:\\Quenda\\ASCx64.dll|0|C:\\");
  EXPECT_EQ(journal[5], "cmd|/c regsvr32.exe /s |1|C:\\");  // no short path: no DLL named

  // A direct start that cannot start at all counts as a failure too.
  std::remove(win::JournalPath().c_str());
  InstallDlls(kPlainDir, {u"ASYx64.dll"});
  win::faults::FailNth(win::faults::Op::processStart, 1, win::FileErrorKind::accessDenied);
  qz::RegisterPreviewHandlers();
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "regsvr32|/s C:\\Quenda\\ASYx64.dll|0|C:\\",
                           "regsvr32|/s C:\\Quenda\\ASCx64.dll|0|C:\\",
                           "cmd|/c regsvr32.exe /s C:\\Quenda\\ASCx64.dll|0|C:\\",
                           "regsvr32|/s C:\\Quenda\\ASYx64.dll|0|C:\\",
                           "cmd|/c regsvr32.exe /s C:\\Quenda\\ASYx64.dll|0|C:\\",
                       }));
}

TEST_F(PreviewHandlers, WithoutRegsvr32BesideComspecOnlyTheCommandProcessorIsUsed) {
  InstallDlls(kPlainDir, {u"ASCx64.dll", u"ASYx64.dll"});
  // Command processors where COMSPEC points, without a regsvr32 beside them.
  const std::string standIn = GetFile(u"C:\\windows\\system32\\cmd.exe");
  PutFile(u"C:\\cmd.exe", standIn);
  PutFile(u"C:\\Tools\\cmd.exe", standIn);
  for (const char* comspec : {"", "cmd.exe", "C:\\Tools\\cmd.exe"}) {
    SCOPED_TRACE(comspec);
    std::remove(win::JournalPath().c_str());
    SetEnv("COMSPEC", comspec);
    qz::RegisterPreviewHandlers();
    qz::UnregisterServerDll(kPlainDir + u"\\ASCx64.dll");
    EXPECT_EQ(Journal(), (std::vector<std::string>{
                             "regsvr32|/s C:\\Quenda\\ASCx64.dll|0|C:\\",
                             "cmd|/c regsvr32.exe /s C:\\Quenda\\ASCx64.dll|0|C:\\",
                             "regsvr32|/s C:\\Quenda\\ASYx64.dll|0|C:\\",
                             "cmd|/c regsvr32.exe /s C:\\Quenda\\ASYx64.dll|0|C:\\",
                             "regsvr32|/s /u C:\\Quenda\\ASCx64.dll|0|C:\\",
                             "cmd|/c regsvr32.exe /s /u C:\\Quenda\\ASCx64.dll|0|C:\\",
                         }));
  }
}

TEST_F(PreviewHandlers, APathWithSpacesIsQuoted) {
  InstallDlls(kProductDir, {u"ASCx64.dll", u"ASYx64.dll"});
  const std::string dir = U8(kProductDir);
  qz::RegisterPreviewHandlers();
  qz::UnregisterServerDll(kProductDir + u"\\ASYx64.dll");
  SetEnv("COMSPEC", "");
  qz::RegisterPreviewHandlersByShell();
  qz::UnregisterServerDll(kProductDir + u"\\ASYx64.dll");
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "regsvr32|/s \"" + dir + "\\ASCx64.dll\"|0|C:\\",
                           "regsvr32|/s \"" + dir + "\\ASYx64.dll\"|0|C:\\",
                           "regsvr32|/s /u \"" + dir + "\\ASYx64.dll\"|0|C:\\",
                           "regsvr32|/s \"" + dir + "\\ASCx64.dll\"|0|C:\\",
                           "cmd|/c regsvr32.exe /s \"" + dir + "\\ASCx64.dll\"|0|C:\\",
                           "regsvr32|/s \"" + dir + "\\ASYx64.dll\"|0|C:\\",
                           "cmd|/c regsvr32.exe /s \"" + dir + "\\ASYx64.dll\"|0|C:\\",
                           "regsvr32|/s /u \"" + dir + "\\ASYx64.dll\"|0|C:\\",
                           "cmd|/c regsvr32.exe /s /u \"" + dir + "\\ASYx64.dll\"|0|C:\\",
                       }));
  EXPECT_TRUE(MessageTexts().empty());
}

// The stored bytes of a plain (not compressed) catalogue entry.
struct PlainEntry {
  std::string content;
  qz::PayloadEntry entry{};
  explicit PlainEntry(std::string text) : content(std::move(text)) {
    entry = {".\\ASYx64.dll", 0, uint32_t(content.size()), 0, 0,
             reinterpret_cast<const unsigned char*>(content.data())};
  }
};

TEST_F(PreviewHandlers, OverwritingAnInstalledDllUnregistersItBeforeThePauseAndTheOpen) {
  const std::u16string dll = kProductDir + u"\\ASYx64.dll";
  PutFile(dll, "old DLL");
  struct AtPause {
    unsigned milliseconds;
    std::vector<std::string> journal;
    std::string content;
  };
  std::vector<AtPause> pauses;
  win::SetSleepHook([&](unsigned ms) { pauses.push_back({ms, Journal(), GetFile(dll)}); });

  PlainEntry entry("new DLL");
  EXPECT_EQ(qz::WriteEntryFile(entry.entry, dll, qz::UnregisterServerDll).kind, qz::EntryWriteKind::written);

  ASSERT_EQ(pauses.size(), 1u);
  EXPECT_EQ(pauses[0].milliseconds, 500u);
  EXPECT_EQ(pauses[0].journal, std::vector<std::string>{"regsvr32|/s /u \"" + U8(dll) + "\"|0|C:\\"});
  EXPECT_EQ(pauses[0].content, "old DLL");
  EXPECT_EQ(GetFile(dll), "new DLL");
}

TEST_F(PreviewHandlers, OnlyAbsoluteDllPathsAreUnregistered) {
  ASSERT_TRUE(win::SetCurrentDirectory(u"C:\\"));
  struct Case {
    std::u16string path;
    std::vector<std::string> journal;
  } cases[] = {
      {u"Quenda\\ASCX64.DLL", {}},                         // relative: the open only
      {u"C:\\Fresh\\ASCx64.dll", {"regsvr32|/s /u |1|C:\\"}},  // not there yet: an empty argument, silently failing
      {u"\\Quenda\\ASYx64.Dll", {"regsvr32|/s /u \\Quenda\\ASYx64.Dll|0|C:\\"}},
  };
  PutFile(u"C:\\Quenda\\ASYx64.Dll", "installed");
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.path));
    std::remove(win::JournalPath().c_str());
    const size_t pausesBefore = Sleeps().size();
    win::File file = qz::OpenForWriting(c.path, qz::UnregisterServerDll);
    EXPECT_TRUE(file);
    EXPECT_EQ(Journal(), c.journal);
    EXPECT_EQ(Sleeps().size() - pausesBefore, c.journal.empty() ? 0u : 1u);
  }
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(PreviewHandlers, ShortPathAnsiUsesTheAnsiCodePage) {
  struct Case {
    std::u16string path;
    bool create;
    std::string expected;
  } cases[] = {
      {u"C:\\Quenda\\ASCx64.dll", true, "C:\\Quenda\\ASCx64.dll"},
      {u"C:\\Ren\u00e9\\ASCx64.dll", true, "C:\\Ren\xe9\\ASCx64.dll"},
      {u"C:\\Preis \u20ac\\ASCx64.dll", true, "C:\\Preis \x80\\ASCx64.dll"},
      // No ANSI byte for U+0100: its low byte, 0, would cut the path short.
      {u"C:\\\u0100bc\\ASCx64.dll", true, ""},
      {u"C:\\Missing\\ASCx64.dll", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.path));
    if (c.create) PutFile(c.path, "x");
    EXPECT_EQ(qz::GetShortPathAnsi(c.path), c.expected);
  }
}

}  // namespace
