#include "desktop/shortcuts.h"
#include "desktop/uninstall_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "base/native_processor.h"
#include "platform/host/file_system.h"
#include "platform/win/com.h"
#include "platform/win/shell_folders.h"
#include "platform/win/shell_link_file.h"
#include "tests/desktop/desktop_machine.h"
#include "tests/support/subprocess.h"

namespace {

using qztest::kProductDir;
using qztest::U8;

const std::u16string kUserShellFolders = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const std::u16string kShellFolders = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::u16string DesktopFolder() { return win::UserProfileDirectory() + u"\\Desktop"; }
std::u16string StartMenuFolder() {
  return win::UserProfileDirectory() + u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
}

// The four paths of an installation's link set, empty where not made.
struct LinkSet {
  std::u16string startMenu, startMenuX86, desktop, desktopX86;
};

class Shortcuts : public qztest::DesktopMachine {
 protected:
  void TearDown() override {
    win::SetShellLinkClassRegistered(true);
    DesktopMachine::TearDown();
  }

  // The links as the post-install sequence requests them.
  static LinkSet MakeLinkSet(int executableChoice) {
    UseInstallation(kProductDir, executableChoice);
    const char16_t* main = executableChoice != 0 ? u"Zorvelx64" : u"Zorvelx86";
    const bool x86Too = qz::IsNative64BitWindows() && executableChoice == 2;
    LinkSet set;
    set.desktop = Made(qz::MakeDesktopLink(main, u"Quenda Zorvel", u"Vossdyne's Quenda Zorvel"));
    if (x86Too)
      set.desktopX86 = Made(qz::MakeDesktopLink(u"Zorvelx86", u"Quenda Zorvel(x86)", u"Vossdyne's Quenda Zorvel(x86)"));
    set.startMenu = Made(qz::MakeStartMenuLink(main, u"Quenda Zorvel", u"Vossdyne's Quenda Zorvel"));
    if (x86Too)
      set.startMenuX86 =
          Made(qz::MakeStartMenuLink(u"Zorvelx86", u"Quenda Zorvel(x86)", u"Vossdyne's Quenda Zorvel(x86)"));
    qz::WriteUninstallInfo(set.startMenu, set.startMenuX86, set.desktop, set.desktopX86);
    return set;
  }

  static std::u16string Made(const qz::LinkOutcome& outcome) {
    EXPECT_TRUE(outcome.status.Ok()) << U8(outcome.status.Ok() ? u"" : outcome.status.Error().message);
    return outcome.linkPath;
  }

  std::optional<win::ShellLinkData> ReadLink(std::u16string_view path) const {
    std::string bytes = GetFile(path);
    if (bytes.empty()) return std::nullopt;
    return win::DecodeShellLink(std::vector<uint8_t>(bytes.begin(), bytes.end()), nullptr);
  }

  std::vector<std::string> LinkFilesIn(const std::u16string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Host(folder)))
      if (entry.path().extension() == ".lnk") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  void ExpectLink(const std::u16string& path, const std::u16string& executable, const std::u16string& description) {
    SCOPED_TRACE(U8(path));
    std::optional<win::ShellLinkData> link = ReadLink(path);
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(U8(link->targetPath), U8(kProductDir + u"\\" + executable + u".exe"));
    EXPECT_EQ(U8(link->workingDirectory), U8(kProductDir));
    EXPECT_EQ(U8(link->description), U8(description));
    EXPECT_EQ(link->arguments, u"");
  }

  static void RemoveKey(win::HKEY root, const std::u16string& key) {
    ASSERT_EQ(win::RegDeleteKeyW(root, key.c_str()), win::ERROR_SUCCESS) << U8(key);
  }
};

