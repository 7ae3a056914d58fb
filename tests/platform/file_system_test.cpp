#include "platform/host/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/machine.h"
#include "tests/support/temp_machine.h"

namespace {

using win::FileErrorKind;
using win::OpenMode;
using win::Share;

class FileSystem : public qztest::TempMachine {};

TEST_F(FileSystem, FreshMachineHasProfileFolders) {
  std::u16string profile = win::UserProfileDirectory();
  for (std::u16string sub : {u"\\Desktop", u"\\AppData\\Local\\Temp", u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"})
    EXPECT_TRUE(win::IsDirectory(profile + sub)) << win::WideToUtf8(sub);
  EXPECT_EQ(win::HostPath(u"C:\\Program Files"), root_ + "/drive_c/Program Files");
}

TEST_F(FileSystem, PathsResolveAgainstTheCurrentDirectory) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"C:\\a\\b", u"C:\\a\\b"},     {u"c:/a/./b/../c", u"C:\\a\\c"}, {u".\\x", u"C:\\work\\x"},
      {u"x\\y", u"C:\\work\\x\\y"},   {u"\\x", u"C:\\x"},             {u"C:", u"C:\\work"},
      {u"D:\\", u"D:\\"},             {u"C:\\a<b", u""},              {u"\\\\server\\share", u""},
      {u"C:\\..\\..", u"C:\\"},
  };
  ASSERT_EQ(win::CreateDirectory(u"C:\\work").kind, FileErrorKind::none);
  ASSERT_TRUE(win::SetCurrentDirectory(u"C:\\work"));
  for (const Case& c : cases) EXPECT_EQ(win::FullWindowsPath(c.in), c.out) << win::WideToUtf8(c.in);
}

TEST_F(FileSystem, DriveZIsTheHostRoot) {
  EXPECT_EQ(win::HostPath(u"Z:\\tmp\\x"), "/tmp/x");
  EXPECT_EQ(win::HostPath(u"Z:\\"), "/");
  EXPECT_EQ(win::WindowsPathOfHost("/tmp/x"), u"Z:\\tmp\\x");
  EXPECT_EQ(win::WindowsPathOfHost(root_ + "/drive_c/a/b"), u"C:\\a\\b");
}

TEST_F(FileSystem, NamesMatchWithoutRegardToAsciiCase) {
  PutFile(u"C:\\Dir\\File.TXT", "x");
  EXPECT_EQ(win::HostPath(u"c:\\dir\\file.txt"), root_ + "/drive_c/Dir/File.TXT");
  EXPECT_EQ(win::HostPath(u"C:\\DIR\\new.txt"), root_ + "/drive_c/Dir/new.txt");
  EXPECT_TRUE(win::IsRegularFile(u"C:\\DIR\\FILE.txt"));
  EXPECT_EQ(win::HostPath(u"Q:\\no\\drive"), root_ + "/drive_q/no/drive");
  EXPECT_FALSE(win::IsRegularFile(u"Q:\\no\\drive"));
  // A file made beside the layer is found in another case as well.
  PutFile(u"C:\\Dir\\Second.TXT", "y");
  EXPECT_TRUE(win::IsRegularFile(u"C:\\dir\\second.txt"));
  // A case-only rename keeps the new spelling.
  ASSERT_FALSE(win::RenameFile(u"C:\\dir\\file.txt", u"C:\\dir\\file.txt", true));
  ASSERT_FALSE(win::RenameFile(u"C:\\dir\\File.TXT", u"C:\\dir\\Renamed.txt", false));
  EXPECT_TRUE(qztest::ReadHostFile(root_ + "/drive_c/Dir/Renamed.txt") == "x");
}

TEST_F(FileSystem, ReadOnlyFilesRefuseWritersEvenForRoot) {
  PutFile(u"C:\\ro.txt", "keep");
  ASSERT_FALSE(win::SetReadOnly(u"C:\\ro.txt", true));
  EXPECT_TRUE(win::GetFileStatus(u"C:\\ro.txt")->readOnly);
  for (OpenMode m : {OpenMode::write, OpenMode::readWrite, OpenMode::createReadWrite}) {
    win::File f = win::File::Open(u"C:\\ro.txt", m);
    EXPECT_FALSE(f);
    EXPECT_EQ(f.Error().kind, FileErrorKind::accessDenied);
  }
  EXPECT_EQ(win::RemoveFile(u"C:\\ro.txt").kind, FileErrorKind::accessDenied);
  PutFile(u"C:\\other.txt", "new");
  EXPECT_EQ(win::RenameFile(u"C:\\other.txt", u"C:\\ro.txt", true).kind, FileErrorKind::accessDenied);
  EXPECT_EQ(GetFile(u"C:\\ro.txt"), "keep");
  EXPECT_TRUE(win::File::Open(u"C:\\ro.txt", OpenMode::read));
  ASSERT_FALSE(win::SetReadOnly(u"C:\\ro.txt", false));
  EXPECT_TRUE(win::File::Open(u"C:\\ro.txt", OpenMode::write));
}

TEST_F(FileSystem, HolderDenyingWritersCausesSharingViolation) {
  PutFile(u"C:\\ASCx64.dll", "dll");
  win::File holder = win::File::Open(u"C:\\ASCx64.dll", OpenMode::read, Share::denyWrite);
  ASSERT_TRUE(holder);
  win::File writer = win::File::Open(u"C:\\ASCx64.dll", OpenMode::write);
  EXPECT_EQ(writer.Error().kind, FileErrorKind::sharingViolation);
  EXPECT_EQ(GetFile(u"C:\\ASCx64.dll"), "dll");  // not truncated by the refused open
  EXPECT_TRUE(win::File::Open(u"C:\\ASCx64.dll", OpenMode::read, Share::denyWrite));
  holder.Close();
  EXPECT_TRUE(win::File::Open(u"C:\\ASCx64.dll", OpenMode::write));
}

