// qzxtestwindow: an X11 client with one top-level window, for tests of
// closing running copies of the product.
//   qzxtestwindow TITLE closes|ignores SECONDS
// "closes" ends the program when the window is asked to close; "ignores"
// keeps it open. Either way the program ends after SECONDS.
#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
  xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(r);
  return atom;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[2], "closes") && std::strcmp(argv[2], "ignores"))) {
    std::fprintf(stderr, "usage: qzxtestwindow TITLE closes|ignores SECONDS\n");
    return 2;
  }
  const std::string title = argv[1];
  const bool closes = !std::strcmp(argv[2], "closes");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[3]));
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (!c || xcb_connection_has_error(c)) {
    std::fprintf(stderr, "qzxtestwindow: no display\n");
    return 1;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, 0, nullptr);
  xcb_atom_t protocols = Atom(c, "WM_PROTOCOLS"), deleteWindow = Atom(c, "WM_DELETE_WINDOW");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), 8,
                      uint32_t(title.size()), title.data());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1, &deleteWindow);
  xcb_map_window(c, window);
  xcb_flush(c);
  std::printf("%u\n", window);
  std::fflush(stdout);
  pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
  while (std::chrono::steady_clock::now() < deadline) {
    ::poll(&fd, 1, 100);
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
      bool close = (e->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
                   reinterpret_cast<xcb_client_message_event_t*>(e)->data.data32[0] == deleteWindow;
      std::free(e);
      if (close && closes) {
        xcb_disconnect(c);
        return 0;
      }
    }
    if (xcb_connection_has_error(c)) return 1;
  }
  xcb_disconnect(c);
  return 0;
}
