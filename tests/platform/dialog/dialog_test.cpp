// Template dialogs on both backends: creation in pixels, modal runs and
// their results, data exchange, message tables, timers and size limits.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/dialog/dialog_framework.h"
#include "tests/platform/dialog/test_backends.h"
#include "tests/platform/dialog/test_resources.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;
using qztest::Backend;
using qztest::Click;
using qztest::ModalScript;

class TestDialog : public CDialog {
 public:
  explicit TestDialog(unsigned id = qztest::kTestDialog, CWnd* parent = nullptr) : CDialog(id, parent) {}

  BOOL OnInitDialog() override {
    visibleDuringInit = IsWindowVisible();
    controlsDuringInit = GetDlgItem(qztest::kLineEdit) != nullptr;
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* exchange) override {
    if (GetDlgItem(qztest::kLineEdit)) DDX_Text(exchange, qztest::kLineEdit, text);
    exchanges.push_back(exchange->m_bSaveAndValidate);
  }
  void OnCancel() override {
    ++cancels;
    CDialog::OnCancel();
  }
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    static const MessageMap<TestDialog> map = {
        OnTimerEntry(&TestDialog::Tick),
        OnSizeEntry(&TestDialog::Sized),
        OnGetMinMaxInfoEntry(&TestDialog::Limits),
        OnClickedEntry(qztest::kSecondRadio, &TestDialog::SecondClicked),
    };
    return map.Dispatch(*this, message, wParam, lParam, result) || CDialog::OnWndMsg(message, wParam, lParam, result);
  }

  void Tick(UINT_PTR id) {
    ticks.push_back(id);
    if (onTick) onTick(id);
  }
  void Sized(UINT, int cx, int cy) { sizes.emplace_back(cx, cy); }
  void Limits(MINMAXINFO* info) {
    if (minimum.cx) info->ptMinTrackSize = {minimum.cx, minimum.cy};
  }
  void SecondClicked() { ++secondClicks; }

  bool visibleDuringInit = true;
  bool controlsDuringInit = false;
  std::u16string text;
  std::vector<BOOL> exchanges;
  std::vector<UINT_PTR> ticks;
  std::function<void(UINT_PTR)> onTick;
  std::vector<std::pair<int, int>> sizes;
  SIZE minimum;
  int secondClicks = 0;
  int cancels = 0;
};

class Dialogs : public qztest::TempMachine, public ::testing::WithParamInterface<Backend> {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    qztest::UseBackend(GetParam());
    UseResources(qztest::TestResources());
  }
  void TearDown() override {
    qztest::SettleEvents();
    TempMachine::TearDown();
  }

  // Windows converts the position and the size of a control each on its own.
  static RECT Pixels(HWND dialog, int x, int y, int cx, int cy) {
    return DialogUnitsToPixels(x, y, cx, cy, dialog->dialog->baseUnits);
  }
  static RECT ClientRectOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    POINT origin;
    ClientToScreen(GetParent(control), &origin);
    return {r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
  }
};

