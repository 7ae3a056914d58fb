// The main dialog's resizing: its size limits and the placing of its
// controls.
#include "app/dialog_layout.h"
#include "app/setup_dlg.h"

namespace qz {

void CSetUpDlg::OnGetMinMaxInfo(win::MINMAXINFO* info) {
  info->ptMinTrackSize.x = m_initialWindowRect.Width();
  info->ptMinTrackSize.y = m_initialWindowRect.Height();
}

void CSetUpDlg::OnSize(win::UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  if (IsWindowVisible()) LayoutControls();
}

void CSetUpDlg::LayoutControls() {
  std::array<std::optional<win::RECT>, kLayoutSlots> current;
  for (int slot = 0; slot < kLayoutSlots; ++slot) {
    if (win::CWnd* control = GetDlgItem(kLayoutControlIds[slot])) {
      win::RECT r;
      control->GetWindowRect(&r);
      ScreenToClient(&r);
      current[slot] = r;
    }
  }
  LayoutMargins margins;
  for (int i = 0; i < 6; ++i) margins.bottom[i] = m_bottomMargins[i];
  margins.licenceRight = m_licenceRightMargin;
  win::RECT client;
  GetClientRect(&client);
  LayoutPlan plan =
      PlanLayout(current, client.Width(), client.Height(), margins, win::GetSystemMetrics(win::SM_CYHSCROLL));
  for (const auto& [slot, r] : plan.moves)
    GetDlgItem(kLayoutControlIds[slot])
        ->SetWindowPos(nullptr, r.left, r.top, r.Width(), r.Height(),
                       win::SWP_NOZORDER | win::SWP_NOREDRAW | win::SWP_NOACTIVATE);
  if (plan.complete) RedrawWindow(nullptr, nullptr, win::RDW_INVALIDATE | win::RDW_ERASE | win::RDW_UPDATENOW);
}

}  // namespace qz
