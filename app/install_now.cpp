// The installation as the dialog runs it until the installation driver
// takes over: the shared state filled from the dialog, the worker on its own
// thread and a 200 ms timer that shows its status until it is done.
#include "app/install_now.h"

#include "app/setup_dlg.h"
#include "engine/file_helpers.h"
#include "engine/install_state.h"
#include "engine/install_worker.h"
#include "platform/thread.h"
#include "res/resource.h"

namespace qz {
namespace {

constexpr win::UINT_PTR kProgressTimer = 1;
constexpr win::UINT kProgressPeriod = 200;

}  // namespace

void RunInstallNow(CSetUpDlg& dialog) {
  dialog.UpdateData(win::TRUE);
  InstallState& state = SharedInstallState();
  int choice = dialog.m_versionList.GetCurSel();
  state.executableChoice = choice < 0 ? 0 : choice;
  // A silent run updates an existing installation; the question of an
  // interactive run comes with the driver.
  std::u16string mainExecutable =
      JoinInstallPath(dialog.m_directoryText, state.executableChoice == 0 ? u"Zorvelx86.exe" : u"Zorvelx64.exe");
  state.updateInstall = state.silentInstall && FileExists(mainExecutable) ? 1 : 0;
  state.targetDirectory = dialog.m_directoryText;
  state.SetInstallDone(false);
  dialog.m_installing = true;
  dialog.UpdateData(win::FALSE);
  dialog.m_timerId = SetTimerRetrying(dialog, kProgressTimer, kProgressPeriod);
  if (!win::BeginThread(InstallWorker, nullptr)) {
    dialog.KillTimer(dialog.m_timerId);
    dialog.m_timerId = 0;
    dialog.m_installing = false;
    dialog.UpdateData(win::FALSE);
    ShowMessage(u"Could not start the installation.");
  }
}

void OnInstallTimer(CSetUpDlg& dialog, win::UINT_PTR timerId) {
  InstallState& state = SharedInstallState();
  if (!state.InstallDone()) {
    dialog.m_statusLineText = state.StatusText();
    dialog.SetDlgItemText(IDC_STATUS_LINE, dialog.m_statusLineText);
    dialog.RedrawWindow();
    dialog.Default();
    return;
  }
  dialog.m_installing = false;
  dialog.m_statusLineText.clear();
  dialog.UpdateData(win::FALSE);
  dialog.RedrawWindow();
  dialog.KillTimer(timerId);
  dialog.m_timerId = 0;
  dialog.OnOK();
  dialog.Default();
}

}  // namespace qz
