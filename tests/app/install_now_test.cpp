// Install Now as the dialog runs it for now: the shared state filled from
// the dialog, the worker and its 200 ms timer, the status line, the end.
#include "app/install_now.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/app/app_fixture.h"
#include "tests/support/test_catalogue.h"

namespace {

using namespace win;

using InstallNow = qztest::AppOnBackends;

TEST_P(InstallNow, FillsTheStateStartsTheWorkerAndClosesWithOkWhenItIsDone) {
  qztest::TestCatalogue catalogue;
  catalogue.Add(".\\lib\\readme.txt", "hello");
  qz::UseCatalogue(catalogue.Catalogue());
  qz::SharedInstallState().updateInstall = 1;
  qz::SharedInstallState().SetInstallDone(true);

  qz::CSetUpDlg dialog(qztest::ExampleBuildDateLine());
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  qztest::Click(w, IDC_ACCEPT);
  SetDlgItemTextW(w, IDC_DIRECTORY, u"C:\\Target");
  dialog.m_versionList.SetCurSel(2);
  qztest::Click(w, IDC_INSTALL_NOW);

  qz::InstallState& state = qz::SharedInstallState();
  EXPECT_EQ(state.targetDirectory, u"C:\\Target");
  EXPECT_EQ(state.executableChoice, 2);
  EXPECT_EQ(state.updateInstall, 0);
  EXPECT_TRUE(dialog.m_installing);
  EXPECT_EQ(dialog.m_timerId, UINT_PTR(1));
  EXPECT_EQ(TimerPeriod(w, 1), 200u);
  for (int id : {IDC_INSTALL_NOW, IDC_DIRECTORY, IDC_BROWSE, IDC_ACCEPT, IDC_DECLINE, IDC_VERSION_LIST})
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, id))) << id;
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDCANCEL)));
  ASSERT_TRUE(qztest::WaitForInstallDone());
  EXPECT_EQ(GetFile(u"C:\\Target\\lib\\readme.txt"), "hello");

  // A tick before the end shows the worker's status.
  state.SetInstallDone(false);
  state.SetStatusText(u"Extracting: .\\lib\\readme.txt.gz\n");
  SendMessageW(w, WM_TIMER, 1, 0);
  EXPECT_EQ(GetDlgItemTextW(w, IDC_STATUS_LINE), u"Extracting: .\\lib\\readme.txt.gz\n");
  EXPECT_EQ(dialog.ModalResult(), -1);

  state.SetInstallDone(true);
  SendMessageW(w, WM_TIMER, 1, 0);
  EXPECT_FALSE(dialog.m_installing);
  EXPECT_EQ(GetDlgItemTextW(w, IDC_STATUS_LINE), u"");
  EXPECT_EQ(dialog.m_timerId, UINT_PTR(0));
  EXPECT_EQ(TimerPeriod(w, 1), 0u);
  EXPECT_EQ(dialog.ModalResult(), IDOK);
  dialog.DestroyWindow();
}

QZ_ON_BOTH_BACKENDS(InstallNow);

}  // namespace

namespace {

class SilentInstallNow : public qztest::AppTest {};

TEST_F(SilentInstallNow, UpdatesAnExistingInstallationAndOverwritesOtherwise) {
  qztest::UseBackend(qztest::Backend::console);
  struct Case {
    const char* name;
    bool silent;
    const char16_t* installed;
    int update;
  } cases[] = {
      {"silent over the x64 build", true, u"C:\\Target\\Zorvelx64.exe", 1},
      {"silent over the x86 build only", true, u"C:\\Target\\Zorvelx86.exe", 0},
      {"silent into an empty directory", true, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qztest::ResetInstallState();
    qz::SharedInstallState().silentInstall = c.silent;
    if (c.installed) PutFile(c.installed, "old");
    qz::CSetUpDlg dialog(qztest::ExampleBuildDateLine());
    dialog.m_accepted = true;
    ASSERT_TRUE(dialog.Create());
    win::SetDlgItemTextW(dialog.m_hWnd, IDC_DIRECTORY, u"C:\\Target");
    dialog.OnInstallNow();
    EXPECT_EQ(qz::SharedInstallState().updateInstall, c.update);
    ASSERT_TRUE(qztest::WaitForInstallDone());
    dialog.DestroyWindow();
    if (c.installed) ::unlink(Host(c.installed).c_str());
  }
}

}  // namespace
