#include "platform/win/shell_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/host/machine.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;

class ShellFolders : public qztest::TempMachine {
 protected:
  HRESULT Folder(int csidl, std::u16string* path) {
    char16_t buffer[MAX_PATH] = u"untouched";
    HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    *path = buffer;
    return hr;
  }
};

TEST_F(ShellFolders, DesktopAndStartMenuOfTheCurrentUser) {
  const std::u16string profile = UserProfileDirectory();
  struct Case {
    int csidl;
    std::u16string expected;
  } cases[] = {
      {CSIDL_DESKTOPDIRECTORY, profile + u"\\Desktop"},
      {CSIDL_STARTMENU, profile + u"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
      {CSIDL_SYSTEM, u"C:\\windows\\system32"},
      {CSIDL_PROGRAM_FILES, u"C:\\Program Files (x86)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.csidl);
    std::u16string path;
    EXPECT_EQ(Folder(c.csidl, &path), S_OK);
    EXPECT_EQ(path, c.expected);
  }
}

TEST_F(ShellFolders, AMissingFolderIsANegativeResultUnlessCreated) {
  std::filesystem::remove_all(Host(UserProfileDirectory() + u"\\Desktop"));
  std::u16string path;
  HRESULT hr = Folder(CSIDL_DESKTOPDIRECTORY, &path);
  EXPECT_LT(hr, 0);
  EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(path, u"");
  EXPECT_EQ(Folder(CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, &path), S_OK);
  EXPECT_TRUE(IsDirectory(path));
  EXPECT_EQ(Folder(0x7777, &path), E_INVALIDARG);
}

TEST_F(ShellFolders, FoldersFollowTheProfileVariables) {
  ASSERT_FALSE(CreateDirectory(u"C:\\Roaming"));
  qztest::ScopedEnv appData("APPDATA", "C:\\Roaming");
  std::u16string path;
  EXPECT_EQ(Folder(CSIDL_APPDATA, &path), S_OK);
  EXPECT_EQ(path, u"C:\\Roaming");
  EXPECT_LT(Folder(CSIDL_STARTMENU, &path), 0);
}

}  // namespace
