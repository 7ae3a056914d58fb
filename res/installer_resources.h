// The installer's resources, compiled from installer.rc and agreement.txt.
#pragma once

#include "platform/dialog/dialog_template.h"

namespace qz {

// The dialogs, their initialisation data and the icon.
const win::ResourceModule& InstallerResources();

// The licence agreement as the program carries it: 8-bit Windows-1252 text
// with CR LF line ends, NUL-terminated.
const char* AgreementText();

}  // namespace qz
