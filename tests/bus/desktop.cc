// Xvfb and xdotool for the tests that answer the server's real windows. Xvfb
// says on a pipe when it is ready; xdotool waits for windows and focus itself
// (--sync), bounded by timeout(1).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "bus_support.h"

extern char** environ;

namespace zr::bus_test {
namespace {

// Runs a shell command; its standard output up to the first line end.
std::string Shell(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    ::pclose(pipe);
  }
  return output.substr(0, output.find('\n'));
}

}  // namespace

Desktop::Desktop() {
  int ready[2];
  if (::pipe(ready) != 0) return;
  std::string fd = std::to_string(ready[1]);
  const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ready[1]);
  if (spawned == 0) pid_ = pid;
  // Xvfb writes its display number once it accepts connections.
  char number[16] = {};
  pollfd wait{ready[0], POLLIN, 0};
  bool up = spawned == 0 && ::poll(&wait, 1, 20000) == 1 && ::read(ready[0], number, sizeof number - 1) > 0;
  ::close(ready[0]);
  if (!up && pid_ > 0) ::kill(pid_, SIGTERM), ::waitpid(pid_, nullptr, 0);
  if (!up) { pid_ = -1; return; }
  std::string display = ":" + std::to_string(std::atoi(number));
  ::setenv("DISPLAY", display.c_str(), 1);
  ::unsetenv("QT_QPA_PLATFORM");
  std::system(("dbus-update-activation-environment DISPLAY=" + display + " QT_QPA_PLATFORM=xcb").c_str());
}

Desktop::~Desktop() {
  if (pid_ > 0) ::kill(pid_, SIGTERM), ::waitpid(pid_, nullptr, 0);
}

bool Desktop::HasWindow(const std::string& title) { return !WaitForWindow(title, 0).empty(); }

std::string Desktop::WaitForWindow(const std::string& title, int seconds) {
  std::string wait = seconds > 0 ? "timeout " + std::to_string(seconds) + " xdotool search --sync" : "xdotool search";
  return Shell(wait + " --onlyvisible --name '^" + title + "$' 2>/dev/null");
}

void Desktop::Keys(const std::vector<std::string>& keys) {
  // Qt takes a mnemonic's animated click 100 ms after the key: the pace of the
  // keys, not a wait for an outcome (the next step waits for its window).
  for (const std::string& key : keys) Shell("xdotool key " + key + (key.rfind("alt+", 0) == 0 ? " sleep 0.2" : ""));
}

void Desktop::Type(const std::string& text) { Shell("xdotool type --delay 12 -- '" + text + "'"); }

bool Desktop::Answer(const std::string& title, const std::vector<std::string>& keys) {
  std::string window = WaitForWindow(title);
  if (window.empty()) return false;
  Shell("timeout 5 xdotool windowfocus --sync " + window + " 2>/dev/null");
  if (Shell("xdotool getwindowfocus") != window) return false;
  Keys(keys);
  return true;
}

}  // namespace zr::bus_test
