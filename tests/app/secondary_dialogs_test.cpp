// The quit confirmation, the overwrite-or-update question and the folder
// browser's wrapper, on both backends.
#include "app/secondary_dialogs.h"

#include <gtest/gtest.h>

#include "platform/dialog/folder_browser.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace win;
using qztest::Click;
using qztest::ModalScript;

using SecondaryDialogs = qztest::AppOnBackends;

TEST_P(SecondaryDialogs, UpdateOnlyStartsWithOverwriteOnEveryRun) {
  struct Case {
    const char* name;
    bool pickUpdate;
    int button;
    INT_PTR result;
    int32_t choice;
  } cases[] = {
      {"OK untouched", false, IDOK, IDOK, 0},
      {"Update, OK", true, IDOK, IDOK, 1},
      {"Update, Cancel", true, IDCANCEL, IDCANCEL, 0},
      {"OK untouched again", false, IDOK, IDOK, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModalScript script;
    script.Then([&](HWND w) {
      EXPECT_EQ(GetWindowTextW(w), u"Overwrite or Update?");
      EXPECT_EQ(IsDlgButtonChecked(w, IDC_OVERWRITE), BST_CHECKED);
      EXPECT_EQ(IsDlgButtonChecked(w, IDC_UPDATE), BST_UNCHECKED);
      if (c.pickUpdate) {
        Click(w, IDC_UPDATE);
        EXPECT_EQ(IsDlgButtonChecked(w, IDC_OVERWRITE), BST_UNCHECKED);
      }
      Click(w, c.button);
    });
    qz::CUpdateOnly question;
    EXPECT_EQ(question.DoModal(), c.result);
    if (c.result == IDOK) {
      EXPECT_EQ(question.m_updateChoice, c.choice);
    }
  }
}

TEST_P(SecondaryDialogs, ReallyQuitAnswersYesWithOkAndNoOtherwise) {
  struct Case {
    const char* name;
    std::function<void(HWND)> answer;
    INT_PTR result;
  } cases[] = {
      {"Yes", [](HWND w) { Click(w, IDOK); }, IDOK},
      {"No", [](HWND w) { Click(w, IDCANCEL); }, IDCANCEL},
      {"close box", [](HWND w) { NotifyCloseRequested(w); }, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModalScript script;
    script.Then([&](HWND w) {
      EXPECT_EQ(GetWindowTextW(w), u"Quenda Zorvel Installation");
      RECT yes, no;
      GetWindowRect(GetDlgItem(w, IDOK), &yes);
      GetWindowRect(GetDlgItem(w, IDCANCEL), &no);
      EXPECT_LT(no.left, yes.left) << "No stands left of Yes";
      c.answer(w);
    });
    qz::CReallyQuit question;
    EXPECT_EQ(question.DoModal(), c.result);
  }
}

TEST(ShortenPathForStatus, ThirtyFiveCharactersAndThreeDots) {
  const std::u16string at35 = u"C:\\Program Files\\Ombra\\QuendaZorvel";
  ASSERT_EQ(at35.size(), 35u);
  EXPECT_EQ(qz::ShortenPathForStatus(at35), at35);
  EXPECT_EQ(qz::ShortenPathForStatus(at35 + u"\\"), at35 + u"...");
  EXPECT_EQ(qz::ShortenPathForStatus(at35 + u"\\x").size(), 38u);
  EXPECT_EQ(qz::ShortenPathForStatus(u""), u"");
}

TEST_P(SecondaryDialogs, FolderDialogsResultIsTheBrowsersReturnNotTheLastHighlight) {
  PutFile(u"C:\\One\\x.txt", "x");
  PutFile(u"C:\\Two\\x.txt", "x");
  ModalScript script;
  qz::CFolderDialog browser;
  browser.m_browseInfo.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  browser.m_initialFolder = u"C:\\One";
  script.Then([&](HWND w) {
    EXPECT_EQ(browser.m_browseWindow, w);
    EXPECT_EQ(w->browser->selection, u"C:\\One");
    NotifyBrowserSelection(w, u"C:\\Two");
    EXPECT_EQ(browser.m_chosenFolder, u"C:\\Two");
    EXPECT_EQ(w->browser->statusText, u"C:\\Two");
    SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(browser.DoModal(), IDCANCEL);
  EXPECT_EQ(browser.m_chosenFolder, u"C:\\One");

  script.Then([&](HWND w) {
    NotifyBrowserSelection(w, u"C:\\Two");
    SendMessageW(w, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(u"C:\\One"));
    SendMessageW(w, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(browser.DoModal(), IDOK);
  EXPECT_EQ(browser.m_chosenFolder, u"C:\\One");
  EXPECT_EQ(std::u16string(browser.m_displayName), u"One");
}

QZ_ON_BOTH_BACKENDS(SecondaryDialogs);

}  // namespace
