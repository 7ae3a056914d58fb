// The edit class: what its messages do to the text, the selection and the
// clipboard on both backends, and the user's keys on the Qt backend going
// through the edit's window procedures.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

#include "platform/dialog/dialog_framework.h"
#include "tests/platform/dialog/test_backends.h"
#include "tests/platform/dialog/test_resources.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;
using qztest::Backend;

class Edits : public qztest::TempMachine, public ::testing::WithParamInterface<Backend> {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    qztest::UseBackend(GetParam());
    UseResources(qztest::TestResources());
    ASSERT_TRUE(dialog_.Create());
  }
  void TearDown() override {
    dialog_.DestroyWindow();
    qztest::SettleEvents();
    TempMachine::TearDown();
  }
  HWND Item(int id) { return GetDlgItem(dialog_.m_hWnd, id); }
  static void Type(HWND edit, std::u16string_view text) {
    for (char16_t c : text) SendMessageW(edit, WM_CHAR, c, 0);
  }
  static void Select(HWND edit, int start, int end) { SendMessageW(edit, EM_SETSEL, WPARAM(start), LPARAM(end)); }

  CDialog dialog_{qztest::kTestDialog};
};

TEST_P(Edits, TypingReplacesTheSelectionAndUndoRestoresIt) {
  HWND edit = Item(qztest::kLineEdit);
  SetWindowTextW(edit, u"C:\\Program Files");
  Select(edit, 3, -1);
  Type(edit, u"Apps");
  EXPECT_EQ(GetWindowTextW(edit), u"C:\\Apps");
  SendMessageW(edit, WM_CHAR, 0x08, 0);
  EXPECT_EQ(GetWindowTextW(edit), u"C:\\App");
  SendMessageW(edit, WM_UNDO, 0, 0);
  EXPECT_EQ(GetWindowTextW(edit), u"C:\\Apps");
  DWORD start = 0, end = 0;
  Select(edit, 0, 2);
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 2u);
  if (GetParam() == Backend::qt) {
    auto* line = qobject_cast<QLineEdit*>(QtWidgetOf(edit));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("C:\\Apps"));
    EXPECT_EQ(line->selectedText(), QStringLiteral("C:"));
  }
}

TEST_P(Edits, ClipboardCommandsAndControlCharacters) {
  HWND line = Item(qztest::kLineEdit);
  HWND multi = Item(qztest::kMultiLineEdit);
  SetWindowTextW(multi, u"first\r\nsecond");
  Select(multi, 0, -1);
  SendMessageW(multi, WM_CHAR, 0x03, 0);  // Ctrl+C
  EXPECT_EQ(ActiveBackend().ClipboardText(), u"first\r\nsecond");
  // A single-line edit takes the clipboard's first line.
  SendMessageW(line, WM_CHAR, 0x16, 0);  // Ctrl+V
  EXPECT_EQ(GetWindowTextW(line), u"first");
  Select(line, 1, 3);
  SendMessageW(line, WM_CHAR, 0x18, 0);  // Ctrl+X
  EXPECT_EQ(GetWindowTextW(line), u"fst");
  EXPECT_EQ(ActiveBackend().ClipboardText(), u"ir");
  Select(multi, 5, 5);
  SendMessageW(multi, WM_CHAR, u'\r', 0);
  EXPECT_EQ(GetWindowTextW(multi), u"first\r\n\r\nsecond");
  Select(line, 0, -1);
  SendMessageW(line, WM_CLEAR, 0, 0);
  EXPECT_EQ(GetWindowTextW(line), u"");
}

TEST_P(Edits, ReadOnlyEditCopiesButTakesNoText) {
  HWND edit = Item(qztest::kReadOnlyEdit);
  ActiveBackend().SetClipboardText(u"pasted");
  Select(edit, 0, -1);
  Type(edit, u"typed");
  SendMessageW(edit, WM_PASTE, 0, 0);
  SendMessageW(edit, WM_CUT, 0, 0);
  SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(GetWindowTextW(edit), u"fixed");
  SendMessageW(edit, WM_COPY, 0, 0);
  EXPECT_EQ(ActiveBackend().ClipboardText(), u"fixed");
}

INSTANTIATE_TEST_SUITE_P(Backends, Edits, ::testing::Values(Backend::console, Backend::qt), qztest::BackendName);

// The user's keys on the Qt backend.
class QtEditKeys : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    qztest::UseBackend(Backend::qt);
    UseResources(qztest::TestResources());
    ASSERT_TRUE(dialog_.Create());
  }
  void TearDown() override {
    dialog_.DestroyWindow();
    qztest::SettleEvents();
    TempMachine::TearDown();
  }
  CDialog dialog_{qztest::kTestDialog};
};

LRESULT RefuseX(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR && (wParam == u'x' || wParam == u'X')) return 0;
  return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropW(window, u"Previous")), window, message, wParam, lParam);
}

TEST_F(QtEditKeys, TypedKeysReachTheWidgetOnlyThroughTheWindowProcedures) {
  HWND edit = GetDlgItem(dialog_.m_hWnd, qztest::kLineEdit);
  auto* line = qobject_cast<QLineEdit*>(QtWidgetOf(edit));
  ASSERT_NE(line, nullptr);
  QTest::keyClicks(line, "box");
  EXPECT_EQ(GetWindowTextW(edit), u"box") << "what the user types reaches the window's text";
  SetPropW(edit, u"Previous", reinterpret_cast<void*>(GetWindowLongPtrW(edit, GWLP_WNDPROC)));
  SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefuseX));
  QTest::keyClicks(line, "axb");
  EXPECT_EQ(line->text(), QStringLiteral("boxab"));
  EXPECT_EQ(GetWindowTextW(edit), u"boxab");
  // Keys without a character act on the widget when they pass.
  QTest::keyClick(line, Qt::Key_Home);
  QTest::keyClick(line, Qt::Key_Delete);
  EXPECT_EQ(GetWindowTextW(edit), u"oxab");
}

TEST_F(QtEditKeys, MultiLineEditKeepsWindowsLineEnds) {
  HWND edit = GetDlgItem(dialog_.m_hWnd, qztest::kMultiLineEdit);
  auto* text = qobject_cast<QTextEdit*>(QtWidgetOf(edit));
  ASSERT_NE(text, nullptr);
  SetWindowTextW(edit, u"one\r\ntwo");
  EXPECT_EQ(text->toPlainText(), QStringLiteral("one\ntwo"));
  SendMessageW(edit, EM_SETSEL, 5, 8);
  EXPECT_EQ(text->textCursor().selectedText(), QStringLiteral("two"));
  QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(text, "!");
  EXPECT_EQ(GetWindowTextW(edit), u"one\r\ntwo!");
  DWORD start = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  EXPECT_EQ(start, 9u);
}

}  // namespace
