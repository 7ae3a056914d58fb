#include "platform/win/shell_link.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "platform/base/text.h"
#include "platform/host/fault_injection.h"
#include "platform/host/machine.h"
#include "platform/win/shell_link_file.h"
#include "tests/support/subprocess.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;

// One link object, created the way the installer creates it.
class ShellLinkTest : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                               reinterpret_cast<void**>(&link_)),
              S_OK);
    ASSERT_EQ(link_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file_)), S_OK);
  }
  void TearDown() override {
    if (file_) file_->Release();
    if (link_) link_->Release();
    CoUninitialize();
    SetShellLinkClassRegistered(true);
    TempMachine::TearDown();
  }

  void MakeInstallerLink(const std::u16string& path) {
    PutFile(u"C:\\Program Files\\Ombra\\QuendaZorvel\\Zorvelx64.exe", "MZ placeholder");
    ASSERT_EQ(link_->SetPath(u"C:\\Program Files\\Ombra\\QuendaZorvel\\Zorvelx64.exe"), S_OK);
    ASSERT_EQ(link_->SetWorkingDirectory(u"C:\\Program Files\\Ombra\\QuendaZorvel"), S_OK);
    ASSERT_EQ(link_->SetDescription(u"Vossdyne's Quenda Zorvel"), S_OK);
    ASSERT_EQ(file_->Save(path.c_str(), TRUE), S_OK);
  }

  std::optional<ShellLinkData> ReadLink(std::u16string_view path) const {
    std::string bytes = GetFile(path);
    return DecodeShellLink(std::vector<uint8_t>(bytes.begin(), bytes.end()), nullptr);
  }

  IShellLinkW* link_ = nullptr;
  IPersistFile* file_ = nullptr;
};

TEST_F(ShellLinkTest, LnkinfoReadsTheTargetWorkingDirectoryAndDescription) {
  if (!qztest::FindProgram("lnkinfo")) GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
  const std::u16string path = UserProfileDirectory() + u"\\Desktop\\Quenda Zorvel.lnk";
  MakeInstallerLink(path);
  std::string info = qztest::RunProcess({.argv = {"lnkinfo", Host(path)}, .errToOut = true}).out;
  EXPECT_NE(info.find("Local path\t\t\t: C:\\Program Files\\Ombra\\QuendaZorvel\\Zorvelx64.exe"), std::string::npos)
      << info;
  EXPECT_NE(info.find("Working directory\t\t: C:\\Program Files\\Ombra\\QuendaZorvel"), std::string::npos) << info;
  EXPECT_NE(info.find("Description\t\t\t: Vossdyne's Quenda Zorvel"), std::string::npos) << info;
  EXPECT_EQ(info.find("Error"), std::string::npos) << info;
}

TEST_F(ShellLinkTest, SavedLinkLoadsBackWithItsProperties) {
  const std::u16string path = UserProfileDirectory() + u"\\Desktop\\Quenda Zorvel(x86).lnk";
  MakeInstallerLink(path);
  std::optional<ShellLinkData> data = ReadLink(path);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->targetPath, u"C:\\Program Files\\Ombra\\QuendaZorvel\\Zorvelx64.exe");
  EXPECT_EQ(data->fileSize, 14u);
  EXPECT_EQ(data->fileAttributes, FILE_ATTRIBUTE_ARCHIVE);

  IShellLinkW* other = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(&other)),
            S_OK);
  IPersistFile* otherFile = nullptr;
  ASSERT_EQ(other->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&otherFile)), S_OK);
  ASSERT_EQ(otherFile->Load(path.c_str(), STGM_READ), S_OK);
  char16_t text[MAX_PATH];
  EXPECT_EQ(other->GetPath(text, MAX_PATH, nullptr, 0), S_OK);
  EXPECT_EQ(std::u16string(text), u"C:\\Program Files\\Ombra\\QuendaZorvel\\Zorvelx64.exe");
  EXPECT_EQ(other->GetWorkingDirectory(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::u16string(text), u"C:\\Program Files\\Ombra\\QuendaZorvel");
  EXPECT_EQ(other->GetDescription(text, 5), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::u16string(text), u"");
  LPOLESTR current = nullptr;
  EXPECT_EQ(otherFile->GetCurFile(&current), S_OK);
  EXPECT_EQ(std::u16string(current), path);
  CoTaskMemFree(current);
  otherFile->Release();
  other->Release();
}

