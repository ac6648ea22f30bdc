// The secret helpers: the constant-time comparison agrees with ==, a wiped
// string is empty and overwritten, and a process that forbade core dumps
// cannot raise the limit again; a secret typed at a terminal is not echoed.
#include "platform/secret_memory.h"

#include <pty.h>
#include <termios.h>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/terminal_input.h"

namespace zr {
namespace {

using namespace std::string_view_literals;

TEST(SecretMemoryTest, ConstantTimeComparisonAgreesWithEquality) {
  const std::pair<std::string_view, std::string_view> rows[] = {
      {"", ""},       {"secret", "secret"}, {"secret", "Secret"},   {"secret", "secreT"},
      {"secret", "sec"}, {"", "x"},         {"a\0b"sv, "a\0c"sv}, {"\xff", "\x7f"},
      {"a", "a\0"sv},  // a zero tail is a difference
  };
  for (const auto& [a, b] : rows) {
    EXPECT_EQ(EqualInConstantTime(a, b), a == b) << a << " / " << b;
    EXPECT_EQ(EqualInConstantTime(b, a), a == b) << b << " / " << a;
  }
}

TEST(SecretMemoryTest, WipedStringIsEmptyAndOverwritten) {
  std::string secret = "correct horse battery staple";
  WipeString(secret);
  EXPECT_TRUE(secret.empty());
  secret.resize(secret.capacity());
  EXPECT_EQ(secret.find_first_not_of('\0'), std::string::npos);
}

TEST(SecretMemoryTest, ForbiddingCoreDumpsLeavesNoWayToACoreFile) {
  pid_t child = ::fork();  // so the test process keeps its own settings
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit core;
    struct rlimit raised = {1 << 20, 1 << 20};
    bool ok = ForbidCoreDumps() && ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0 &&
              core.rlim_max == 0 && (::geteuid() == 0 || ::setrlimit(RLIMIT_CORE, &raised) != 0);
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A child reads a line on a pseudo-terminal; what the terminal shows must hold
// the prompt but not the typed text, and the child must get the text, with
// the terminal's echo back on afterwards.
TEST(SecretMemoryTest, ASecretTypedAtATerminalIsNotShown) {
  int result[2];
  ASSERT_EQ(::pipe(result), 0);
  int terminal = -1;
  pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(result[0]);
    std::optional<std::string> line = ReadSecretLine("Master password: ");
    struct termios after;
    bool echo_back = ::tcgetattr(STDIN_FILENO, &after) == 0 && (after.c_lflag & ECHO) != 0;
    std::string answer = (line ? *line : "<none>") + (echo_back ? "|echo" : "|quiet");
    ssize_t written = ::write(result[1], answer.data(), answer.size());
    ::_exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
  }
  ::close(result[1]);
  // Type only once the prompt is shown, that is once echo is off.
  std::string shown;
  char buffer[256];
  while (shown.find("Master password: ") == std::string::npos) {
    ssize_t got = ::read(terminal, buffer, sizeof buffer);
    ASSERT_GT(got, 0) << "no prompt; shown: " << shown;
    shown.append(buffer, static_cast<size_t>(got));
  }
  ASSERT_EQ(::write(terminal, "hunter2\n", 8), 8);
  std::string answer;
  for (ssize_t got; (got = ::read(result[0], buffer, sizeof buffer)) > 0;) {
    answer.append(buffer, static_cast<size_t>(got));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) {
    shown.append(buffer, static_cast<size_t>(got));
  }
  ::close(terminal);
  ::close(result[0]);
  EXPECT_EQ(answer, "hunter2|echo");
  EXPECT_EQ(shown.find("hunter2"), std::string::npos) << shown;
}

}  // namespace
}  // namespace zr