TEST_F(Shortcuts, LinkSetFollowsTheChoiceAndTheArchitecture) {
  const std::string main = "Link:" + U8(StartMenuFolder()) + "\\Quenda Zorvel.lnk\r\nLink:" + U8(DesktopFolder()) +
                           "\\Quenda Zorvel.lnk\r\n";
  const std::string both = "Link:" + U8(StartMenuFolder()) + "\\Quenda Zorvel.lnk\r\nLink:" + U8(StartMenuFolder()) +
                           "\\Quenda Zorvel(x86).lnk\r\nLink:" + U8(DesktopFolder()) +
                           "\\Quenda Zorvel.lnk\r\nLink:" + U8(DesktopFolder()) + "\\Quenda Zorvel(x86).lnk\r\n";
  struct Case {
    const char* architecture;
    int choice;
    const char16_t* mainExecutable;
    bool x86Links;
  } cases[] = {
      {"AMD64", 0, u"Zorvelx86", false}, {"AMD64", 1, u"Zorvelx64", false}, {"AMD64", 2, u"Zorvelx64", true},
      {"x86", 0, u"Zorvelx86", false},   {"x86", 1, u"Zorvelx64", false},   {"x86", 2, u"Zorvelx64", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.architecture) + " choice " + std::to_string(c.choice));
    UseArchitecture(c.architecture);
    for (const std::u16string& folder : {DesktopFolder(), StartMenuFolder()})
      for (const std::string& name : LinkFilesIn(folder)) std::filesystem::remove(Host(folder) + "/" + name);

    LinkSet set = MakeLinkSet(c.choice);

    const std::vector<std::string> expectedFiles =
        c.x86Links ? std::vector<std::string>{"Quenda Zorvel(x86).lnk", "Quenda Zorvel.lnk"}
                   : std::vector<std::string>{"Quenda Zorvel.lnk"};
    EXPECT_EQ(LinkFilesIn(DesktopFolder()), expectedFiles);
    EXPECT_EQ(LinkFilesIn(StartMenuFolder()), expectedFiles);
    ExpectLink(set.desktop, c.mainExecutable, u"Vossdyne's Quenda Zorvel");
    ExpectLink(set.startMenu, c.mainExecutable, u"Vossdyne's Quenda Zorvel");
    if (c.x86Links) {
      ExpectLink(set.desktopX86, u"Zorvelx86", u"Vossdyne's Quenda Zorvel(x86)");
      ExpectLink(set.startMenuX86, u"Zorvelx86", u"Vossdyne's Quenda Zorvel(x86)");
    }
    EXPECT_EQ(GetFile(kProductDir + u"\\uninstall.info"), c.x86Links ? both : main);
  }
  EXPECT_EQ(win::OpenRegistryKeyCount(), 0u);
  // Every link operation left COM as it found it.
  EXPECT_EQ(win::CoInitialize(nullptr), win::S_OK);
  win::CoUninitialize();
}

TEST_F(Shortcuts, LnkinfoReadsTheWrittenLinks) {
  if (!qztest::FindProgram("lnkinfo")) GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
  LinkSet set = MakeLinkSet(2);
  struct Expected {
    std::u16string path;
    const char* executable;
    const char* description;
  } links[] = {
      {set.desktop, "Zorvelx64", "Vossdyne's Quenda Zorvel"},
      {set.desktopX86, "Zorvelx86", "Vossdyne's Quenda Zorvel(x86)"},
      {set.startMenu, "Zorvelx64", "Vossdyne's Quenda Zorvel"},
      {set.startMenuX86, "Zorvelx86", "Vossdyne's Quenda Zorvel(x86)"},
  };
  for (const Expected& link : links) {
    SCOPED_TRACE(U8(link.path));
    std::string info = qztest::RunProcess({.argv = {"lnkinfo", Host(link.path)}, .errToOut = true}).out;
    EXPECT_NE(info.find("Local path\t\t\t: " + U8(kProductDir) + "\\" + link.executable + ".exe"), std::string::npos)
        << info;
    EXPECT_NE(info.find("Working directory\t\t: " + U8(kProductDir)), std::string::npos) << info;
    EXPECT_NE(info.find(std::string("Description\t\t\t: ") + link.description), std::string::npos) << info;
    EXPECT_EQ(info.find("Error"), std::string::npos) << info;
  }
}

TEST_F(Shortcuts, ASecondRunReplacesTheLinksAndListsOnlyItsOwn) {
  MakeLinkSet(2);
  PutFile(kProductDir + u"\\uninstall.info", std::string(500, 'x'));  // longer than the new log
  LinkSet second = MakeLinkSet(0);
  ExpectLink(second.desktop, u"Zorvelx86", u"Vossdyne's Quenda Zorvel");
  // The earlier x86 link stays on disk, no longer listed.
  EXPECT_TRUE(HostExists(DesktopFolder() + u"\\Quenda Zorvel(x86).lnk"));
  EXPECT_EQ(GetFile(kProductDir + u"\\uninstall.info"), "Link:" + U8(second.startMenu) + "\r\nLink:" +
                                                            U8(second.desktop) + "\r\n");
}