TEST_F(FileSystem, ErrorKindsOfMissingFilesAndDirectories) {
  EXPECT_EQ(win::File::Open(u"C:\\missing.txt", OpenMode::read).Error().kind, FileErrorKind::fileNotFound);
  EXPECT_EQ(win::File::Open(u"C:\\no\\dir\\f.txt", OpenMode::write).Error().kind, FileErrorKind::badPath);
  EXPECT_EQ(win::File::Open(u"C:\\windows", OpenMode::read).Error().kind, FileErrorKind::accessDenied);
  EXPECT_EQ(win::CreateDirectory(u"C:\\windows").kind, FileErrorKind::alreadyExists);
  PutFile(u"C:\\f", "x");
  EXPECT_EQ(win::File::Open(u"C:\\f", OpenMode::createNew).Error().kind, FileErrorKind::alreadyExists);
}

TEST_F(FileSystem, TemporaryNamesSkipTakenNumbers) {
  std::u16string temp = win::UserProfileDirectory() + u"\\AppData\\Local\\Temp";
  ::setenv("TMP", ("\"" + win::WideToUtf8(temp) + "\"").c_str(), 1);
  PutFile(temp + u"\\tmp1", "");
  PutFile(temp + u"\\TMP2", "");
  EXPECT_EQ(win::TemporaryFileName(), temp + u"\\tmp3");
  std::u16string name;
  win::File f = win::CreateTemporaryFile(&name);
  ASSERT_TRUE(f);
  EXPECT_EQ(name, temp + u"\\tmp3");
  EXPECT_EQ(win::TemporaryFileName(), temp + u"\\tmp4");
  // Without a usable TMP the root of the current drive is used.
  ::setenv("TMP", "C:\\nowhere", 1);
  EXPECT_EQ(win::TemporaryFileName(), u"C:\\tmp1");
  ::setenv("TMP", "", 1);
  EXPECT_EQ(win::TemporaryFileName(), u"C:\\tmp1");
}

TEST_F(FileSystem, TemporaryDirectoryIsWhereTemporaryNamesGo) {
  const std::u16string temp = win::UserProfileDirectory() + u"\\AppData\\Local\\Temp";
  ::setenv("TMP", win::WideToUtf8(temp).c_str(), 1);
  EXPECT_EQ(win::TemporaryDirectory(), temp + u"\\");
  // TEMP plays no part, and a TMP that names no folder gives the drive's root.
  ::setenv("TMP", "C:\\nowhere", 1);
  ::setenv("TEMP", win::WideToUtf8(temp).c_str(), 1);
  EXPECT_EQ(win::TemporaryDirectory(), u"C:\\");
  ::setenv("TMP", "", 1);
  EXPECT_EQ(win::TemporaryDirectory(), u"C:\\");
}

TEST_F(FileSystem, EnvironmentDefaultsAndRemoval) {
  EXPECT_EQ(win::GetEnvironmentVariable(u"ComSpec"), u"C:\\windows\\system32\\cmd.exe");
  ::setenv("COMSPEC", "", 1);
  EXPECT_FALSE(win::GetEnvironmentVariable(u"COMSPEC"));
  ::unsetenv("COMSPEC");
  EXPECT_FALSE(win::GetEnvironmentVariable(u"QZ_NO_SUCH_VARIABLE"));
  // A host path in one of the machine's path variables is the host's, not
  // the machine's: the machine keeps its own value.
  ::setenv("TMP", "/tmp", 1);
  ::setenv("TEMP", "/var/tmp", 1);
  EXPECT_EQ(win::GetEnvironmentVariable(u"TMP"), win::UserProfileDirectory() + u"\\AppData\\Local\\Temp");
  EXPECT_EQ(win::GetEnvironmentVariable(u"TEMP"), win::UserProfileDirectory() + u"\\AppData\\Local\\Temp");
  ::setenv("USERNAME", "/not-a-path-variable", 1);
  EXPECT_EQ(win::GetEnvironmentVariable(u"USERNAME"), u"/not-a-path-variable");
  ::unsetenv("USERNAME");
}

TEST_F(FileSystem, FaultInjectorFailsTheNthOperationAndCounts) {
  using win::faults::Op;
  PutFile(u"C:\\a", "abc");
  win::faults::FailNth(Op::open, 2, FileErrorKind::diskFull);
  EXPECT_TRUE(win::File::Open(u"C:\\a", OpenMode::read));
  EXPECT_EQ(win::File::Open(u"C:\\a", OpenMode::read).Error().kind, FileErrorKind::diskFull);
  EXPECT_TRUE(win::File::Open(u"C:\\a", OpenMode::read));
  EXPECT_EQ(win::faults::Count(Op::open), 3u);

  win::File out = win::File::Open(u"C:\\b", OpenMode::write);
  win::faults::ShortWritesAfter(5);
  EXPECT_EQ(out.Write("0123", 4), 4u);
  EXPECT_EQ(out.Write("4567", 4), 1u);
  EXPECT_EQ(out.Error().kind, FileErrorKind::diskFull);
  win::faults::Reset();
  win::faults::FailNth(Op::close, 1, FileErrorKind::hardIO);
  EXPECT_FALSE(out.Close());
  EXPECT_EQ(GetFile(u"C:\\b"), "01234");
}

}  // namespace
