#include "app/setup_app.h"

#include "app/licence_switch.h"
#include "app/setup_dlg.h"
#include "base/install_state.h"
#include "desktop/registry_entries.h"
#include "platform/base/text.h"
#include "platform/win/runtime.h"
#include "res/installer_resources.h"

namespace qz {
namespace {

struct FileType {
  std::u16string_view extension;
  std::u16string_view kind;
};

constexpr FileType kFileTypes[] = {
    {u".asc", u"Schematic"}, {u".cir", u"Netlist"}, {u".raw", u"Rawfile"}, {u".asy", u"Symbol"}};

}  // namespace

CSetUpApp::CSetUpApp() : CWinApp(nullptr) {}

std::u16string BuildDateLine(std::string_view date, std::string_view time) {
  return win::Format(u"build date %ls, %ls US Pacific", win::WidenLatin1(date), win::WidenLatin1(time));
}

win::BOOL CSetUpApp::InitInstance() {
  CWinApp::InitInstance();
  for (const FileType& type : kFileTypes) RemoveFileType(type.extension, type.kind);
  CSetUpDlg dialog(CompiledBuildDateLine());
  m_pMainWnd = &dialog;
  dialog.m_licenceText = ConvertAgreementText(AgreementText());
  InstallState& state = SharedInstallState();
  state.silentInstall = HasAcceptedLicenseSwitch(m_lpCmdLine);
  if (state.silentInstall) dialog.m_accepted = true;
  win::SetUnattendedHint(
      win::Format(u"Run \"%ls -AcceptedLicense\" to accept the licence agreement and install without a click.",
                  win::ApplicationTitle()));
  dialog.DoModal();
  ReportInstallation();
  return win::FALSE;
}

}  // namespace qz
