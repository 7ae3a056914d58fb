// The installer's main dialog: the licence agreement with Accept and
// Decline, the installation directory and the executable version(s), Install
// Now, and during the installation its progress. In silent mode it starts
// the installation by itself after a five-second countdown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialog/dialog_framework.h"

namespace qz {

class CSetUpDlg : public win::CDialog {
 public:
  // `buildDateLine` completes the title line ("Installs Quenda Zorvel %ls").
  explicit CSetUpDlg(std::u16string_view buildDateLine, win::CWnd* parent = nullptr);

  // Shows the title text, with the countdown while one runs.
  void RefreshTitleLine();
  // Places the controls for the current client size.
  void LayoutControls();

  // Message handlers, reached through the message table (OnWndMsg).
  void OnTimer(win::UINT_PTR id);
  void OnSize(win::UINT type, int cx, int cy);
  void OnGetMinMaxInfo(win::MINMAXINFO* info);
  void OnAccept();
  void OnDecline();
  void OnBrowse();
  // Install Now: the installation driver (install_now.h). Virtual so that
  // the countdown's call can be observed.
  virtual void OnInstallNow();
  void OnCancel() override;

  win::BOOL OnWndMsg(win::UINT message, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT* result) override;

  // The dialog's data, read and written by the application's start-up and
  // by the installation driver.
  bool m_accepted = false;
  win::CEdit m_licenceEdit;
  std::u16string m_directoryText;
  std::u16string m_statusLineText;
  std::u16string m_titleText;
  std::u16string m_licenceText;
  int32_t m_countdown = 0;

 private:
  win::RECT m_initialWindowRect;
  // For 1006, 1007, 1001, 1010, 2 and 1000: client bottom minus control
  // bottom at start-up.
  int32_t m_bottomMargins[6] = {};
  int32_t m_licenceRightMargin = 0;
  win::CScrollBar m_sizeGrip;
  win::HICON m_icon = nullptr;

 public:
  bool m_installing = false;
  win::UINT_PTR m_timerId = 0;

 private:
  win::CFont m_licenceFont;

 public:
  win::CComboBox m_versionList;

 protected:
  void DoDataExchange(win::CDataExchange* exchange) override;
  win::BOOL OnInitDialog() override;

 private:
  void ApplyEnableRules();
  void MoveSizeGripToCorner();
  void RecordMargins();
  void StartCountdown();
  void CountDown();
};

// SetTimer on the window, tried up to 9999 times until it gives an id; 0
// when every attempt failed.
win::UINT_PTR SetTimerRetrying(win::CWnd& window, win::UINT_PTR id, win::UINT milliseconds);

}  // namespace qz