TEST_F(Shortcuts, EachFailureHasItsTextAndKeepsTheLinkPathOnceTheFolderIsKnown) {
  const std::u16string longDirectory = u"C:\\" + std::u16string(300, u'd');
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::u16string desktopPath, startMenuPath;
    const char16_t* desktopError;
    const char16_t* startMenuError;
  } cases[] = {
      {"target path too long for the link",
       [&] { UseInstallation(longDirectory, 1); },
       DesktopFolder() + u"\\Quenda Zorvel.lnk", StartMenuFolder() + u"\\Quenda Zorvel.lnk",
       u"Trouble making link on desktop: SetPath() failed.", u"Trouble making link in Start Menu: SetPath() failed."},
      {"a folder in the link file's place",
       [&] {
         ASSERT_FALSE(win::CreateDirectory(DesktopFolder() + u"\\Quenda Zorvel.lnk"));
         ASSERT_FALSE(win::CreateDirectory(StartMenuFolder() + u"\\Quenda Zorvel.lnk"));
       },
       DesktopFolder() + u"\\Quenda Zorvel.lnk", StartMenuFolder() + u"\\Quenda Zorvel.lnk",
       u"Trouble saving link on desktop.\nYou can still make make a desktop shortcut to the Quenda Zorvel executable "
       u"by hand.",
       u"Trouble saving link in Start Menu: Save() failed."},
      {"no folder from the shell or the registry",
       [&] {
         std::filesystem::remove_all(Host(DesktopFolder()));
         std::filesystem::remove_all(Host(StartMenuFolder()));
         RemoveKey(win::HKEY_CURRENT_USER, kUserShellFolders);
         RemoveKey(win::HKEY_CURRENT_USER, kShellFolders);
       },
       u"", u"", u"Couldn't find Desktop location", u"Could't find Start Menu Shell Folder location"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshMachine();
    c.arrange();
    qz::LinkOutcome desktop = qz::MakeDesktopLink(u"Zorvelx64", u"Quenda Zorvel", u"Vossdyne's Quenda Zorvel");
    qz::LinkOutcome startMenu = qz::MakeStartMenuLink(u"Zorvelx64", u"Quenda Zorvel", u"Vossdyne's Quenda Zorvel");
    EXPECT_EQ(U8(desktop.linkPath), U8(c.desktopPath));
    EXPECT_EQ(U8(startMenu.linkPath), U8(c.startMenuPath));
    EXPECT_EQ(U8(desktop.status.Ok() ? u"(none)" : desktop.status.Error().message), U8(c.desktopError));
    EXPECT_EQ(U8(startMenu.status.Ok() ? u"(none)" : startMenu.status.Error().message), U8(c.startMenuError));
    EXPECT_TRUE(MessageTexts().empty());
  }
}

TEST_F(Shortcuts, WithoutTheShellLinkClassNothingIsMadeAndNothingReported) {
  win::SetShellLinkClassRegistered(false);
  LinkSet set = MakeLinkSet(1);
  EXPECT_EQ(U8(set.desktop), U8(DesktopFolder() + u"\\Quenda Zorvel.lnk"));
  EXPECT_FALSE(HostExists(set.desktop));
  EXPECT_FALSE(HostExists(set.startMenu));
  // The log still names both.
  EXPECT_EQ(GetFile(kProductDir + u"\\uninstall.info"),
            "Link:" + U8(set.startMenu) + "\r\nLink:" + U8(set.desktop) + "\r\n");
}

