// The application's start-up: the switch, the build-date line, and whole
// runs of the start-up hook on the console.
#include "app/setup_app.h"

#include <gtest/gtest.h>

#include <string>

#include "app/licence_switch.h"
#include "desktop/shortcuts.h"
#include "platform/base/text.h"
#include "platform/host/file_system.h"
#include "platform/win/registry.h"
#include "platform/win/runtime.h"
#include "tests/app/app_fixture.h"
#include "tests/support/test_catalogue.h"

namespace {

TEST(AcceptedLicenseSwitch, OnlyTheFirstOccurrenceAfterASignAndBeforeABlankOrTheEnd) {
  struct Case {
    std::u16string tail;
    bool silent;
  } cases[] = {
      {u"-AcceptedLicense", true},
      {u"/AcceptedLicense", true},
      {u"\u2212AcceptedLicense", true},
      {u"--AcceptedLicense", true},
      {u"x-AcceptedLicense", true},
      {u"-AcceptedLicense -other", true},
      {u"/q -AcceptedLicense", true},
      {u"AcceptedLicense", false},
      {u" AcceptedLicense", false},
      {u"-acceptedlicense", false},
      {u"-AcceptedLicense=1", false},
      {u"-AcceptedLicenses", false},
      {u"-AcceptedLicenseX -AcceptedLicense", false},
      {u"-AcceptedLicense\t", false},
      {u"+AcceptedLicense", false},
      {u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win::WideToUtf8(c.tail));
    EXPECT_EQ(qz::HasAcceptedLicenseSwitch(c.tail), c.silent);
  }
}

TEST(BuildDateLine, TheCompilersTextsWidenedIntoTheLine) {
  EXPECT_EQ(qztest::ExampleBuildDateLine(), u"build date Jul 30 2020, 17:25:22 US Pacific");
  std::u16string compiled = qz::CompiledBuildDateLine();
  EXPECT_EQ(compiled.rfind(u"build date ", 0), 0u);
  EXPECT_EQ(compiled.size(), std::u16string(u"build date Mmm dd yyyy, hh:mm:ss US Pacific").size());
}

class StartUp : public qztest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    qztest::UseBackend(qztest::Backend::console);
    catalogue_.Add(".\\Zorvelx64.exe", std::string(5000, 'x'));
    catalogue_.Add(".\\Zorvelx86.exe", std::string(4000, 'y'));
    catalogue_.Add(".\\lib\\readme.txt", "hello");
    qz::UseCatalogue(catalogue_.Catalogue());
  }
  void TearDown() override {
    win::SetUnattendedHint(u"");
    AppTest::TearDown();
  }

  qztest::TestCatalogue catalogue_;
};

TEST_F(StartUp, SilentRunCountsDownInstallsAndTellsWhereTheFilesWent) {
  qz::CSetUpApp app;
  app.m_lpCmdLine = u"-AcceptedLicense";
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(app.InitInstance());
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(qz::SharedInstallState().InstallDone());
  EXPECT_TRUE(qz::SharedInstallState().silentInstall);
  EXPECT_EQ(app.m_pMainWnd, nullptr) << "the dialog is gone with the start-up hook";
  EXPECT_EQ(GetFile(u"C:\\Program Files\\Ombra\\QuendaZorvel\\lib\\readme.txt"), "hello");
  EXPECT_TRUE(HostExists(u"C:\\Program Files\\Ombra\\QuendaZorvel\\Zorvelx64.exe"));
  EXPECT_FALSE(HostExists(u"C:\\Program Files\\Ombra\\QuendaZorvel\\Zorvelx86.exe"));
  EXPECT_EQ(out.find("[Quenda Zorvel Installer]\n"), 0u);
  size_t five = out.find(" in 5 seconds.\n");
  size_t one = out.find(" in 1 seconds.\n");
  ASSERT_NE(five, std::string::npos);
  ASSERT_NE(one, std::string::npos);
  EXPECT_LT(five, one);
  // The two catalogue files, uninstall.info and stamp.bin.
  EXPECT_NE(out.find("Installed 4 files ("), std::string::npos) << out;
  EXPECT_NE(out.find(" bytes) into C:\\Program Files\\Ombra\\QuendaZorvel."), std::string::npos) << out;
  EXPECT_NE(out.find("  Link:"), std::string::npos) << out;
  EXPECT_NE(out.find("; the files are in " + Host(u"C:\\Program Files\\Ombra\\QuendaZorvel")), std::string::npos);
  EXPECT_TRUE(Messages().empty());
}

