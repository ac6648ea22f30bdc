// ReadSecretLine: a line from standard input, unechoed on a terminal.
#include "platform/terminal_input.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace zr {

namespace {

// Turns the terminal's echo off for its lifetime, when fd is a terminal.
class ScopedNoEcho {
 public:
  explicit ScopedNoEcho(int fd) : fd_(fd) {
    if (::tcgetattr(fd_, &saved_) != 0) return;
    struct termios quiet = saved_;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;  // the Return still moves to the next line
    active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~ScopedNoEcho() {
    if (active_) ::tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  ScopedNoEcho(const ScopedNoEcho&) = delete;
  ScopedNoEcho& operator=(const ScopedNoEcho&) = delete;

 private:
  int fd_;
  struct termios saved_ {};
  bool active_ = false;
};

}  // namespace

std::optional<std::string> ReadSecretLine(const char* prompt) {
  std::optional<ScopedNoEcho> no_echo;
  if (::isatty(STDIN_FILENO)) {
    // Echo goes off before the prompt shows: turning it off flushes typed-ahead
    // input, which must not include what is typed after the prompt.
    no_echo.emplace(STDIN_FILENO);
    std::fputs(prompt, stderr);
    std::fflush(stderr);
  }
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace zr
