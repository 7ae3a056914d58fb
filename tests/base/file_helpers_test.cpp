#include "base/file_helpers.h"

#include <gtest/gtest.h>

#include "platform/host/fault_injection.h"
#include "platform/host/file_system.h"
#include "tests/support/temp_machine.h"

namespace {

class FileHelpers : public qztest::TempMachine {};

TEST(ParentDirectory, Examples) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"C:\\a\\b\\file.asc", u"C:\\a\\b\\"}, {u"C:\\a\\b\\", u"C:\\a\\"}, {u"file.asc", u"."},
      {u"C:\\a/b", u"C:\\a/"},                {u"C:\\a\\\\", u"C:\\"},     {u"\\", u"."},
  };
  for (const Case& c : cases) EXPECT_EQ(qz::ParentDirectory(c.in), c.out) << win::WideToUtf8(c.in);
}

TEST_F(FileHelpers, FileAndDirectoryTests) {
  PutFile(u"C:\\dir\\f.txt", "x");
  EXPECT_TRUE(qz::FileExists(u"C:\\dir\\f.txt"));
  EXPECT_FALSE(qz::FileExists(u"C:\\dir"));
  EXPECT_FALSE(qz::FileExists(u""));
  EXPECT_TRUE(qz::DirectoryExists(u"C:\\dir\\"));
  EXPECT_TRUE(qz::DirectoryExists(u"C:\\dir"));
  EXPECT_TRUE(qz::DirectoryExists(u"C:"));  // the drive's root
  EXPECT_FALSE(qz::DirectoryExists(u"C:\\dir\\f.txt"));
  EXPECT_FALSE(qz::DirectoryExists(u""));
}

TEST_F(FileHelpers, CreateDirectoryTreeMakesTheWholeChain) {
  int attempts = 0;
  qz::CreateDirectoryTree(u"C:\\a\\b\\c\\d\\", attempts);
  EXPECT_TRUE(qz::DirectoryExists(u"C:\\a\\b\\c\\d"));
  EXPECT_LE(attempts, 501);
}

TEST_F(FileHelpers, CreateDirectoryTreeIgnoresDrivesAndDot) {
  for (std::u16string p : {u"C:", u".", u""}) {
    int attempts = 0;
    qz::CreateDirectoryTree(p, attempts);
    EXPECT_EQ(attempts, 0) << win::WideToUtf8(p);
  }
}

TEST_F(FileHelpers, CreateDirectoryTreeGivesUpAfter501Calls) {
  PutFile(u"C:\\blocker", "a file in the way");
  int attempts = 0;
  qz::CreateDirectoryTree(u"C:\\blocker\\sub\\dir", attempts);
  EXPECT_FALSE(qz::DirectoryExists(u"C:\\blocker\\sub\\dir"));
  EXPECT_EQ(attempts, 501);
}

TEST_F(FileHelpers, CopyFileBytesReplacesReadOnlyDestination) {
  std::string big(20000, 'q');
  PutFile(u"C:\\src", big);
  PutFile(u"C:\\dst", "old");
  ASSERT_FALSE(win::SetReadOnly(u"C:\\dst", true));
  EXPECT_TRUE(qz::CopyFileBytes(u"C:\\src", u"C:\\dst"));
  EXPECT_EQ(GetFile(u"C:\\dst"), big);
  EXPECT_FALSE(qz::CopyFileBytes(u"C:\\missing", u"C:\\dst2"));
}

TEST_F(FileHelpers, CopyFileBytesReportsShortWritesAndFailedCloses) {
  PutFile(u"C:\\src", std::string(20000, 'q'));
  win::faults::ShortWritesAfter(10000);
  EXPECT_FALSE(qz::CopyFileBytes(u"C:\\src", u"C:\\dst"));
  win::faults::Reset();
  win::faults::FailNth(win::faults::Op::close, 2, win::FileErrorKind::diskFull);
  EXPECT_FALSE(qz::CopyFileBytes(u"C:\\src", u"C:\\dst"));
}

TEST_F(FileHelpers, ShowMessageUsesTheApplicationTitle) {
  qz::ShowMessage(u"Trouble writing file \"%ls\".", u"C:\\x");
  auto messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, u"Trouble writing file \"C:\\x\".");
  EXPECT_EQ(messages[0].caption, u"QuendaZorvelSetup");
  EXPECT_EQ(messages[0].type, unsigned(win::MB_OK | win::MB_ICONWARNING));
}

}  // namespace
