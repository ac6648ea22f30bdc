// Reading _NET_ACTIVE_WINDOW from the root window with xcb.
#include "browser/host/active_window.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace zr {

ActiveWindow::~ActiveWindow() {
  if (connection_) xcb_disconnect(connection_);
}

int64_t ActiveWindow::Read() {
  if (!tried_) {
    tried_ = true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return 0;
    int screen_number = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(connection)) {
      xcb_disconnect(connection);
      return 0;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen_number && screens.rem > 0; ++i) xcb_screen_next(&screens);
    static constexpr char kName[] = "_NET_ACTIVE_WINDOW";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(kName), kName),
                              nullptr),
        &std::free);
    if (screens.rem == 0 || !atom || atom->atom == XCB_ATOM_NONE) {
      xcb_disconnect(connection);
      return 0;
    }
    connection_ = connection;
    root_ = screens.data->root;
    atom_ = atom->atom;
  }
  if (!connection_ || xcb_connection_has_error(connection_)) return 0;
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
      xcb_get_property_reply(connection_,
                             xcb_get_property(connection_, 0, root_, atom_, XCB_ATOM_WINDOW, 0, 1),
                             nullptr),
      &std::free);
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
  uint32_t window = 0;
  std::memcpy(&window, xcb_get_property_value(reply.get()), sizeof window);
  return window;
}

}  // namespace zr
