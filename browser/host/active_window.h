// The browser's window for the server's dialogs: the X11 root window's
// _NET_ACTIVE_WINDOW, read when DISPLAY names a display that answers; 0
// otherwise (the server then centres its windows on no owner).
#ifndef ZRFORM_BROWSER_HOST_ACTIVE_WINDOW_H_
#define ZRFORM_BROWSER_HOST_ACTIVE_WINDOW_H_

#include <cstdint>

struct xcb_connection_t;

namespace zr {

class ActiveWindow {
 public:
  ActiveWindow() = default;
  ~ActiveWindow();
  ActiveWindow(const ActiveWindow&) = delete;
  ActiveWindow& operator=(const ActiveWindow&) = delete;

  // The active window now, or 0. Connects at the first call and keeps the
  // connection; a display that cannot be reached is not tried again.
  int64_t Read();

 private:
  xcb_connection_t* connection_ = nullptr;
  bool tried_ = false;
  uint32_t root_ = 0;
  uint32_t atom_ = 0;  // _NET_ACTIVE_WINDOW
};

}  // namespace zr

#endif  // ZRFORM_BROWSER_HOST_ACTIVE_WINDOW_H_
