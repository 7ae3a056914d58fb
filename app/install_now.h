// The installation driver's two entries into the main dialog: Install Now
// (the button, or the end of the silent countdown) and the ticks of the
// dialog's timer once no countdown runs.
#pragma once

#include "platform/dialog/window.h"

namespace qz {

class CSetUpDlg;

// Starts the installation from the dialog's choices.
void RunInstallNow(CSetUpDlg& dialog);

// A tick of the dialog's own timer outside the countdown: shows the
// worker's status and, once the worker is done, ends the dialog.
void OnInstallTimer(CSetUpDlg& dialog, win::UINT_PTR timerId);

}  // namespace qz
