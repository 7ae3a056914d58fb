#include "app/setup_dlg.h"

#include "app/install_now.h"
#include "app/licence_edit.h"
#include "app/program_files.h"
#include "app/secondary_dialogs.h"
#include "base/install_path.h"
#include "base/install_state.h"
#include "base/native_processor.h"
#include "platform/base/text.h"
#include "res/resource.h"

namespace qz {
namespace {

// Which controls the data exchange enables, in this order; every one of
// them is disabled while installing and in silent mode.
struct EnableRule {
  int id;
  bool needsAcceptance;
  bool needs64BitWindows;
};

constexpr EnableRule kEnableRules[] = {
    {IDC_DIRECTORY_LABEL, true, false}, {IDC_DIRECTORY, true, false},     {IDC_INSTALL_NOW, true, false},
    {IDC_BROWSE, true, false},          {IDC_VERSION_LABEL, true, false}, {IDC_VERSION_LIST, true, true},
    {IDC_ACCEPT, false, false},         {IDC_DECLINE, false, false},
};

// The controls whose bottom margins the layout keeps, in the margins' order.
constexpr int kMarginControls[6] = {IDC_STATUS_LINE,  IDC_INSTALL_NOW, IDC_DIRECTORY,
                                    IDC_VERSION_LIST, win::IDCANCEL,   IDC_LICENCE_EDIT};

constexpr win::UINT_PTR kTimerId = 1;
constexpr win::UINT kCountdownPeriod = 1000;
constexpr int32_t kCountdownSeconds = 5;
constexpr int kSetTimerAttempts = 9999;

}  // namespace

win::UINT_PTR SetTimerRetrying(win::CWnd& window, win::UINT_PTR id, win::UINT milliseconds) {
  for (int attempt = 0; attempt < kSetTimerAttempts; ++attempt)
    if (win::UINT_PTR set = window.SetTimer(id, milliseconds, nullptr)) return set;
  return 0;
}

CSetUpDlg::CSetUpDlg(std::u16string_view buildDateLine, win::CWnd* parent)
    : CDialog(IDD_SETUP_DIALOG, parent),
      m_titleText(win::Format(u"Installs Quenda Zorvel %ls", buildDateLine)),
      m_icon(win::LoadIconW(IDR_MAINFRAME)) {}

win::BOOL CSetUpDlg::OnWndMsg(win::UINT message, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT* result) {
  static const win::MessageMap<CSetUpDlg> kMessageMap = {
      win::OnTimerEntry(&CSetUpDlg::OnTimer),
      win::OnSizeEntry(&CSetUpDlg::OnSize),
      win::OnGetMinMaxInfoEntry(&CSetUpDlg::OnGetMinMaxInfo),
      win::OnClickedEntry(IDC_ACCEPT, &CSetUpDlg::OnAccept),
      win::OnClickedEntry(IDC_DECLINE, &CSetUpDlg::OnDecline),
      win::OnClickedEntry(IDC_BROWSE, &CSetUpDlg::OnBrowse),
      win::OnClickedEntry(IDC_INSTALL_NOW, &CSetUpDlg::OnInstallNow),
  };
  if (kMessageMap.Dispatch(*this, message, wParam, lParam, result)) return win::TRUE;
  return CDialog::OnWndMsg(message, wParam, lParam, result);
}

void CSetUpDlg::DoDataExchange(win::CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  win::DDX_Control(exchange, IDC_LICENCE_EDIT, m_licenceEdit);
  win::DDX_Control(exchange, IDC_VERSION_LIST, m_versionList);
  win::DDX_Text(exchange, IDC_DIRECTORY, m_directoryText);
  win::DDX_Text(exchange, IDC_STATUS_LINE, m_statusLineText);
  win::DDX_Text(exchange, IDC_LICENCE_EDIT, m_licenceText);
  ApplyEnableRules();
  if (!exchange->m_bSaveAndValidate) RefreshTitleLine();
}

void CSetUpDlg::ApplyEnableRules() {
  bool idle = !m_installing && !SharedInstallState().silentInstall;
  bool native64 = IsNative64BitWindows();
  for (const EnableRule& rule : kEnableRules) {
    bool enabled = idle && (!rule.needsAcceptance || m_accepted) && (!rule.needs64BitWindows || native64);
    if (win::CWnd* control = GetDlgItem(rule.id)) control->EnableWindow(enabled);
  }
}

void CSetUpDlg::RefreshTitleLine() {
  std::u16string line =
      m_countdown != 0 ? win::Format(u"%ls in %d seconds.", m_titleText, m_countdown) : win::Format(u"%s", m_titleText);
  SetDlgItemText(IDC_TITLE_LINE, line);
}

win::BOOL CSetUpDlg::OnInitDialog() {
  m_directoryText = JoinInstallPath(ReadProgramFilesDir(), u"\\Ombra\\QuendaZorvel");
  CDialog::OnInitDialog();
  SetIcon(m_icon, win::TRUE);
  SetIcon(m_icon, win::FALSE);
  if (m_licenceFont.CreatePointFont(110, u"Tahoma")) m_licenceEdit.SetFont(&m_licenceFont, win::FALSE);
  m_versionList.SetCurSel(IsNative64BitWindows() ? 1 : 0);
  m_versionList.EnableWindow(win::FALSE);
  SubclassLicenceEdit(m_licenceEdit.m_hWnd);
  m_sizeGrip.Create(win::WS_CHILD | win::WS_VISIBLE | win::WS_CLIPSIBLINGS | win::SBS_SIZEGRIP,
                    {0, 0, win::GetSystemMetrics(win::SM_CXVSCROLL), win::GetSystemMetrics(win::SM_CYHSCROLL)}, this,
                    IDC_SIZE_GRIP);
  GetWindowRect(&m_initialWindowRect);
  MoveSizeGripToCorner();
  RecordMargins();
  if (SharedInstallState().silentInstall) StartCountdown();
  return win::TRUE;
}

void CSetUpDlg::MoveSizeGripToCorner() {
  if (!m_sizeGrip.m_hWnd) return;
  win::RECT client, grip;
  GetClientRect(&client);
  m_sizeGrip.GetWindowRect(&grip);
  m_sizeGrip.SetWindowPos(nullptr, client.right - grip.Width(), client.bottom - grip.Height(), 0, 0,
                          win::SWP_NOSIZE | win::SWP_NOZORDER);
}

void CSetUpDlg::RecordMargins() {
  win::RECT client;
  GetClientRect(&client);
  ClientToScreen(&client);
  for (int i = 0; i < 6; ++i) {
    win::RECT control;
    if (win::CWnd* item = GetDlgItem(kMarginControls[i])) {
      item->GetWindowRect(&control);
      m_bottomMargins[i] = client.bottom - control.bottom;
    }
  }
  if (win::CWnd* licence = GetDlgItem(IDC_LICENCE_EDIT)) {
    win::RECT edit;
    licence->GetWindowRect(&edit);
    m_licenceRightMargin = client.right - edit.right;
  }
}

void CSetUpDlg::StartCountdown() {
  m_countdown = kCountdownSeconds;
  RefreshTitleLine();
  m_timerId = SetTimerRetrying(*this, kTimerId, kCountdownPeriod);
}

void CSetUpDlg::OnTimer(win::UINT_PTR id) {
  if (id != m_timerId) {
    CDialog::OnTimer(id);
    return;
  }
  if (m_countdown > 0) {
    CountDown();
    return;
  }
  OnInstallTimer(*this, id);
}

void CSetUpDlg::CountDown() {
  --m_countdown;
  RefreshTitleLine();
  if (m_countdown > 0) return;
  KillTimer(m_timerId);
  m_timerId = 0;
  OnInstallNow();
}

void CSetUpDlg::OnInstallNow() { RunInstallNow(*this); }

void CSetUpDlg::OnAccept() {
  m_accepted = true;
  UpdateData(win::TRUE);
}

void CSetUpDlg::OnDecline() {
  if (!m_accepted) OnCancel();
  m_accepted = false;
  UpdateData(win::TRUE);
}

void CSetUpDlg::OnBrowse() {
  UpdateData(win::TRUE);
  CFolderDialog browser;
  browser.m_browseInfo.hwndOwner = m_hWnd;
  browser.m_browseInfo.lpszTitle = u"Select the directory to install Quenda Zorvel";
  browser.m_browseInfo.ulFlags = win::BIF_RETURNONLYFSDIRS | win::BIF_STATUSTEXT;
  browser.m_initialFolder = m_directoryText;
  if (browser.DoModal() == win::IDOK) m_directoryText = browser.m_chosenFolder;
  UpdateData(win::FALSE);
}

void CSetUpDlg::OnCancel() {
  if (m_installing) {
    CReallyQuit question(this);
    if (question.DoModal() == win::IDOK) EndDialog(win::IDCANCEL);
    return;
  }
  EndDialog(win::IDCANCEL);
}

}  // namespace qz