TEST_F(ShellLinkTest, SetPathRejectsEmptyInvalidAndOverlongPaths) {
  std::u16string longPath = u"C:\\" + std::u16string(MAX_PATH - 3, u'a');
  std::u16string longestPath = longPath.substr(0, MAX_PATH - 1);
  struct Case {
    const char16_t* path;
    HRESULT expected;
  } cases[] = {
      {nullptr, E_INVALIDARG},
      {u"", E_INVALIDARG},
      {u"C:\\bad|name.exe", E_INVALIDARG},
      {longPath.c_str(), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)},
      {longestPath.c_str(), S_OK},
      {u"relative\\Zorvelx64.exe", S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path ? WideToUtf8(c.path) : "null");
    EXPECT_EQ(link_->SetPath(c.path), c.expected);
  }
  char16_t text[MAX_PATH];
  EXPECT_EQ(link_->GetPath(text, MAX_PATH, nullptr, 0), S_OK);
  EXPECT_EQ(std::u16string(text), u"C:\\relative\\Zorvelx64.exe");
  EXPECT_EQ(link_->SetDescription(std::u16string(INFOTIPSIZE, u'x').c_str()), E_INVALIDARG);
  EXPECT_EQ(link_->SetWorkingDirectory(longPath.c_str()), E_INVALIDARG);
}

TEST_F(ShellLinkTest, SaveReplacesAnExistingLinkAndAFailedSaveKeepsIt) {
  const std::u16string path = UserProfileDirectory() + u"\\Desktop\\Quenda Zorvel.lnk";
  PutFile(path, "an old link");
  MakeInstallerLink(path);
  ASSERT_TRUE(ReadLink(path));

  ASSERT_EQ(link_->SetDescription(u"changed"), S_OK);
  EXPECT_EQ(file_->IsDirty(), S_OK);
  faults::FailNth(faults::Op::rename, 1, FileErrorKind::accessDenied);
  EXPECT_EQ(file_->Save(path.c_str(), TRUE), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadLink(path)->description, u"Vossdyne's Quenda Zorvel");
  EXPECT_EQ(ListDirectory(UserProfileDirectory() + u"\\Desktop").size(), 1u) << "the temporary file was left";
  faults::FailNth(faults::Op::open, 1, FileErrorKind::diskFull);
  EXPECT_EQ(file_->Save(path.c_str(), TRUE), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
  EXPECT_EQ(file_->Save((UserProfileDirectory() + u"\\Missing\\x.lnk").c_str(), TRUE),
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(file_->Save(nullptr, FALSE), S_OK);  // the current file
  EXPECT_EQ(ReadLink(path)->description, u"changed");
  EXPECT_EQ(file_->IsDirty(), S_FALSE);
}

TEST_F(ShellLinkTest, CreationNeedsComAndTheRegisteredClass) {
  IUnknown* object = nullptr;
  CoUninitialize();
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(&object)),
            CO_E_NOTINITIALIZED);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  SetShellLinkClassRegistered(false);
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  SetShellLinkClassRegistered(true);
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  void* none = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_IPersist, &none), S_OK);
  static_cast<IUnknown*>(none)->Release();
  EXPECT_EQ(object->Release(), 0u);
}

TEST(ShellLinkFile, TruncatedLinksAreRefusedAtEveryLength) {
  ShellLinkData link;
  link.targetPath = u"C:\\dir\\Zorvelx64.exe";
  link.workingDirectory = u"C:\\dir";
  link.description = u"Quenda Zorvel — ünïcode";
  std::vector<uint8_t> bytes = EncodeShellLink(link);
  std::string problem;
  std::optional<ShellLinkData> back = DecodeShellLink(bytes, &problem);
  ASSERT_TRUE(back) << problem;
  EXPECT_EQ(back->description, link.description);
  // The last four bytes are the terminal block, which a reader may miss.
  for (size_t size = 0; size + 4 < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(DecodeShellLink(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(size)), &problem));
  }
}

}  // namespace
