// A virtual display for tests that answer the server's real windows as a
// person would: Xvfb, windows found by title and driven with xdotool keys.
#ifndef ZRFORM_TESTS_BUS_DESKTOP_H_
#define ZRFORM_TESTS_BUS_DESKTOP_H_

#include <chrono>
#include <string>
#include <vector>

namespace zr::bus_test {

class Desktop {
 public:
  // Starts Xvfb on a free display, waits for it, sets DISPLAY and hands it to
  // the bus's activation environment (as README tells users to do).
  Desktop();
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  bool ok() const { return pid_ > 0; }

  // The visible window whose title is exactly title; "" when none appears in time.
  static std::string WaitForWindow(const std::string& title,
                                   std::chrono::milliseconds deadline = std::chrono::seconds(30));
  // A visible window titled title that is none of known (windows may share
  // a title); "" when none appears in time.
  static std::string WaitForNewWindow(const std::string& title,
                                      const std::vector<std::string>& known,
                                      std::chrono::milliseconds deadline = std::chrono::seconds(30));
  // Whether a visible window has exactly this title now.
  static bool HasWindow(const std::string& title);
  // Gives window the keyboard focus; false when it does not take it.
  static bool Focus(const std::string& window);
  // Key presses ("Return", "alt+y", "space"), with the pause a mnemonic needs.
  static void Keys(const std::vector<std::string>& keys);
  static void Type(const std::string& text);
  // Clicks (count times) at x, y inside window (pixels from its top left).
  static void Click(const std::string& window, int x, int y, int count = 1);
  // Finds the window, focuses it and sends keys; false when it never appeared.
  static bool Answer(const std::string& title, const std::vector<std::string>& keys);

 private:
  int pid_ = -1;
};

// Runs a shell command; its standard output without the final line end.
std::string Shell(const std::string& command);

}  // namespace zr::bus_test

#endif  // ZRFORM_TESTS_BUS_DESKTOP_H_
