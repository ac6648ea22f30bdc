// Xvfb and xdotool for the desktop flow tests.
#include "desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

extern char** environ;

namespace zr::bus_test {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

std::string Shell(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    ::pclose(pipe);
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

Desktop::Desktop() {
  // A display number of this process's own, so parallel test runs never meet.
  std::string display = ":" + std::to_string(100 + ::getpid() % 800);
  std::vector<std::string> args = {"Xvfb", display, "-screen", "0", "1280x1024x24",
                                   "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) return;
  posix_spawn_file_actions_destroy(&actions);
  pid_ = pid;
  auto end = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < end) {
    if (std::system(("xdpyinfo -display " + display + " >/dev/null 2>&1").c_str()) == 0) break;
    std::this_thread::sleep_for(milliseconds(50));
  }
  ::setenv("DISPLAY", display.c_str(), 1);
  ::unsetenv("QT_QPA_PLATFORM");
  std::system(("dbus-update-activation-environment DISPLAY=" + display +
               " QT_QPA_PLATFORM=xcb").c_str());
}

Desktop::~Desktop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool Desktop::HasWindow(const std::string& title) {
  return !Shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null").empty();
}

std::string Desktop::WaitForWindow(const std::string& title, milliseconds deadline) {
  auto end = Clock::now() + deadline;
  while (Clock::now() < end) {
    std::string found =
        Shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null | head -1");
    if (!found.empty()) return found;
    std::this_thread::sleep_for(milliseconds(50));
  }
  return "";
}

std::string Desktop::WaitForNewWindow(const std::string& title,
                                      const std::vector<std::string>& known,
                                      milliseconds deadline) {
  auto end = Clock::now() + deadline;
  while (Clock::now() < end) {
    std::string found = Shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null");
    size_t start = 0;
    while (start < found.size()) {
      size_t stop = found.find('\n', start);
      if (stop == std::string::npos) stop = found.size();
      std::string window = found.substr(start, stop - start);
      bool seen = false;
      for (const std::string& old : known) seen = seen || old == window;
      if (!window.empty() && !seen) return window;
      start = stop + 1;
    }
    std::this_thread::sleep_for(milliseconds(50));
  }
  return "";
}

bool Desktop::Focus(const std::string& window) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    Shell("xdotool windowfocus --sync " + window + " 2>/dev/null");
    if (Shell("xdotool getwindowfocus 2>/dev/null") == window) return true;
    std::this_thread::sleep_for(milliseconds(50));
  }
  return false;
}

void Desktop::Keys(const std::vector<std::string>& keys) {
  for (const std::string& key : keys) {
    Shell("xdotool key " + key);
    // Qt takes a mnemonic click after 100 ms.
    std::this_thread::sleep_for(milliseconds(key.rfind("alt+", 0) == 0 ? 200 : 50));
  }
}

void Desktop::Type(const std::string& text) {
  Shell("xdotool type --delay 12 -- '" + text + "'");
}

void Desktop::Click(const std::string& window, int x, int y, int count) {
  Shell("xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
        std::to_string(y) + " click --repeat " + std::to_string(count) + " --delay 80 1");
  std::this_thread::sleep_for(milliseconds(200));
}

bool Desktop::Answer(const std::string& title, const std::vector<std::string>& keys) {
  std::string window = WaitForWindow(title);
  if (window.empty() || !Focus(window)) return false;
  Keys(keys);
  return true;
}

}  // namespace zr::bus_test
