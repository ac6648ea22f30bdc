// The secret helpers: the constant-time comparison agrees with ==, core dumps
// once forbidden cannot be allowed again, and a secret typed at a terminal is
// not echoed.
#include "platform/secret_memory.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "platform/terminal_input.h"

namespace zr {
namespace {

using namespace std::string_view_literals;

TEST(SecretMemoryTest, ConstantTimeComparisonAgreesWithEquality) {
  for (const auto& [a, b] : {std::pair{""sv, ""sv}, {"secret"sv, "secret"sv}, {"secret"sv, "Secret"sv},
                             {"secret"sv, "secreT"sv}, {"secret"sv, "sec"sv}, {"a"sv, "a\0"sv}}) {
    EXPECT_EQ(EqualInConstantTime(a, b), a == b) << a << " / " << b;
    EXPECT_EQ(EqualInConstantTime(b, a), a == b) << b << " / " << a;
  }
}

// Both run in a child, which writes its result and exits.
int ChildStatus(pid_t child) {
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SecretMemoryTest, ForbiddingCoreDumpsLeavesNoWayToACoreFile) {
  pid_t child = ::fork();
  if (child == 0) {
    struct rlimit core, raised = {1 << 20, 1 << 20};
    ::_exit(ForbidCoreDumps() && ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_max == 0 &&
                    (::geteuid() == 0 || ::setrlimit(RLIMIT_CORE, &raised) != 0) ? 0 : 1);
  }
  EXPECT_EQ(ChildStatus(child), 0);
}

// The child prompts on a pseudo-terminal; the text is typed once the prompt shows, that is once echo is off.
TEST(SecretMemoryTest, ASecretTypedAtATerminalIsNotShown) {
  int terminal = -1;
  pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::optional<std::string> line = ReadSecretLine("Master password: ");
    struct termios after;
    ::_exit(line == "hunter2" && ::tcgetattr(STDIN_FILENO, &after) == 0 && (after.c_lflag & ECHO) ? 0 : 1);
  }
  std::string shown;
  char buffer[256];
  for (ssize_t got; shown.find("Master password: ") == std::string::npos; shown.append(buffer, got)) {
    ASSERT_GT(got = ::read(terminal, buffer, sizeof buffer), 0) << shown;
  }
  ASSERT_EQ(::write(terminal, "hunter2\n", 8), 8);
  EXPECT_EQ(ChildStatus(child), 0) << "the child did not read the secret or left echo off";
  for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
  ::close(terminal);
  EXPECT_EQ(shown.find("hunter2"), std::string::npos) << shown;
}

}  // namespace
}  // namespace zr
