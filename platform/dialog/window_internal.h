// Shared by the framework's own sources: window creation and the class
// procedures of the controls.
#pragma once

#include <functional>
#include <string_view>

#include "platform/dialog/window_object.h"

namespace win::detail {

struct WindowClass {
  WindowKind kind;
  WNDPROC procedure;
};

// The class of a registered name (case-insensitive); null for none.
const WindowClass* FindWindowClass(std::u16string_view name);

// Creates the window object, lets `prepare` complete it, registers it and
// tells the backend. `rect` is the window rectangle (parent client
// coordinates for a child).
HWND NewWindow(WindowKind kind, std::u16string_view className, std::u16string_view text, DWORD style, DWORD exStyle,
               RECT rect, HWND parent, int id, WNDPROC procedure,
               const std::function<void(WindowObject&)>& prepare = {});

// Sets the text of the window object and tells the backend.
void StoreText(HWND window, std::u16string_view text);

// Sends WM_COMMAND with the control's id and the code to its parent.
void NotifyParent(HWND control, WORD code);

LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The procedure of framework windows: routes to the attached CWnd.
LRESULT FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The default handling of dialog windows (closing, the default button).
LRESULT DefDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs a shown modal window: the modal hook, then the backend's loop until
// the run has ended.
void RunModalDialogLoop(HWND dialog);

// Forgets the window's timers.
void KillWindowTimers(HWND window);

}  // namespace win::detail
