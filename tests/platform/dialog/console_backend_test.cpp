// The console backend: what it prints, its virtual time, and a dialog that
// waits for a click it cannot give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog/dialog_framework.h"
#include "tests/platform/dialog/test_backends.h"
#include "tests/platform/dialog/test_resources.h"
#include "tests/support/temp_machine.h"

namespace {

using namespace win;

class ConsoleBackend : public qztest::TempMachine {
 protected:
  void SetUp() override {
    TempMachine::SetUp();
    qztest::UseBackend(qztest::Backend::console);
    UseResources(qztest::TestResources());
    SetUnattendedHint(u"Run it unattended instead.");
  }
  void TearDown() override {
    SetUnattendedHint(u"");
    TempMachine::TearDown();
  }
};

class Stubborn : public CDialog {
 public:
  Stubborn() : CDialog(qztest::kTestDialog) {}
  void OnCancel() override { ++cancels; }
  int cancels = 0;
};

class Ticking : public CDialog {
 public:
  Ticking() : CDialog(qztest::kTestDialog) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetTimer(1, 300, nullptr);
    SetTimer(2, 200, nullptr);
    return TRUE;
  }
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    static const MessageMap<Ticking> map = {OnTimerEntry(&Ticking::Tick)};
    return map.Dispatch(*this, message, wParam, lParam, result) || CDialog::OnWndMsg(message, wParam, lParam, result);
  }
  void Tick(UINT_PTR id) {
    order.push_back(id);
    SetDlgItemText(qztest::kLabel, id == 1 ? u"one\r\n" : u"two");
    if (order.size() == 5) EndDialog(IDOK);
  }
  std::vector<UINT_PTR> order;
};

TEST_F(ConsoleBackend, PrintsTheCaptionAndEachNewStaticText) {
  CDialog dialog(qztest::kTestDialog);
  ::testing::internal::CaptureStdout();
  ASSERT_TRUE(dialog.Create());
  SetDlgItemTextW(dialog.m_hWnd, qztest::kLabel, u"Extracting: .\\a.gz\n");
  SetDlgItemTextW(dialog.m_hWnd, qztest::kLabel, u"Extracting: .\\a.gz\n");
  SetDlgItemTextW(dialog.m_hWnd, qztest::kLabel, u"");
  SetDlgItemTextW(dialog.m_hWnd, qztest::kLineEdit, u"not a static");
  SetDlgItemTextW(dialog.m_hWnd, qztest::kLabel, u"Extracting: .\\b.gz\n");
  dialog.DestroyWindow();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "[Test Dialog]\nExtracting: .\\a.gz\nExtracting: .\\b.gz\n");
}

TEST_F(ConsoleBackend, VirtualTimeFiresTimersInTheOrderOfTheirDueTimes) {
  Ticking dialog;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(dialog.DoModal(), IDOK);
  std::string out = ::testing::internal::GetCapturedStdout();
  // Due at 200, 300, 400, 600 (both; the earlier-set one first), ...
  EXPECT_EQ(dialog.order, (std::vector<UINT_PTR>{2, 1, 2, 1, 2}));
  EXPECT_EQ(out, "[Test Dialog]\ntwo\none\ntwo\none\ntwo\n");
}

TEST_F(ConsoleBackend, DialogWaitingForAClickEndsAsCancelWithTheHint) {
  CDialog dialog(qztest::kTestDialog);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("[Test Dialog] This window needs a click, which the console cannot give."), std::string::npos);
  EXPECT_NE(err.find("Run it unattended instead."), std::string::npos);

  // A dialog whose Cancel does not end it is ended all the same.
  Stubborn stubborn;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(stubborn.DoModal(), IDCANCEL);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(stubborn.cancels, 1);
}

}  // namespace
