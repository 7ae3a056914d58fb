// The main installer dialog on both backends: its start, the enable rules
// in each state, Accept and Decline, the silent countdown, Cancel, Browse.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/licence_edit.h"
#include "app/secondary_dialogs.h"
#include "platform/base/text.h"
#include "platform/dialog/folder_browser.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace win;
using qztest::Click;
using qztest::ModalScript;

constexpr char16_t kDefaultDirectory[] = u"C:\\Program Files\\Ombra\\QuendaZorvel";

// Counts Install Now instead of installing, unless told to install.
class TestSetUpDlg : public qz::CSetUpDlg {
 public:
  TestSetUpDlg() : CSetUpDlg(qztest::ExampleBuildDateLine()) { m_licenceText = u"Line one\r\nLine two"; }
  void OnInstallNow() override {
    ++installNowCalls;
    if (install) CSetUpDlg::OnInstallNow();
  }
  int installNowCalls = 0;
  bool install = false;
};

using MainDialog = qztest::AppOnBackends;

std::u16string Title(HWND dialog) { return GetDlgItemTextW(dialog, IDC_TITLE_LINE); }

TEST_P(MainDialog, StartsWithTheDefaultDirectoryTheTitleAndTheProcessorsVersion) {
  for (bool native64 : {true, false}) {
    SCOPED_TRACE(native64 ? "AMD64" : "x86");
    if (!native64) ::setenv("QZ_MACHINE_ARCH", "x86", 1);
    TestSetUpDlg dialog;
    ASSERT_TRUE(dialog.Create());
    HWND w = dialog.m_hWnd;
    EXPECT_EQ(GetDlgItemTextW(w, IDC_DIRECTORY), kDefaultDirectory);
    EXPECT_EQ(dialog.m_directoryText, kDefaultDirectory);
    EXPECT_EQ(Title(w), qztest::kExampleTitle);
    EXPECT_EQ(GetDlgItemTextW(w, IDC_STATUS_LINE), u"");
    EXPECT_EQ(GetDlgItemTextW(w, IDC_LICENCE_EDIT), u"Line one\r\nLine two");
    ASSERT_EQ(dialog.m_versionList.GetCount(), 3);
    EXPECT_EQ(dialog.m_versionList.GetLBText(0), u"       x86(32-bit)");
    EXPECT_EQ(dialog.m_versionList.GetLBText(1), u"       x64(64-bit)");
    EXPECT_EQ(dialog.m_versionList.GetLBText(2), u"    both x86 & x64");
    EXPECT_EQ(dialog.m_versionList.GetCurSel(), native64 ? 1 : 0);

    EXPECT_EQ(w->bigIcon, LoadIconW(IDR_MAINFRAME));
    EXPECT_EQ(w->smallIcon, LoadIconW(IDR_MAINFRAME));
    HWND licence = GetDlgItem(w, IDC_LICENCE_EDIT);
    ASSERT_NE(licence->font, nullptr);
    EXPECT_EQ(licence->font->face, u"Tahoma");
    EXPECT_EQ(licence->font->pointTenths, 110);
    EXPECT_EQ(GetWindowLongPtrW(licence, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&qz::LicenceEditProc));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetPropW(licence, qz::kOldProcedureProperty)), licence->classProc);

    HWND grip = GetDlgItem(w, IDC_SIZE_GRIP);
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->style, 0x54000010u);
    RECT client, gripRect;
    GetClientRect(w, &client);
    GetWindowRect(grip, &gripRect);
    POINT corner{client.right, client.bottom};
    ClientToScreen(w, &corner);
    EXPECT_EQ(gripRect.right, corner.x);
    EXPECT_EQ(gripRect.bottom, corner.y);
    EXPECT_EQ(gripRect.Width(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(gripRect.Height(), GetSystemMetrics(SM_CYHSCROLL));
    dialog.DestroyWindow();
    ::unsetenv("QZ_MACHINE_ARCH");
  }
}

