// The folder browser on both backends: the callback's messages, the
// selection and status line, and what the run returns.
#include "platform/dialog/folder_browser.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "tests/platform/dialog/test_backends.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;
using qztest::Backend;
using qztest::ModalScript;

struct Recorder {
  std::vector<UINT> messages;
  std::vector<std::u16string> selections;

  static int Callback(HWND, UINT message, LPARAM parameter, LPARAM data) {
    auto* self = reinterpret_cast<Recorder*>(data);
    self->messages.push_back(message);
    if (message == BFFM_SELCHANGED) {
      char16_t path[MAX_PATH];
      SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter), path);
      self->selections.push_back(path);
    }
    return 0;
  }
};

class FolderBrowser : public qztest::TempMachine, public ::testing::WithParamInterface<Backend> {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    qztest::UseBackend(GetParam());
    PutFile(u"C:\\Apps\\Tools\\readme.txt", "x");
    PutFile(u"C:\\apps2\\file.txt", "x");
    info_.lpszTitle = u"Pick one";
    info_.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info_.lpfn = &Recorder::Callback;
    info_.lParam = reinterpret_cast<LPARAM>(&recorder_);
    info_.pszDisplayName = name_;
  }
  void TearDown() override {
    qztest::SettleEvents();
    TempMachine::TearDown();
  }

  static void SelectPath(HWND browser, const char16_t* path) {
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path));
  }
  static void Command(HWND browser, int id) { SendMessageW(browser, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), 0); }

  // Runs the browser; the path of its result, or "(none)".
  std::u16string Run() {
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info_);
    if (!item) return u"(none)";
    char16_t path[MAX_PATH];
    std::u16string result = SHGetPathFromIDListW(item, path) ? path : u"(no path)";
    IMalloc* allocator = nullptr;
    EXPECT_EQ(SHGetMalloc(&allocator), S_OK);
    allocator->Free(item);
    allocator->Release();
    return result;
  }

  Recorder recorder_;
  BROWSEINFOW info_;
  char16_t name_[MAX_PATH] = {};
};

TEST_P(FolderBrowser, SelectionAndStatusFollowTheCallersMessagesAndOkReturnsTheSelection) {
  ModalScript script;
  script.Then([&](HWND browser) {
    EXPECT_TRUE(IsFolderBrowser(browser));
    EXPECT_EQ(recorder_.messages, std::vector<UINT>{BFFM_INITIALIZED});
    EXPECT_FALSE(BrowserCanAccept(browser)) << "the computer has no file-system path";
    SelectPath(browser, u"C:\\Apps\\Missing");  // not there: not selected
    SelectPath(browser, u"c:\\apps\\tools\\");
    SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(u"C:\\apps\\tools"));
    EXPECT_EQ(browser->browser->statusText, u"C:\\apps\\tools");
    if (GetParam() == Backend::qt) {
      QWidget* widget = QtWidgetOf(browser);
      auto* tree = widget->findChild<QTreeWidget*>();
      ASSERT_NE(tree, nullptr);
      ASSERT_NE(tree->currentItem(), nullptr);
      EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Tools"));
      bool statusShown = false;
      for (QLabel* label : widget->findChildren<QLabel*>()) statusShown |= label->text() == "C:\\apps\\tools";
      EXPECT_TRUE(statusShown);
    }
    NotifyBrowserSelection(browser, u"C:\\apps2");  // the user's click
    SelectPath(browser, u"C:\\Apps\\Tools");
    Command(browser, IDOK);
  });
  // The machine's own spelling of the folder comes back.
  EXPECT_EQ(Run(), u"C:\\Apps\\Tools");
  EXPECT_EQ(std::u16string(name_), u"Tools");
  EXPECT_EQ(recorder_.selections, (std::vector<std::u16string>{u"C:\\Apps\\Tools", u"C:\\apps2", u"C:\\Apps\\Tools"}));
}

TEST_P(FolderBrowser, CancelAndTheCloseBoxReturnNothing) {
  ModalScript script;
  script.Then([&](HWND browser) {
    SelectPath(browser, u"C:\\Apps");
    Command(browser, IDCANCEL);
  });
  script.Then([&](HWND browser) {
    Command(browser, IDOK);  // nothing selected: OK does not close it
    EXPECT_FALSE(browser->dialog->ended);
    SendMessageW(browser, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(Run(), u"(none)");
  EXPECT_EQ(Run(), u"(none)");
}

INSTANTIATE_TEST_SUITE_P(Backends, FolderBrowser, ::testing::Values(Backend::console, Backend::qt),
                         qztest::BackendName);

class BrowserTree : public qztest::TempMachine {};

TEST_F(BrowserTree, DrivesAndSubfoldersOfTheMachine) {
  PutFile(u"C:\\b\\x.txt", "x");
  PutFile(u"C:\\A\\x.txt", "x");
  PutFile(u"C:\\c.txt", "x");
  std::vector<std::u16string> drives = BrowserDrives();
  ASSERT_GE(drives.size(), 2u);
  EXPECT_EQ(drives.front(), u"C:\\");
  EXPECT_EQ(drives.back(), u"Z:\\");
  std::vector<std::u16string> folders = BrowserSubfolders(u"C:\\");
  auto a = std::find(folders.begin(), folders.end(), u"C:\\A");
  auto b = std::find(folders.begin(), folders.end(), u"C:\\b");
  ASSERT_NE(a, folders.end());
  ASSERT_NE(b, folders.end());
  EXPECT_LT(a, b) << "sorted without regard to case";
  EXPECT_EQ(std::find(folders.begin(), folders.end(), u"C:\\c.txt"), folders.end()) << "files are not folders";
}

}  // namespace
