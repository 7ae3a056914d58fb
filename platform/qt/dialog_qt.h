// The Qt 6 Widgets backend of the dialog framework (library qz_platform_qt).
#pragma once

#include <memory>

#include "platform/dialog/dialog_backend.h"

class QWidget;

namespace win {

// Starts Qt on the window thread; null when no display can be opened.
std::shared_ptr<DialogBackend> CreateQtBackend(int& argc, char** argv);

// The widget that shows a window of the framework (for tests that send it
// the user's input); null for none.
QWidget* QtWidgetOf(HWND window);

}  // namespace win