TEST_P(Dialogs, TemplateBecomesWindowsInPixelsOfTheDialogFont) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  EXPECT_FALSE(dialog.visibleDuringInit);
  EXPECT_TRUE(dialog.controlsDuringInit);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(GetWindowTextW(w), u"Test Dialog");

  SIZE base = w->dialog->baseUnits;
  if (GetParam() == Backend::console) {
    EXPECT_EQ(base.cx, 6);
    EXPECT_EQ(base.cy, 13);
  }
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.Width(), MulDiv(200, base.cx, 4));
  EXPECT_EQ(client.Height(), MulDiv(100, base.cy, 8));
  // The template's position is the window's corner on the screen (no owner).
  RECT window;
  GetWindowRect(w, &window);
  EXPECT_EQ(window.left, MulDiv(10, base.cx, 4));
  EXPECT_EQ(window.top, MulDiv(20, base.cy, 8));
  RECT frame = FrameInsets(w->style, w->exStyle);
  EXPECT_EQ(window.Width(), client.Width() + frame.left + frame.right);

  for (const DialogItemTemplate& item : qztest::TestResources().dialogs[0].items) {
    SCOPED_TRACE(item.id);
    HWND control = GetDlgItem(w, item.id);
    ASSERT_NE(control, nullptr);
    RECT expected = Pixels(w, item.x, item.y, item.cx, item.cy);
    RECT actual = ClientRectOf(control);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.Width(), expected.Width());
    // A drop-down list keeps its closed height; the template gives the open one.
    if (item.id == qztest::kCombo)
      EXPECT_EQ(actual.Height(), ActiveBackend().ComboBoxHeight(*w->font));
    else
      EXPECT_EQ(actual.Height(), expected.Height());
    EXPECT_EQ(DWORD(GetWindowLongPtrW(control, GWL_STYLE)), item.style);
  }
  CComboBox combo;
  combo.Attach(GetDlgItem(w, qztest::kCombo));
  ASSERT_EQ(combo.GetCount(), 2);
  EXPECT_EQ(combo.GetLBText(0), u"one");
  EXPECT_EQ(combo.GetLBText(1), u"two");
  combo.Detach();
  dialog.DestroyWindow();
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_P(Dialogs, ModalRunEndsWithTheResultOfItsButtons) {
  struct Case {
    const char* name;
    std::function<void(HWND)> end;
    INT_PTR result;
    bool saved;
  } cases[] = {
      {"OK", [](HWND w) { Click(w, IDOK); }, IDOK, true},
      {"Cancel", [](HWND w) { Click(w, IDCANCEL); }, IDCANCEL, false},
      {"close box", [](HWND w) { NotifyCloseRequested(w); }, IDCANCEL, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModalScript script;
    script.Then([&](HWND w) {
      EXPECT_TRUE(IsWindowVisible(w));
      SetDlgItemTextW(w, qztest::kLineEdit, u"typed");
      c.end(w);
    });
    TestDialog dialog;
    EXPECT_EQ(dialog.DoModal(), c.result);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.text, c.saved ? u"typed" : u"");
    EXPECT_EQ(dialog.cancels, c.saved ? 0 : 1);
  }
}

TEST_P(Dialogs, NestedModalRunDisablesItsOwnerUntilItEnds) {
  ModalScript script;
  TestDialog outer;
  INT_PTR inner = 0;
  script.Then([&](HWND w) {
    TestDialog question(qztest::kQuestionDialog, &outer);
    inner = question.DoModal();
    EXPECT_TRUE(IsWindowEnabled(w));
    Click(w, IDCANCEL);
  });
  script.Then([&](HWND q) {
    EXPECT_EQ(DialogTemplateId(q), unsigned(qztest::kQuestionDialog));
    EXPECT_FALSE(IsWindowEnabled(outer.m_hWnd));
    // Without DS_ABSALIGN the template's 0, 0 is the owner's client corner.
    RECT window;
    GetWindowRect(q, &window);
    POINT origin;
    ClientToScreen(outer.m_hWnd, &origin);
    EXPECT_EQ(window.left, origin.x);
    EXPECT_EQ(window.top, origin.y);
    Click(q, IDOK);
  });
  EXPECT_EQ(outer.DoModal(), IDCANCEL);
  EXPECT_EQ(inner, IDOK);
  EXPECT_EQ(script.Runs(), 2);
}

TEST_P(Dialogs, MessageTableRoutesClicksAndRadioGroupsStayExclusive) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  Click(w, qztest::kFirstRadio);
  EXPECT_EQ(IsDlgButtonChecked(w, qztest::kFirstRadio), BST_CHECKED);
  Click(w, qztest::kSecondRadio);
  EXPECT_EQ(dialog.secondClicks, 1);
  EXPECT_EQ(IsDlgButtonChecked(w, qztest::kFirstRadio), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(w, qztest::kSecondRadio), BST_CHECKED);

  EnableWindow(GetDlgItem(w, qztest::kSecondRadio), FALSE);
  Click(w, qztest::kFirstRadio);
  Click(w, qztest::kSecondRadio);
  EXPECT_EQ(dialog.secondClicks, 1) << "a disabled button takes no clicks";
  EXPECT_EQ(IsDlgButtonChecked(w, qztest::kFirstRadio), BST_CHECKED);

  CheckRadioButton(w, qztest::kFirstRadio, qztest::kSecondRadio, qztest::kSecondRadio);
  EXPECT_EQ(IsDlgButtonChecked(w, qztest::kFirstRadio), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(w, qztest::kSecondRadio), BST_CHECKED);
  dialog.DestroyWindow();
}

