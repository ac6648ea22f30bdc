// The secret helpers: the constant-time comparison agrees with ==, a wiped
// string is empty and overwritten, and a process that forbade core dumps
// cannot raise the limit again.
#include "platform/secret_memory.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace zr {
namespace {

using namespace std::string_view_literals;

TEST(SecretMemoryTest, ConstantTimeComparisonAgreesWithEquality) {
  const std::pair<std::string_view, std::string_view> rows[] = {
      {"", ""},       {"secret", "secret"}, {"secret", "Secret"},   {"secret", "secreT"},
      {"secret", "sec"}, {"", "x"},         {"a\0b"sv, "a\0c"sv}, {"\xff", "\x7f"},
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

}  // namespace
}  // namespace zr
