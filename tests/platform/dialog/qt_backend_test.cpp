// The Qt backend: widgets where the framework puts its windows, the keys of
// the dialog, the user's resizing, and message boxes of other threads.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/dialog/dialog_framework.h"
#include "tests/platform/dialog/test_backends.h"
#include "tests/platform/dialog/test_resources.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;

class QtBackend : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    qztest::UseBackend(qztest::Backend::qt);
    UseResources(qztest::TestResources());
  }
  void TearDown() override {
    qztest::SettleEvents();
    TempMachine::TearDown();
  }
};

TEST_F(QtBackend, WidgetsStandWhereTheFrameworkPutsTheWindows) {
  CDialog dialog(qztest::kTestDialog);
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  SIZE base = w->dialog->baseUnits;
  EXPECT_GE(base.cx, 4);
  EXPECT_LE(base.cx, 12);
  EXPECT_GE(base.cy, 10);
  EXPECT_LE(base.cy, 24);

  QWidget* top = QtWidgetOf(w);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->windowTitle(), QStringLiteral("Test Dialog"));
  RECT client;
  GetClientRect(w, &client);
  POINT origin;
  ClientToScreen(w, &origin);
  EXPECT_EQ(top->geometry(), QRect(origin.x, origin.y, client.Width(), client.Height()));
  for (HWND child : w->children) {
    QWidget* widget = QtWidgetOf(child);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), top);
    EXPECT_EQ(widget->geometry(), QRect(child->rect.left, child->rect.top, child->rect.Width(), child->rect.Height()));
  }
  MoveWindow(GetDlgItem(w, qztest::kLabel), 3, 4, 50, 12, FALSE);
  EXPECT_EQ(QtWidgetOf(GetDlgItem(w, qztest::kLabel))->geometry(), QRect(3, 4, 50, 12));
  EnableWindow(GetDlgItem(w, IDOK), FALSE);
  EXPECT_FALSE(QtWidgetOf(GetDlgItem(w, IDOK))->isEnabled());
  dialog.DestroyWindow();
}

TEST_F(QtBackend, EscapeEnterAndTheCloseBoxReachTheDialogsCommands) {
  struct Case {
    const char* name;
    std::function<void(QWidget*)> act;
    INT_PTR result;
  } cases[] = {
      {"Escape", [](QWidget* top) { QTest::keyClick(top, Qt::Key_Escape); }, IDCANCEL},
      {"Enter", [](QWidget* top) { QTest::keyClick(top, Qt::Key_Return); }, IDOK},
      {"close box", [](QWidget* top) { top->close(); }, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDialog dialog(qztest::kTestDialog);
    ASSERT_TRUE(dialog.Create());
    QWidget* top = QtWidgetOf(dialog.m_hWnd);
    c.act(top);
    EXPECT_EQ(dialog.ModalResult(), c.result);
    dialog.DestroyWindow();
  }
}

TEST_F(QtBackend, UserResizingReachesTheFrameworkWithinTheMinimum) {
  class Sized : public CDialog {
   public:
    Sized() : CDialog(qztest::kTestDialog) {}
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
      if (message == WM_SIZE) last = {LOWORD(uintptr_t(lParam)), HIWORD(uintptr_t(lParam))};
      if (message == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {300, 200};
      return CDialog::OnWndMsg(message, wParam, lParam, result);
    }
    SIZE last;
  } dialog;
  ASSERT_TRUE(dialog.Create());
  QWidget* top = QtWidgetOf(dialog.m_hWnd);
  RECT frame = FrameInsets(dialog.m_hWnd->style, dialog.m_hWnd->exStyle);
  EXPECT_EQ(top->minimumSize(), QSize(300 - frame.left - frame.right, 200 - frame.top - frame.bottom));
  top->resize(top->width() + 25, top->height() + 15);
  RECT client;
  GetClientRect(dialog.m_hWnd, &client);
  EXPECT_EQ(client.Width(), top->width());
  EXPECT_EQ(client.Height(), top->height());
  EXPECT_EQ(dialog.last.cx, top->width());
  EXPECT_EQ(dialog.last.cy, top->height());
  dialog.DestroyWindow();
}

TEST_F(QtBackend, MessageBoxOfAnotherThreadIsShownOnTheWindowThreadAndWaitsForItsAnswer) {
  QThread* shownOn = nullptr;
  QString text, title;
  bool noIsDefault = false;
  // Closes the box from inside its own modal loop, as a user would.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shownOn = box->thread();
    text = box->text();
    title = box->windowTitle();
    noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
    box->button(QMessageBox::No)->click();
  });
  closer.start(10);

  std::atomic<int> answer{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    MessageBoxRequest request{nullptr, u"Really?\r\nSure?", u"Quenda Zorvel",
                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2};
    answer = ActiveBackend().ShowMessageBox(request);
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
  worker.join();
  EXPECT_EQ(answer.load(), IDNO);
  EXPECT_EQ(shownOn, qApp->thread());
  EXPECT_EQ(text, QStringLiteral("Really?\nSure?"));
  EXPECT_EQ(title, QStringLiteral("Quenda Zorvel"));
  EXPECT_TRUE(noIsDefault);
}

}  // namespace

// Fontconfig keeps caches that it never frees; Qt's fonts come from it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