TEST_P(MainDialog, EnableRulesInEachState) {
  enum State { pending, accepted, countdown, installing, finishing };
  const std::set<int> installation = {IDC_DIRECTORY_LABEL, IDC_DIRECTORY, IDC_INSTALL_NOW, IDC_BROWSE,
                                      IDC_VERSION_LABEL};
  const int all[] = {IDC_DIRECTORY_LABEL, IDC_DIRECTORY, IDC_INSTALL_NOW, IDC_BROWSE, IDC_VERSION_LABEL,
                     IDC_VERSION_LIST,    IDC_ACCEPT,    IDC_DECLINE,     IDCANCEL,   IDC_LICENCE_EDIT,
                     IDC_STATUS_LINE,     IDC_TITLE_LINE};
  struct Row {
    State state;
    bool native64;
    std::set<int> enabled;  // besides Cancel, the licence edit and the two lines
  };
  std::set<int> acceptedX86 = installation;
  acceptedX86.insert({IDC_ACCEPT, IDC_DECLINE});
  std::set<int> acceptedAmd64 = acceptedX86;
  acceptedAmd64.insert(IDC_VERSION_LIST);
  const Row rows[] = {
      {pending, true, {IDC_ACCEPT, IDC_DECLINE}},
      {pending, false, {IDC_ACCEPT, IDC_DECLINE}},
      {accepted, true, acceptedAmd64},
      {accepted, false, acceptedX86},
      {countdown, true, {}},
      {countdown, false, {}},
      {installing, true, {}},
      {installing, false, {}},
      {finishing, true, acceptedAmd64},
      {finishing, false, acceptedX86},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.state) + (row.native64 ? " AMD64" : " x86"));
    if (!row.native64) ::setenv("QZ_MACHINE_ARCH", "x86", 1);
    qz::SharedInstallState().silentInstall = row.state == countdown;
    TestSetUpDlg dialog;
    dialog.m_accepted = row.state == countdown;
    ASSERT_TRUE(dialog.Create());
    HWND w = dialog.m_hWnd;
    if (row.state == accepted || row.state == installing || row.state == finishing) Click(w, IDC_ACCEPT);
    if (row.state == installing || row.state == finishing) {
      dialog.m_installing = true;
      dialog.UpdateData(FALSE);
    }
    if (row.state == finishing) {
      dialog.m_installing = false;
      dialog.UpdateData(FALSE);
    }
    for (int id : all) {
      bool always = id == IDCANCEL || id == IDC_LICENCE_EDIT || id == IDC_STATUS_LINE || id == IDC_TITLE_LINE;
      EXPECT_EQ(bool(IsWindowEnabled(GetDlgItem(w, id))), always || row.enabled.count(id) > 0) << "control " << id;
    }
    dialog.DestroyWindow();
    ::unsetenv("QZ_MACHINE_ARCH");
    qz::SharedInstallState().silentInstall = false;
  }
}

TEST_P(MainDialog, DeclineQuitsBeforeAcceptAndWithdrawsTheAcceptanceAfterIt) {
  ModalScript script;
  script.Then([](HWND w) { Click(w, IDC_DECLINE); });
  TestSetUpDlg first;
  EXPECT_EQ(first.DoModal(), IDCANCEL);

  TestSetUpDlg second;
  script.Then([&](HWND w) {
    Click(w, IDC_ACCEPT);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_INSTALL_NOW)));
    Click(w, IDC_DECLINE);
    EXPECT_FALSE(second.m_accepted);
    EXPECT_FALSE(w->dialog->ended);
    for (int id : {IDC_DIRECTORY, IDC_BROWSE, IDC_VERSION_LIST, IDC_INSTALL_NOW})
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, id))) << id;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_ACCEPT)));
    Click(w, IDCANCEL);
  });
  EXPECT_EQ(second.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Done());
}

TEST_P(MainDialog, SilentCountdownShowsFiveToOneThenInstallsOnce) {
  qz::SharedInstallState().silentInstall = true;
  TestSetUpDlg dialog;
  dialog.m_accepted = true;
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  std::u16string title = qztest::kExampleTitle;
  EXPECT_EQ(Title(w), title + u" in 5 seconds.");
  ASSERT_EQ(dialog.m_timerId, UINT_PTR(1));
  EXPECT_EQ(TimerPeriod(w, 1), 1000u);

  SendMessageW(w, WM_TIMER, 2, 0);  // not the dialog's timer
  EXPECT_EQ(Title(w), title + u" in 5 seconds.");
  for (int left = 4; left >= 1; --left) {
    SendMessageW(w, WM_TIMER, 1, 0);
    EXPECT_EQ(Title(w), win::Format(u"%ls in %d seconds.", title, left));
    EXPECT_EQ(dialog.installNowCalls, 0);
  }
  SendMessageW(w, WM_TIMER, 1, 0);
  EXPECT_EQ(Title(w), title);
  EXPECT_EQ(dialog.installNowCalls, 1);
  EXPECT_EQ(dialog.m_timerId, UINT_PTR(0));
  EXPECT_EQ(TimerPeriod(w, 1), 0u);
  SendMessageW(w, WM_TIMER, 1, 0);
  EXPECT_EQ(dialog.installNowCalls, 1);
  dialog.DestroyWindow();
}

