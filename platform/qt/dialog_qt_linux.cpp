// Whether a display is there, asked of the host's window system.
#include <cstdlib>
#include <string_view>

#include "platform/qt/dialog_qt_internal.h"

#if QZ_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace win::qt {

bool DisplayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  std::string_view chosen = platform ? platform : "";
  if (!chosen.empty() && chosen.substr(0, 3) != "xcb") return true;
  if (chosen.empty() && std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY")) return true;
#if QZ_HAVE_XCB
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  bool ok = connection && !xcb_connection_has_error(connection);
  if (connection) xcb_disconnect(connection);
  return ok;
#else
  const char* display = std::getenv("DISPLAY");
  return display && *display;
#endif
}

}  // namespace win::qt
