// The secret helpers: the constant-time comparison agrees with ==, a wiped
// string is empty, and a process that forbade core dumps is not dumpable.
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
  struct Case {
    std::string_view a, b;
  };
  const Case cases[] = {
      {"", ""},
      {"secret", "secret"},
      {"secret", "Secret"},
      {"secret", "secreT"},
      {"secret", "sec"},
      {"", "x"},
      {"a\0b"sv, "a\0c"sv},
      {"\xff", "\x7f"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualInConstantTime(c.a, c.b), c.a == c.b) << c.a << " / " << c.b;
    EXPECT_EQ(EqualInConstantTime(c.b, c.a), c.a == c.b) << c.b << " / " << c.a;
  }
}

TEST(SecretMemoryTest, WipedStringIsEmpty) {
  std::string secret = "correct horse battery staple";
  WipeString(secret);
  EXPECT_TRUE(secret.empty());
  // Its storage was overwritten up to the capacity.
  secret.resize(secret.capacity());
  EXPECT_EQ(secret.find_first_not_of('\0'), std::string::npos);
}

TEST(SecretMemoryTest, ForbiddingCoreDumpsLeavesNoWayToACoreFile) {
  // In a child, so the test process keeps its own settings.
  pid_t child = ::fork();
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