TEST_P(MainDialog, CancelEndsAtOnceExceptWhileInstalling) {
  ModalScript script;
  qz::SharedInstallState().silentInstall = true;
  TestSetUpDlg counting;
  counting.m_accepted = true;
  script.Then([](HWND w) { Click(w, IDCANCEL); });
  EXPECT_EQ(counting.DoModal(), IDCANCEL);
  EXPECT_EQ(script.Runs(), 1) << "no question during the countdown";

  qz::SharedInstallState().silentInstall = false;
  TestSetUpDlg installing;
  installing.install = true;
  script.Then([&](HWND w) {
    Click(w, IDC_ACCEPT);
    Click(w, IDC_INSTALL_NOW);
    ASSERT_TRUE(installing.m_installing);
    Click(w, IDCANCEL);
    EXPECT_FALSE(w->dialog->ended) << "No lets the installation go on";
    Click(w, IDCANCEL);
  });
  script.Then([](HWND question) {
    EXPECT_EQ(DialogTemplateId(question), unsigned(IDD_REALLY_QUIT));
    EXPECT_EQ(GetWindowTextW(question), u"Quenda Zorvel Installation");
    Click(question, IDCANCEL);  // "No"
  });
  script.Then([](HWND question) { Click(question, IDOK); });  // "Yes"
  EXPECT_EQ(installing.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(qztest::WaitForInstallDone());
}

TEST_P(MainDialog, BrowseKeepsATypedDirectoryWhenCancelledAndTakesABrowsedOne) {
  PutFile(u"C:\\Apps\\Quenda\\keep.txt", "x");
  TestSetUpDlg dialog;
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  Click(w, IDC_ACCEPT);
  ModalScript script;
  const std::u16string typed = u"C:\\A rather long directory name\\that does not exist";
  SetDlgItemTextW(w, IDC_DIRECTORY, typed);
  script.Then([&](HWND browser) {
    ASSERT_TRUE(IsFolderBrowser(browser));
    EXPECT_EQ(browser->browser->title, u"Select the directory to install Quenda Zorvel");
    EXPECT_EQ(browser->browser->info.ulFlags, UINT(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));
    EXPECT_EQ(browser->browser->info.hwndOwner, w);
    // The typed folder does not exist: it is not selected, but shown.
    EXPECT_EQ(browser->browser->selection, u"");
    EXPECT_EQ(browser->browser->statusText, typed.substr(0, 35) + u"...");
    NotifyBrowserSelection(browser, u"C:\\Apps");
    EXPECT_EQ(browser->browser->statusText, u"C:\\Apps");
    SendMessageW(browser, WM_COMMAND, IDCANCEL, 0);
  });
  Click(w, IDC_BROWSE);
  EXPECT_EQ(dialog.m_directoryText, typed);
  EXPECT_EQ(GetDlgItemTextW(w, IDC_DIRECTORY), typed);

  script.Then([&](HWND browser) {
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(u"C:\\Apps\\Quenda"));
    SendMessageW(browser, WM_COMMAND, IDOK, 0);
  });
  Click(w, IDC_BROWSE);
  EXPECT_EQ(dialog.m_directoryText, u"C:\\Apps\\Quenda");
  EXPECT_EQ(GetDlgItemTextW(w, IDC_DIRECTORY), u"C:\\Apps\\Quenda");

  // An empty directory preselects nothing.
  SetDlgItemTextW(w, IDC_DIRECTORY, u"");
  script.Then([&](HWND browser) {
    EXPECT_EQ(browser->browser->selection, u"");
    EXPECT_EQ(browser->browser->statusText, u"");
    SendMessageW(browser, WM_CLOSE, 0, 0);
  });
  Click(w, IDC_BROWSE);
  EXPECT_EQ(dialog.m_directoryText, u"");
  EXPECT_TRUE(script.Done());
  dialog.DestroyWindow();
}

QZ_ON_BOTH_BACKENDS(MainDialog);

}  // namespace