TEST_F(Shortcuts, RegistryFallbacksAreReadInOrderAndUsedLiterally) {
  const std::u16string elsewhere = u"C:\\Elsewhere";
  const std::u16string common = u"C:\\Common Start";
  ASSERT_FALSE(win::CreateDirectory(elsewhere));
  ASSERT_FALSE(win::CreateDirectory(common));
  // "C:\%USERPROFILE%\Desktop": the unexpanded text as a path relative to C:\ .
  ASSERT_FALSE(win::CreateDirectory(u"C:\\%USERPROFILE%"));
  ASSERT_FALSE(win::CreateDirectory(u"C:\\%USERPROFILE%\\Desktop"));
  struct Case {
    const char* name;
    std::function<void()> arrange;
    bool desktop;
    std::u16string linkPath;
  } cases[] = {
      {"User Shell Folders as stored, %USERPROFILE% and all", [] {}, true, u"%USERPROFILE%\\Desktop\\Quenda Zorvel.lnk"},
      {"Shell Folders when User Shell Folders has no Desktop value",
       [&] {
         RemoveKey(win::HKEY_CURRENT_USER, kUserShellFolders);
         qztest::PutRegistryText(win::HKEY_CURRENT_USER, kShellFolders, u"Desktop", elsewhere);
       },
       true, elsewhere + u"\\Quenda Zorvel.lnk"},
      {"Common Start Menu when Start Menu is empty",
       [&] {
         qztest::PutRegistryText(win::HKEY_CURRENT_USER, kUserShellFolders, u"Start Menu", u"");
         qztest::PutRegistryText(win::HKEY_CURRENT_USER, kUserShellFolders, u"Common Start Menu", common,
                                 win::REG_EXPAND_SZ);
       },
       false, common + u"\\Quenda Zorvel.lnk"},
  };
  std::filesystem::remove_all(Host(DesktopFolder()));
  std::filesystem::remove_all(Host(StartMenuFolder()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    qz::LinkOutcome outcome = c.desktop ? qz::MakeDesktopLink(u"Zorvelx64", u"Quenda Zorvel", u"Vossdyne's Quenda Zorvel")
                                        : qz::MakeStartMenuLink(u"Zorvelx64", u"Quenda Zorvel", u"Vossdyne's Quenda Zorvel");
    EXPECT_TRUE(outcome.status.Ok()) << U8(outcome.status.Ok() ? u"" : outcome.status.Error().message);
    EXPECT_EQ(U8(outcome.linkPath), U8(c.linkPath));
    ExpectLink(win::FullWindowsPath(c.linkPath), u"Zorvelx64", u"Vossdyne's Quenda Zorvel");
  }
}

// One encoding for the whole file: 8-bit while every character of every
// line fits, else UTF-8 throughout; and it reads back as it was written.
TEST_F(Shortcuts, UninstallInfoIsEightBitOrWhollyUtf8) {
  const std::u16string latin = u"C:\\Users\\Ren\u00e9\\Desktop\\Quenda Zorvel.lnk";
  const std::u16string cyrillic = u"C:\\Users\\\u0416\\Desktop\\Quenda Zorvel.lnk";
  struct Case {
    const char* name;
    std::u16string first, second;
    std::string bytes;
  } cases[] = {
      {"Latin-1 only", latin, u"C:\\a.lnk", "Link:C:\\Users\\Ren\xe9\\Desktop\\Quenda Zorvel.lnk\r\nLink:C:\\a.lnk\r\n"},
      {"one path beyond 8 bits", latin, cyrillic,
       "Link:C:\\Users\\Ren\xc3\xa9\\Desktop\\Quenda Zorvel.lnk\r\n"
       "Link:C:\\Users\\\xd0\x96\\Desktop\\Quenda Zorvel.lnk\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qz::WriteUninstallInfo(u"", c.first, u"", c.second);
    const std::string bytes = GetFile(kProductDir + u"\\uninstall.info");
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(U8(qz::UninstallInfoText(bytes)), U8(u"Link:" + c.first + u"\r\nLink:" + c.second + u"\r\n"));
  }
  // Latin-1 bytes that happen to be valid UTF-8 of 8-bit characters stay Latin-1.
  EXPECT_EQ(qz::UninstallInfoText("Link:C:\\\xc3\xa9"), u"Link:C:\\\u00c3\u00a9");

  // All four empty: an empty log, still created anew.
  qz::WriteUninstallInfo(u"", u"", u"", u"");
  EXPECT_TRUE(HostExists(kProductDir + u"\\uninstall.info"));
  EXPECT_EQ(GetFile(kProductDir + u"\\uninstall.info"), "");

  // A directory that cannot hold the log: nothing written, nothing shown.
  UseInstallation(u"C:\\missing\\dir", 1);
  qz::WriteUninstallInfo(u"C:\\a.lnk", u"", u"", u"");
  EXPECT_FALSE(HostExists(u"C:\\missing\\dir\\uninstall.info"));
  EXPECT_TRUE(MessageTexts().empty());
}

}  // namespace
