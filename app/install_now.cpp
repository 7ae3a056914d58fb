// The main dialog as the installation driver sees it.
#include "app/install_now.h"

#include "app/secondary_dialogs.h"
#include "app/setup_dlg.h"
#include "engine/install_driver.h"
#include "res/resource.h"

namespace qz {
namespace {

class SetUpDialogForDriver : public InstallDialog {
 public:
  explicit SetUpDialogForDriver(CSetUpDlg& dialog) : dialog_(dialog) {}

  void ExchangeData(bool readControls) override { dialog_.UpdateData(readControls ? win::TRUE : win::FALSE); }
  std::u16string DirectoryText() const override { return dialog_.m_directoryText; }
  int SelectedVersion() const override {
    int selected = dialog_.m_versionList.GetCurSel();
    return selected < 0 ? 0 : selected;
  }
  void EnableControl(int id, bool enable) override {
    if (win::CWnd* control = dialog_.GetDlgItem(id)) control->EnableWindow(enable ? win::TRUE : win::FALSE);
  }
  void SetInstalling(bool installing) override { dialog_.m_installing = installing; }
  void ShowStatusNow(std::u16string_view text) override {
    dialog_.m_statusLineText = text;
    dialog_.SetDlgItemText(IDC_STATUS_LINE, dialog_.m_statusLineText);
    RepaintNow();
  }
  void ClearStatusText() override { dialog_.m_statusLineText.clear(); }
  void RepaintNow() override { dialog_.RedrawWindow(); }
  uintptr_t SetTimer(uintptr_t id, unsigned milliseconds) override {
    return dialog_.SetTimer(id, milliseconds, nullptr);
  }
  void KillTimer(uintptr_t id) override { dialog_.KillTimer(id); }
  void SetTimerId(uintptr_t id) override { dialog_.m_timerId = id; }
  std::optional<bool> AskOverwriteOrUpdate() override {
    CUpdateOnly question(&dialog_);
    if (question.DoModal() != win::IDOK) return std::nullopt;
    return question.m_updateChoice != 0;
  }
  void CloseWithOk() override { dialog_.OnOK(); }
  win::HWND Window() const override { return dialog_.GetSafeHwnd(); }

 private:
  CSetUpDlg& dialog_;
};

}  // namespace

void RunInstallNow(CSetUpDlg& dialog) {
  SetUpDialogForDriver driverView(dialog);
  OnInstallNow(driverView);
}

void OnInstallTimer(CSetUpDlg& dialog, win::UINT_PTR timerId) {
  SetUpDialogForDriver driverView(dialog);
  qz::OnInstallTimer(driverView, timerId);
  dialog.Default();
}

}  // namespace qz
