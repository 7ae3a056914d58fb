// The main dialog's resizing: the layout's arithmetic for a grown dialog,
// its stop at a missing control, and the dialog growing and refusing to
// shrink on both backends.
#include <gtest/gtest.h>

#include "app/dialog_layout.h"
#include "tests/app/app_fixture.h"

namespace {

using namespace win;
using qz::LayoutPlan;
using qz::LayoutSlot;

using Rects = std::array<std::optional<RECT>, qz::kLayoutSlots>;

RECT R(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// The controls of a dialog of 600 x 490 client pixels as it opened.
Rects Opened() {
  Rects r;
  r[qz::kSizeGrip] = R(583, 473, 17, 17);
  r[qz::kTitleLine] = R(10, 2, 591, 18);
  r[qz::kStatusLine] = R(14, 463, 571, 20);
  r[qz::kInstallNow] = R(246, 436, 115, 23);
  r[qz::kDirectoryLabel] = R(10, 405, 126, 23);
  r[qz::kBrowse] = R(498, 406, 75, 23);
  r[qz::kDirectoryEdit] = R(143, 406, 348, 23);
  r[qz::kVersionLabel] = R(10, 377, 126, 18);
  r[qz::kVersionList] = R(144, 377, 131, 21);
  r[qz::kCancel] = R(81, 341, 87, 23);
  r[qz::kAccept] = R(255, 341, 87, 23);
  r[qz::kDecline] = R(431, 341, 87, 23);
  r[qz::kLicenceEdit] = R(10, 24, 587, 312);
  return r;
}

qz::LayoutMargins Margins() {
  qz::LayoutMargins m;
  m.bottom = {7, 31, 61, 92, 126, 154};  // 1006, 1007, 1001, 1010, 2, 1000
  m.licenceRight = 3;
  return m;
}

TEST(PlanLayout, GrownDialog) {
  // Grown to 801 x 650 client pixels; the gap is 17.
  LayoutPlan plan = qz::PlanLayout(Opened(), 801, 650, Margins(), 17);
  ASSERT_TRUE(plan.complete);
  ASSERT_EQ(plan.moves.size(), size_t(qz::kLayoutSlots));
  std::map<LayoutSlot, RECT> at(plan.moves.begin(), plan.moves.end());
  for (int slot = 0; slot < qz::kLayoutSlots; ++slot) EXPECT_EQ(plan.moves[slot].first, LayoutSlot(slot));

  EXPECT_EQ(at[qz::kSizeGrip], R(784, 633, 17, 17));
  EXPECT_EQ(at[qz::kTitleLine], R(10, 2, 781, 18));
  EXPECT_EQ(at[qz::kStatusLine], R(14, 623, 773, 20));
  // 801 / 2 - 115 / 2 = 400 - 57; the width becomes 2 * 57.
  EXPECT_EQ(at[qz::kInstallNow], R(343, 596, 114, 23));
  EXPECT_EQ(at[qz::kDirectoryLabel], R(10, 566, 126, 23));
  EXPECT_EQ(at[qz::kBrowse], R(801 - 17 - 75, 566, 75, 23));
  EXPECT_EQ(at[qz::kDirectoryEdit], R(143, 566, 709 - 17 - 143, 23));
  EXPECT_EQ(at[qz::kVersionLabel], R(10, 540, 126, 18));
  EXPECT_EQ(at[qz::kVersionList], R(144, 537, 131, 21));
  EXPECT_EQ(at[qz::kCancel], R(81, 501, 87, 23));
  // Accept centred with the width of Cancel, Decline mirroring Cancel.
  EXPECT_EQ(at[qz::kAccept], R(400 - 43, 501, 86, 23));
  EXPECT_EQ(at[qz::kDecline], R(801 - 81 - 86, 501, 86, 23));
  EXPECT_EQ(at[qz::kLicenceEdit], R(10, 24, 788, 472));
}

TEST(PlanLayout, StopsAtTheFirstMissingControl) {
  Rects rects = Opened();
  rects[qz::kBrowse].reset();
  LayoutPlan plan = qz::PlanLayout(rects, 700, 500, Margins(), 17);
  EXPECT_FALSE(plan.complete);
  ASSERT_EQ(plan.moves.size(), size_t(qz::kBrowse));
  EXPECT_EQ(plan.moves.back().first, qz::kDirectoryLabel);
}

using Resizing = qztest::AppOnBackends;

TEST_P(Resizing, GrowingKeepsTheControlsInPlaceAndShrinkingIsRefused) {
  qz::CSetUpDlg dialog(qztest::ExampleBuildDateLine());
  ASSERT_TRUE(dialog.Create());
  HWND w = dialog.m_hWnd;
  auto rectOf = [&](int id) {
    RECT r;
    GetWindowRect(GetDlgItem(w, id), &r);
    POINT origin;
    ClientToScreen(w, &origin);
    return RECT{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
  };
  RECT opened, client;
  GetWindowRect(w, &opened);
  GetClientRect(w, &client);
  const int bottomIds[] = {IDC_STATUS_LINE,  IDC_INSTALL_NOW, IDC_DIRECTORY,
                           IDC_VERSION_LIST, IDCANCEL,        IDC_LICENCE_EDIT};
  std::map<int, int> margins;
  for (int id : bottomIds) margins[id] = client.bottom - rectOf(id).bottom;
  int licenceRight = client.right - rectOf(IDC_LICENCE_EDIT).right;
  int cancelLeft = rectOf(IDCANCEL).left;

  SetWindowPos(w, nullptr, 0, 0, opened.Width() + 121, opened.Height() + 80, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(w, &client);
  const int W = client.Width(), H = client.Height();
  const int gap = GetSystemMetrics(SM_CYHSCROLL);
  for (int id : bottomIds) EXPECT_EQ(H - rectOf(id).bottom, margins[id]) << id;
  RECT install = rectOf(IDC_INSTALL_NOW), accept = rectOf(IDC_ACCEPT), decline = rectOf(IDC_DECLINE);
  EXPECT_LE(std::abs((install.left + install.right) - W), 1) << "Install Now centred";
  EXPECT_LE(std::abs((accept.left + accept.right) - W), 1) << "Accept centred";
  EXPECT_EQ(rectOf(IDCANCEL).left, cancelLeft);
  EXPECT_EQ(decline.right, W - cancelLeft);
  EXPECT_EQ(rectOf(IDC_BROWSE).right, W - gap);
  EXPECT_EQ(rectOf(IDC_DIRECTORY).right, rectOf(IDC_BROWSE).left - gap);
  EXPECT_EQ(rectOf(IDC_LICENCE_EDIT).right, W - licenceRight);
  RECT title = rectOf(IDC_TITLE_LINE), status = rectOf(IDC_STATUS_LINE);
  EXPECT_EQ(title.right, W - title.left);
  EXPECT_EQ(status.right, W - status.left);
  EXPECT_EQ(rectOf(IDC_SIZE_GRIP).right, W);
  EXPECT_EQ(rectOf(IDC_SIZE_GRIP).bottom, H);

  SetWindowPos(w, nullptr, 0, 0, opened.Width() - 40, opened.Height() - 30, SWP_NOMOVE | SWP_NOZORDER);
  RECT shrunk;
  GetWindowRect(w, &shrunk);
  EXPECT_EQ(shrunk.Width(), opened.Width());
  EXPECT_EQ(shrunk.Height(), opened.Height());
  EXPECT_EQ(MinimumClientSize(w).cx, opened.Width() - (FrameInsets(w->style, w->exStyle).left * 2));
  dialog.DestroyWindow();
}

QZ_ON_BOTH_BACKENDS(Resizing);

}  // namespace
