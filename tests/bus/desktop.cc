// Xvfb and xdotool for the tests that answer the server's real windows.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "bus_support.h"

extern char** environ;

namespace zr::bus_test {
namespace {

using Clock = std::chrono::steady_clock;

// Runs a shell command; its standard output without the final line end.
std::string Shell(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    ::pclose(pipe);
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

// Polls probe until it gives a non-empty answer or the deadline passes.
std::string PollFor(const std::function<std::string()>& probe, milliseconds deadline) {
  for (auto end = Clock::now() + deadline;;) {
    std::string found = probe();
    if (!found.empty() || Clock::now() >= end) return found;
    std::this_thread::sleep_for(milliseconds(20));  // the poll interval
  }
}

std::string Windows(const std::string& title) {
  return Shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null");
}

}  // namespace

Desktop::Desktop() {
  // A display number of this process's own, so parallel test runs never meet.
  std::string display = ":" + std::to_string(100 + ::getpid() % 800);
  const char* argv[] = {"Xvfb", display.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                        "tcp", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return;
  pid_ = pid;
  std::string probe = "xdpyinfo -display " + display + " >/dev/null 2>&1 && echo up";
  if (PollFor([&] { return Shell(probe); }, milliseconds(20000)).empty()) return;
  ::setenv("DISPLAY", display.c_str(), 1);
  ::unsetenv("QT_QPA_PLATFORM");
  std::system(("dbus-update-activation-environment DISPLAY=" + display + " QT_QPA_PLATFORM=xcb")
                  .c_str());
}

Desktop::~Desktop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool Desktop::HasWindow(const std::string& title) { return !Windows(title).empty(); }

std::string Desktop::WaitForWindow(const std::string& title, const std::vector<std::string>& known,
                                   milliseconds deadline) {
  return PollFor(
      [&] {
        std::istringstream found(Windows(title));
        for (std::string window; std::getline(found, window);) {
          if (std::find(known.begin(), known.end(), window) == known.end()) return window;
        }
        return std::string();
      },
      deadline);
}

bool Desktop::Focus(const std::string& window) {
  return !PollFor(
              [&] {
                Shell("xdotool windowfocus --sync " + window + " 2>/dev/null");
                return Shell("xdotool getwindowfocus 2>/dev/null") == window ? window : "";
              },
              milliseconds(5000))
              .empty();
}

void Desktop::Keys(const std::vector<std::string>& keys) {
  // Qt takes a mnemonic's animated click 100 ms after the key: the pace of
  // the keys, not a wait for an outcome (the next step waits for its window).
  for (const std::string& key : keys) {
    Shell("xdotool key " + key + (key.rfind("alt+", 0) == 0 ? " sleep 0.2" : ""));
  }
}

void Desktop::Type(const std::string& text) { Shell("xdotool type --delay 12 -- '" + text + "'"); }

void Desktop::Click(const std::string& window, int x, int y, int count) {
  Shell("xdotool mousemove --sync --window " + window + " " + std::to_string(x) + " " +
        std::to_string(y) + " click --repeat " + std::to_string(count) + " --delay 80 1");
}

bool Desktop::Answer(const std::string& title, const std::vector<std::string>& keys) {
  std::string window = WaitForWindow(title);
  if (window.empty() || !Focus(window)) return false;
  Keys(keys);
  return true;
}

}  // namespace zr::bus_test