TEST_P(Dialogs, TimersTickInTheModalLoopUntilKilled) {
  ModalScript script;
  TestDialog dialog;
  dialog.onTick = [&](UINT_PTR id) {
    if (id == 7 && dialog.ticks.size() == 3) {
      dialog.KillTimer(7);
      dialog.EndDialog(IDOK);
    }
  };
  script.Then([&](HWND) {
    EXPECT_EQ(dialog.SetTimer(7, 20, nullptr), UINT_PTR(7));
    EXPECT_EQ(TimerPeriod(dialog.m_hWnd, 7), 20u);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.ticks, (std::vector<UINT_PTR>{7, 7, 7}));
}

TEST_P(Dialogs, SizingKeepsTheMinimumOfTheMessageAndReportsClientSizes) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  RECT start;
  GetWindowRect(w, &start);
  dialog.minimum = {start.Width(), start.Height()};
  dialog.sizes.clear();

  SetWindowPos(w, nullptr, 0, 0, start.Width() + 40, start.Height() + 30, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(w, &client);
  ASSERT_EQ(dialog.sizes.size(), 1u);
  EXPECT_EQ(dialog.sizes[0], std::make_pair(int(client.Width()), int(client.Height())));

  SetWindowPos(w, nullptr, 0, 0, start.Width() - 50, start.Height() - 50, SWP_NOMOVE | SWP_NOZORDER);
  RECT shrunk;
  GetWindowRect(w, &shrunk);
  EXPECT_EQ(shrunk.Width(), start.Width());
  EXPECT_EQ(shrunk.Height(), start.Height());
  SetWindowPos(w, nullptr, 0, 0, start.Width(), start.Height(), SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(dialog.sizes.size(), 2u) << "no WM_SIZE without a change of size";
  EXPECT_EQ(MinimumClientSize(w).cx, start.Width() - FrameInsets(w->style, w->exStyle).left * 2);
  dialog.DestroyWindow();
}

TEST_P(Dialogs, SubclassedWindowsSeeMessagesFirstAndKeepPropertiesUntilDestroyed) {
  static std::vector<UINT> seen;
  static void* propertyAtDestroy;
  seen.clear();
  propertyAtDestroy = nullptr;
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create());
  HWND edit = GetDlgItem(dialog.m_hWnd, qztest::kLineEdit);
  SetPropW(edit, u"Previous", reinterpret_cast<void*>(GetWindowLongPtrW(edit, GWLP_WNDPROC)));
  EXPECT_EQ(GetPropW(edit, u"PREVIOUS"), GetPropW(edit, u"Previous")) << "names ignore letter case";
  WNDPROC filter = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    seen.push_back(m);
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(h, u"Previous"));
    if (m == WM_DESTROY) propertyAtDestroy = GetPropW(h, u"Previous");
    if (m == WM_CHAR && wp == u'x') return 0;
    return CallWindowProcW(previous, h, m, wp, lp);
  };
  SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(filter));
  for (char16_t c : std::u16string(u"axb")) SendMessageW(edit, WM_CHAR, c, 0);
  EXPECT_EQ(GetWindowTextW(edit), u"ab");
  EXPECT_EQ(RemovePropW(edit, u"nothing"), nullptr);
  dialog.DestroyWindow();
  EXPECT_NE(propertyAtDestroy, nullptr);
  EXPECT_EQ(seen.back(), UINT(WM_DESTROY));
}

INSTANTIATE_TEST_SUITE_P(Backends, Dialogs, ::testing::Values(Backend::console, Backend::qt), qztest::BackendName);

}  // namespace
