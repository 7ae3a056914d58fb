// The read-only view of the licence agreement: a window procedure placed in
// front of the edit's own that lets scrolling, selecting and Ctrl+C through
// and refuses typing, keyboard navigation, cutting and pasting.
#pragma once

#include "platform/dialog/window.h"

namespace qz {

// The window property that keeps the edit's previous procedure.
inline constexpr char16_t kOldProcedureProperty[] = u"OldCEditControl";

win::LRESULT LicenceEditProc(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

// Keeps the edit's procedure in the property and installs LicenceEditProc.
void SubclassLicenceEdit(win::HWND edit);

}  // namespace qz
