// The top-level windows of the whole display, those of other programs
// included: listed from the top of the stacking order, with their titles,
// asked to close, and tested for existence. On an X11 display this is the
// window manager's client list (or the root's children where no window
// manager runs); without a display the list is empty.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace win {

using TopLevelWindow = uint32_t;

class TopLevelWindowSystem {
 public:
  virtual ~TopLevelWindowSystem() = default;
  // Every top-level window, the topmost first.
  virtual std::vector<TopLevelWindow> FromTop() = 0;
  // The title; nothing when the window has none or is gone.
  virtual std::optional<std::u16string> Title(TopLevelWindow window) = 0;
  // Asks the window to close, as the close message does; a window that
  // ignores the request stays. Returns once the request has been delivered.
  virtual void RequestClose(TopLevelWindow window) = 0;
  virtual bool Exists(TopLevelWindow window) = 0;
};

// The display's windows (X11 when DISPLAY names a reachable display).
TopLevelWindowSystem& TopLevelWindows();
// Replaces the window system, for tests; null restores the display's.
void SetTopLevelWindowSystem(std::unique_ptr<TopLevelWindowSystem> system);

// The calls the installer makes, in the manner of GetTopWindow, GetWindow
// with GW_HWNDNEXT, GetWindowTextW, SendMessageW with WM_CLOSE and IsWindow.
// A window is 0 when there is none.
TopLevelWindow GetTopLevelWindow();
TopLevelWindow GetNextTopLevelWindow(TopLevelWindow window);
// At most maxCount - 1 characters of the title, as a buffer of maxCount holds.
std::u16string GetTopLevelWindowText(TopLevelWindow window, int maxCount);
void SendCloseMessage(TopLevelWindow window);
bool IsTopLevelWindow(TopLevelWindow window);

}  // namespace win
