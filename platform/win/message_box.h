// The message box of the system: text, caption, buttons and icon. Which
// window system shows it is set by the dialog framework; without one, the
// console shows it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/base/win_types.h"

namespace win {

enum : unsigned {
  MB_OK = 0x0,
  MB_YESNO = 0x4,
  MB_ICONWARNING = 0x30,
  MB_DEFBUTTON2 = 0x100,
  MB_TOPMOST = 0x40000,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::u16string text;
  std::u16string caption;
  unsigned type = MB_OK;
};

// Shows the box and returns the button that closed it. Safe to call from
// any thread; boxes are shown one at a time.
int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type);

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
// Replaces the backend (the window system, or a test's recorder). An empty
// handler restores the console.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The console backend: caption and text on standard error; a question is
// asked on the terminal, and input that is not a terminal takes the default.
int ConsoleMessageBox(const MessageBoxRequest& request);

}  // namespace win
