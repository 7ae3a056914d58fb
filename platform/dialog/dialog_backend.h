// What a backend of the dialog framework implements (a window system or the
// console), and the functions through which it reports the user's input.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/dialog/window_object.h"
#include "platform/win/message_box.h"

namespace win {

enum class WindowChange {
  text,
  enabled,
  visible,
  geometry,
  font,
  icon,
  check,
  items,
  selection,  // combo box
  editSelection,
  browserStatus,     // folder browser: its status line
  browserSelection,  // folder browser: the selected folder
};

class DialogBackend {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~DialogBackend() = default;
  virtual bool IsConsole() const = 0;

  // Average character width and the height of the font, as Windows measures
  // them for dialog units.
  virtual SIZE DialogBaseUnits(const FontObject& font) = 0;
  // A metric the window system knows, else the Windows default.
  virtual int SystemMetric(int index) = 0;
  // The height of a closed drop-down list in the font.
  virtual int ComboBoxHeight(const FontObject& font) = 0;

  // A window has been created (a child after its parent), is about to be
  // freed, or has changed.
  virtual void Created(HWND window) = 0;
  virtual void Destroying(HWND window) = 0;
  virtual void Changed(HWND window, WindowChange change) = 0;
  virtual void Redraw(HWND window, bool now) = 0;

  virtual Clock::time_point Now() { return Clock::now(); }
  // A timer was set (period > 0) or killed (period 0).
  virtual void TimerChanged(HWND window, UINT_PTR id, UINT period) = 0;

  // Serves the user and the timers until the modal run of the dialog has
  // ended (DialogState::ended).
  virtual void RunModalLoop(HWND dialog) = 0;
  virtual void ModalEnded(HWND dialog) = 0;

  virtual std::u16string ClipboardText() = 0;
  virtual void SetClipboardText(std::u16string_view text) = 0;

  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
};

// The backend in use: the console one until another is set.
DialogBackend& ActiveBackend();
void SetDialogBackend(std::shared_ptr<DialogBackend> backend);

struct ConsoleOptions {
  // Timers fire at once in the order of their due times, as if the time
  // between them had passed: for tests of whole runs.
  bool virtualTime = false;
};
std::shared_ptr<DialogBackend> CreateConsoleBackend(ConsoleOptions options = {});

// The value Windows gives a metric at 96 dots per inch; 0 for others.
int DefaultSystemMetric(int index);

// --- Reports from the backend -------------------------------------------

// Delivers input the user gave to a control (a key, a character, a clipboard
// command). True when it reached the control's own class procedure, i.e.
// no subclass refused it: the backend then lets its native control act.
bool DeliverNativeInput(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// The user changed the text or the selection of an edit.
void NotifyEditChanged(HWND edit, std::u16string_view text, size_t selectionStart, size_t selectionEnd);
// The user picked an item of a combo box (CBN_SELCHANGE follows).
void NotifyComboSelection(HWND combo, int index);
// The user clicked a button (a radio button is checked first).
void NotifyButtonClicked(HWND button);
// The user moved or sized a top-level window; the rectangle is the client
// area in screen coordinates. WM_SIZE follows a change of size.
void NotifyClientMoved(HWND window, RECT clientOnScreen);
// The smallest client size the window's WM_GETMINMAXINFO allows.
SIZE MinimumClientSize(HWND window);
// The user asked to close a top-level window (its close box).
void NotifyCloseRequested(HWND window);
// Fires timer `id` of the window now (WM_TIMER).
void FireTimer(HWND window, UINT_PTR id);
// The earliest due time of all running timers, if any runs.
bool NextTimerDue(DialogBackend::Clock::time_point* due);
// Fires every timer due at `now`, each once, and schedules its next tick.
void FireDueTimers(DialogBackend::Clock::time_point now);

// The dialog that the default push button of the dialog belongs to: the id
// of its BS_DEFPUSHBUTTON control, or IDOK.
int DefaultButtonId(HWND dialog);

}  // namespace win
