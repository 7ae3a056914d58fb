// The installer application: its start-up hook clears the product's file
// types, prepares the dialog's texts, reads the "AcceptedLicense" switch and
// runs the main dialog; when the dialog ends, the program ends.
#pragma once

#include <string>
#include <string_view>

#include "platform/dialog/dialog_framework.h"

namespace qz {

class CSetUpApp : public win::CWinApp {
 public:
  CSetUpApp();
  win::BOOL InitInstance() override;
};

// "build date %ls, %ls US Pacific" from the compiler's date and time texts.
std::u16string BuildDateLine(std::string_view date, std::string_view time);
// The line for this build.
std::u16string CompiledBuildDateLine();

// The agreement as the dialog shows it: the 8-bit text converted from the
// ANSI code page, without its terminating NUL.
std::u16string ConvertAgreementText(const char* text);

// On the console, after an installation: where the files went.
void ReportInstallation();

}  // namespace qz
