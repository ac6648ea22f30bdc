// RegExp: which patterns compile, where the leftmost match starts, the
// object's states, the program size limit, and bounded work on long hostile
// texts.
#include <gtest/gtest.h>

#include <string>

#include "matcher/regexp.h"

namespace zr {
namespace {

TEST(RegExpCompileTest, SyntaxRules) {
  // clang-format off
  const char* const kBad[] = {
      "(a", "a)", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)" /* a tenth group */, "((((((((((a))))))))))",
      "*a", "a|*b", "(a*)*", "^*", "(a|)+", "()*", "a**", "a*?", "a\\", "[abc", "[]", "[a-",
      "[z-a]", "[a-\xff]",
  };
  const char* const kGood[] = {
      "", "(a)(b)(c)(d)(e)(f)(g)(h)(i)", "(((((((((a)))))))))", "^?", "(a*)?", "a|", "()",
      "[]]", "[^]a]", "[-a]", "[a-]", "[\\]", "a{2}", "[\x80-\xff]", "[\xff-a]", "{}", "a]",
  };
  // clang-format on
  RegExp re;
  for (const char* pattern : kBad) EXPECT_FALSE(re.Compile(pattern)) << "'" << pattern << "'";
  for (const char* pattern : kGood) EXPECT_TRUE(re.Compile(pattern)) << "'" << pattern << "'";
  // A literal of n bytes compiles to n + 10 bytes; ranges count their members.
  EXPECT_TRUE(re.Compile(std::string(32757, 'x')));
  EXPECT_EQ(re.Find("y" + std::string(32757, 'x')), 1);
  EXPECT_FALSE(re.Compile(std::string(32758, 'x')));
  std::string classes;
  for (int i = 0; i < 300; ++i) classes += "[\x01-\x7f]";
  EXPECT_FALSE(re.Compile(classes));
  ASSERT_TRUE(re.Compile(std::string_view("ab\0(", 4))) << "a zero byte ends the pattern";
  EXPECT_EQ(re.Find("xxab"), 2);
}

TEST(RegExpFindTest, LeftmostMatchStart) {
  struct Row {
    const char* pattern;
    std::string text;
    int expected;
  };
  // The constructs the POSIX differential test does not generate.
  const Row rows[] = {
      {"city", "billcity", 4},   {"comp", "COMPANY", -1},  {"b|^a", "xab", 2},
      {"a^b", "a^b", -1},        {"[a-]", "xb", -1},       {"[^0-9]", "12a3", 2},
      {"[^]x]", "]]xa", 3},      {"[\\]", "a\\b", 1},      {"[\x80-\xff]", "caf\xe9", 3},
      {"[\xff-a]", "\x01", 0},   {"a{2}", "xa{2}", 1},     {"\\d", "1d", 1},
      {"a.b", std::string("xa\0b", 4), 1},
      {"[\xff-\x01]y", std::string("\0y\x01y", 4), 2},  // a zero byte is never a class member
  };
  for (const Row& row : rows) {
    RegExp re;
    ASSERT_TRUE(re.Compile(row.pattern)) << row.pattern;
    EXPECT_EQ(re.Find(row.text), row.expected) << "'" << row.pattern << "' in '" << row.text << "'";
  }
}

TEST(RegExpFindTest, NoProgramFindsNothing) {
  RegExp re;
  EXPECT_EQ(re.Find(""), -1) << "never compiled";
  ASSERT_TRUE(re.Compile("x*"));
  EXPECT_EQ(re.Find(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(re.Find("abc"), 0);
  EXPECT_FALSE(re.Compile("(x"));
  EXPECT_FALSE(re.compiled());
  EXPECT_EQ(re.Find("abc"), -1) << "a failed compile drops the previous program";
}

// Patterns that make a plain backtracker take exponential or polynomial time,
// and loops deep enough to exhaust the stack, answer within the test's limit.
TEST(RegExpFindTest, HostileLongTextsAreBounded) {
  const std::string as(1 << 20, 'a');
  std::string abs;
  for (int i = 0; i < 200000; ++i) abs += "ab";
  const int n = static_cast<int>(as.size());
  const std::tuple<const char*, std::string, int> rows[] = {
      {"(a|aa)*$", as + "b", n + 1},  {"a.*a.*a.*b", as, -1},
      {"(a+)+b", "b" + as, -1},       {"a+a+a+a+$", as + "baaaa", n + 1},
      {"(ab)*c", abs + "xc", static_cast<int>(abs.size()) + 1}, {"^(ab)*$", abs + "a", -1},
  };
  for (const auto& [pattern, text, expected] : rows) {
    RegExp re;
    ASSERT_TRUE(re.Compile(pattern)) << pattern;
    EXPECT_EQ(re.Find(text), expected) << pattern;
  }
}

}  // namespace
}  // namespace zr