// The summary prints the links as uninstall.info holds them, whichever of
// its two encodings the file is in.
TEST_F(StartUp, TheSummaryReadsUninstallInfoInItsEncoding) {
  qz::InstallState& state = qz::SharedInstallState();
  state.targetDirectory = u"C:\\Q";
  state.SetInstallDone(true);
  ASSERT_FALSE(win::CreateDirectory(u"C:\\Q"));
  const std::u16string latin = u"C:\\users\\Ren\u00e9\\Desktop\\Quenda Zorvel.lnk";
  const std::u16string cyrillic = u"C:\\users\\\u0416\\Desktop\\Quenda Zorvel.lnk";
  for (const std::u16string& second : {std::u16string(), cyrillic}) {
    SCOPED_TRACE(win::WideToUtf8(second));
    qz::WriteUninstallInfo(latin, u"", second, u"");
    ::testing::internal::CaptureStdout();
    qz::ReportInstallation();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("  Link:" + win::WideToUtf8(latin) + "\n"), std::string::npos) << out;
    if (!second.empty()) {
      EXPECT_NE(out.find("  Link:" + win::WideToUtf8(second) + "\n"), std::string::npos) << out;
    }
  }
  state.SetInstallDone(false);
}

TEST_F(StartUp, WithoutTheSwitchTheConsoleCancelsAndSaysHowToRunUnattended) {
  win::SetApplicationTitle(u"QuendaZorvelSetup");
  qz::CSetUpApp app;
  app.m_lpCmdLine = u"-acceptedlicense";
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(app.InitInstance());
  ::testing::internal::GetCapturedStdout();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(qz::SharedInstallState().silentInstall);
  EXPECT_FALSE(qz::SharedInstallState().InstallDone());
  EXPECT_FALSE(HostExists(u"C:\\Program Files\\Ombra\\QuendaZorvel"));
  EXPECT_NE(err.find("This window needs a click, which the console cannot give."), std::string::npos);
  EXPECT_NE(err.find("Run \"QuendaZorvelSetup -AcceptedLicense\""), std::string::npos) << err;
}

}  // namespace

namespace {

class FileTypes : public qztest::AppTest {};

TEST_F(FileTypes, StartingAndCancellingAtOnceRemovesTheFourRegistrations) {
  qztest::UseBackend(qztest::Backend::console);
  const char16_t* keys[] = {u".asc", u"Quenda.Schematic", u".cir", u"Quenda.Netlist", u".raw", u"Quenda.Rawfile",
                            u".asy", u"Quenda.Symbol",    u".txt"};
  for (const char16_t* name : keys) {
    win::HKEY key = nullptr;
    ASSERT_EQ(win::RegCreateKeyExW(win::HKEY_CLASSES_ROOT, name, 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                                   win::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              win::ERROR_SUCCESS);
    win::RegCloseKey(key);
  }
  qz::CSetUpApp app;
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(app.InitInstance());
  ::testing::internal::GetCapturedStdout();
  ::testing::internal::GetCapturedStderr();
  for (const char16_t* name : keys) {
    win::HKEY key = nullptr;
    bool present =
        win::RegOpenKeyExW(win::HKEY_CLASSES_ROOT, name, 0, win::KEY_QUERY_VALUE, &key) == win::ERROR_SUCCESS;
    if (key) win::RegCloseKey(key);
    EXPECT_EQ(present, std::u16string_view(name) == u".txt") << win::WideToUtf8(name);
  }
}

}  // namespace
