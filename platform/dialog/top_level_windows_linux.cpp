// The top-level windows of an X11 display, through xcb.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/text.h"
#include "platform/dialog/top_level_windows.h"

#if QZ_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace win {
namespace {

class NoWindows : public TopLevelWindowSystem {
 public:
  std::vector<TopLevelWindow> FromTop() override { return {}; }
  std::optional<std::u16string> Title(TopLevelWindow) override { return std::nullopt; }
  void RequestClose(TopLevelWindow) override {}
  bool Exists(TopLevelWindow) override { return false; }
};

#if QZ_HAVE_XCB

template <class T>
struct FreeReply {
  void operator()(T* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply<T>>;

class X11Windows : public TopLevelWindowSystem {
 public:
  explicit X11Windows(xcb_connection_t* connection) : connection_(connection) {
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    clientListStacking_ = Atom("_NET_CLIENT_LIST_STACKING");
    netWmName_ = Atom("_NET_WM_NAME");
    utf8String_ = Atom("UTF8_STRING");
    wmProtocols_ = Atom("WM_PROTOCOLS");
    wmDeleteWindow_ = Atom("WM_DELETE_WINDOW");
  }
  ~X11Windows() override { xcb_disconnect(connection_); }

  std::vector<TopLevelWindow> FromTop() override {
    std::lock_guard lock(mutex_);
    std::vector<TopLevelWindow> bottomUp = ClientListStacking();
    if (bottomUp.empty()) bottomUp = MappedRootChildren();
    return std::vector<TopLevelWindow>(bottomUp.rbegin(), bottomUp.rend());
  }

  std::optional<std::u16string> Title(TopLevelWindow window) override {
    std::lock_guard lock(mutex_);
    if (auto name = Property(window, netWmName_, utf8String_)) return Utf8ToWide(*name);
    if (auto name = Property(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)) return WidenLatin1(*name);
    return std::nullopt;
  }

  void RequestClose(TopLevelWindow window) override {
    std::lock_guard lock(mutex_);
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = wmProtocols_;
    event.data.data32[0] = wmDeleteWindow_;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    // A round trip: the request has reached the server when it returns.
    Reply<xcb_get_input_focus_reply_t>(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }

  bool Exists(TopLevelWindow window) override {
    std::lock_guard lock(mutex_);
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window), &error));
    std::free(error);
    return reply != nullptr;
  }

 private:
  xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  }

  std::optional<std::string> Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, 1 << 16), &error));
    std::free(error);
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8) return std::nullopt;
    const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(data, size_t(xcb_get_property_value_length(reply.get())));
  }

  std::vector<TopLevelWindow> ClientListStacking() {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, screen_->root, clientListStacking_, XCB_ATOM_WINDOW, 0, 1 << 16),
        nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return std::vector<TopLevelWindow>(ids, ids + xcb_get_property_value_length(reply.get()) / 4);
  }

  // Without a window manager the clients' windows are the root's children,
  // listed from the bottom of the stacking order.
  std::vector<TopLevelWindow> MappedRootChildren() {
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, screen_->root), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    std::vector<TopLevelWindow> mapped;
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
      Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
          connection_, xcb_get_window_attributes(connection_, children[i]), nullptr));
      if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && !attributes->override_redirect)
        mapped.push_back(children[i]);
    }
    return mapped;
  }

  std::mutex mutex_;
  xcb_connection_t* connection_;
  xcb_screen_t* screen_ = nullptr;
  xcb_atom_t clientListStacking_, netWmName_, utf8String_, wmProtocols_, wmDeleteWindow_;
};

#endif  // QZ_HAVE_XCB

}  // namespace

std::unique_ptr<TopLevelWindowSystem> MakeDisplayWindowSystem() {
#if QZ_HAVE_XCB
  const char* display = std::getenv("DISPLAY");
  if (display && *display) {
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    if (connection && !xcb_connection_has_error(connection)) return std::make_unique<X11Windows>(connection);
    if (connection) xcb_disconnect(connection);
  }
#endif
  return std::make_unique<NoWindows>();
}

}  // namespace win
