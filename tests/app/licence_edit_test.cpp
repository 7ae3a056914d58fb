// The licence edit's filter: typing, cutting and pasting refused, Ctrl+C and
// selecting let through, the subclass undone on destruction; as messages on
// both backends and as the user's keys on Qt.
#include "app/licence_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

#include "tests/app/app_fixture.h"

namespace {

using namespace win;

constexpr char16_t kText[] = u"Licence agreement\r\nSecond line\r\n";

class LicenceEdit : public qztest::AppOnBackends {
 protected:
  void SetUp() override {
    AppOnBackends::SetUp();
    dialog_.m_licenceText = kText;
    ASSERT_TRUE(dialog_.Create());
    edit_ = GetDlgItem(dialog_.m_hWnd, IDC_LICENCE_EDIT);
  }
  void TearDown() override {
    dialog_.DestroyWindow();
    AppOnBackends::TearDown();
  }
  void Select(int start, int end) { SendMessageW(edit_, EM_SETSEL, WPARAM(start), LPARAM(end)); }

  qz::CSetUpDlg dialog_{qztest::ExampleBuildDateLine()};
  HWND edit_ = nullptr;
};

TEST_P(LicenceEdit, RefusesTypingCuttingAndPastingButCopies) {
  ActiveBackend().SetClipboardText(u"pasted");
  Select(0, 7);
  struct Message {
    const char* name;
    UINT message;
    WPARAM wParam;
  } refused[] = {
      {"a", WM_CHAR, u'a'},
      {"Backspace", WM_CHAR, 0x08},
      {"Ctrl+V", WM_CHAR, 0x16},
      {"Ctrl+X", WM_CHAR, 0x18},
      {"Ctrl+Z", WM_CHAR, 0x1A},
      {"U+0103", WM_CHAR, 0x0103},
      {"Delete", WM_KEYDOWN, VK_DELETE},
      {"Home", WM_KEYDOWN, VK_HOME},
      {"cut", WM_CUT, 0},
      {"paste", WM_PASTE, 0},
  };
  for (const Message& m : refused) {
    SCOPED_TRACE(m.name);
    SendMessageW(edit_, m.message, m.wParam, 0);
    EXPECT_EQ(GetWindowTextW(edit_), kText);
    DWORD start = 0, end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 7u);
  }
  EXPECT_EQ(ActiveBackend().ClipboardText(), u"pasted");
  SendMessageW(edit_, WM_CHAR, 0x03, 0);  // Ctrl+C
  EXPECT_EQ(ActiveBackend().ClipboardText(), u"Licence");
  // What the filter does not name still reaches the edit, as on Windows.
  SendMessageW(edit_, WM_CLEAR, 0, 0);
  EXPECT_EQ(GetWindowTextW(edit_), u" agreement\r\nSecond line\r\n");
}

TEST_P(LicenceEdit, DestructionRemovesThePropertyAndReinstallsTheEditsProcedure) {
  WNDPROC own = edit_->classProc;
  ASSERT_EQ(reinterpret_cast<WNDPROC>(GetPropW(edit_, qz::kOldProcedureProperty)), own);
  SendMessageW(edit_, WM_DESTROY, 0, 0);
  EXPECT_EQ(GetPropW(edit_, qz::kOldProcedureProperty), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(edit_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(own));
}

QZ_ON_BOTH_BACKENDS(LicenceEdit);

// The user's keys and mouse on the Qt backend.
class QtLicenceEdit : public qztest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    qztest::UseBackend(qztest::Backend::qt);
    dialog_.m_licenceText = kText;
    ASSERT_TRUE(dialog_.Create());
    edit_ = GetDlgItem(dialog_.m_hWnd, IDC_LICENCE_EDIT);
    widget_ = qobject_cast<QTextEdit*>(QtWidgetOf(edit_));
    ASSERT_NE(widget_, nullptr);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
  }
  void TearDown() override {
    dialog_.DestroyWindow();
    AppTest::TearDown();
  }

  qz::CSetUpDlg dialog_{qztest::ExampleBuildDateLine()};
  HWND edit_ = nullptr;
  QTextEdit* widget_ = nullptr;
};

TEST_F(QtLicenceEdit, KeysThatWouldChangeTheTextHaveNoEffect) {
  SendMessageW(edit_, EM_SETSEL, 8, 17);
  QTest::keyClicks(widget_, "typed");
  QTest::keyClick(widget_, Qt::Key_Backspace);
  QTest::keyClick(widget_, Qt::Key_Delete);
  QTest::keyClick(widget_, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(widget_, Qt::Key_X, Qt::ControlModifier);
  QTest::keyClick(widget_, Qt::Key_Insert, Qt::ShiftModifier);
  QTest::keyClick(widget_, Qt::Key_Delete, Qt::ShiftModifier);
  QTest::keyClick(widget_, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(widget_, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(widget_->toPlainText(), QStringLiteral("Licence agreement\nSecond line\n"));
  EXPECT_EQ(GetWindowTextW(edit_), kText);
  EXPECT_EQ(widget_->textCursor().selectedText(), QStringLiteral("agreement")) << "no keyboard navigation either";
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("pasted"));
  // Enter goes to the dialog (Install Now is disabled before Accept).
  QTest::keyClick(widget_, Qt::Key_Return);
  EXPECT_EQ(widget_->toPlainText(), QStringLiteral("Licence agreement\nSecond line\n"));
}

TEST_F(QtLicenceEdit, CtrlCCopiesTheSelectionAndTheMouseSelectsAndScrolls) {
  SendMessageW(edit_, EM_SETSEL, 8, 17);
  QTest::keyClick(widget_, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("agreement"));

  // A double click selects a word, as on Windows; the selection reaches the window.
  QTextCursor start = widget_->textCursor();
  start.setPosition(0);
  QPoint word = widget_->cursorRect(start).center() + QPoint(3, 0);
  QTest::mouseDClick(widget_->viewport(), Qt::LeftButton, Qt::NoModifier, word);
  EXPECT_EQ(widget_->textCursor().selectedText(), QStringLiteral("Licence"));
  EXPECT_EQ(edit_->selectionStart, 0u);
  EXPECT_EQ(edit_->selectionEnd, 7u);

  std::u16string longText;
  for (int i = 0; i < 200; ++i) longText += u"A line of the agreement\r\n";
  dialog_.m_licenceText = longText;
  dialog_.UpdateData(FALSE);
  QScrollBar* bar = widget_->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->setValue(bar->maximum() / 2);
  EXPECT_EQ(bar->value(), bar->maximum() / 2);
  EXPECT_EQ(GetWindowTextW(edit_), longText);
}

TEST_F(QtLicenceEdit, TheDirectoryEditStillTakesTyping) {
  HWND directory = GetDlgItem(dialog_.m_hWnd, IDC_DIRECTORY);
  qztest::Click(dialog_.m_hWnd, IDC_ACCEPT);
  QWidget* line = QtWidgetOf(directory);
  line->setFocus();
  QTest::keyClick(line, Qt::Key_End);
  QTest::keyClicks(line, "\\x");
  EXPECT_EQ(GetWindowTextW(directory), u"C:\\Program Files\\Ombra\\QuendaZorvel\\x");
}

}  // namespace
