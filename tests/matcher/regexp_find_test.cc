// RegExp: which patterns compile, the program size limit, states, and the leftmost match on
// constructs the POSIX differential test does not generate and on hostile texts (bounded work).
#include <gtest/gtest.h>

#include "matcher/regexp.h"

namespace zr {
namespace {

TEST(RegExpCompileTest, SyntaxRulesAndStates) {
  const std::pair<std::string, bool> rows[] = {
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", false},
      {"((((((((((a))))))))))", false},  // 10th
      {"(a", false},
      {"a)", false},
      {"*a", false},
      {"a|*b", false},
      {"(a*)*", false},
      {"^*", false},
      {"(a|)+", false},
      {"()*", false},
      {"a**", false},
      {"a*?", false},
      {"a\\", false},
      {"[abc", false},
      {"[]", false},
      {"[a-", false},
      {"[z-a]", false},
      {"[a-\xff]", false},
      {std::string(32758, 'x'), false},
      {std::string(32757, 'x'), true},  // n + 10 program bytes
      {"", true},
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)", true},
      {"(((((((((a)))))))))", true},
      {"^?", true},
      {"(a*)?", true},
      {"a|", true},
      {"()", true},
      {"{}", true},
  };
  RegExp re;
  for (const auto& [pattern, ok] : rows) EXPECT_EQ(re.Compile(pattern), ok) << pattern.substr(0, 9);
  std::string classes;
  for (int i = 0; i < 300; ++i) classes += "[\x01-\x7f]";  // ranges count their members
  ASSERT_TRUE(re.Compile("x*"));
  EXPECT_EQ(re.Find(static_cast<const char*>(nullptr)), -1);
  EXPECT_FALSE(re.Compile(classes));
  EXPECT_EQ(re.Find("abc"), -1) << "a failed compile drops the previous program";
  EXPECT_EQ(RegExp().Find(""), -1) << "never compiled";
}

TEST(RegExpFindTest, LeftmostMatchStartAndBoundedWorkOnHostileTexts) {
  const std::string as(1 << 20, 'a');
  std::string abs;
  for (int i = 0; i < 200000; ++i) abs += "ab";
  const std::tuple<std::string, std::string, int> rows[] = {
      {"comp", "COMPANY", -1},
      {"b|^a", "xab", 2},
      {"a^b", "a^b", -1},
      {"[a-]", "xb", -1},
      {"[^0-9]", "12a3", 2},
      {"[^]x]", "]]xa", 3},
      {"[\\]", "a\\b", 1},
      {"a{2}", "xa{2}", 1},
      {"[\x80-\xff]", "\x7f\xe9", 1},
      {"[\xff-a]", "\x01", 0},
      {"\\d", "1d", 1},
      {"a]", "a]", 0},
      {"a.b", std::string("xa\0b", 4), 1},
      {std::string("ab\0(", 4), "xxab", 2} /* zero ends it */,
      {"[\xff-\x01]y", std::string("\0y\x01y", 4), 2},  // a zero byte is never a class member
      {std::string(32757, 'x'), "y" + std::string(32757, 'x'), 1},
      // Exponential or polynomial for a plain backtracker, or deep enough to exhaust the stack.
      {"(a|aa)*$", as + "b", (1 << 20) + 1},
      {"a.*a.*a.*b", as, -1},
      {"(a+)+b", "b" + as, -1},
      {"a+a+a+a+$", as + "baaaa", (1 << 20) + 1},
      {"(ab)*c", abs + "xc", 400001},
      {"^(ab)*$", abs + "a", -1},
  };
  for (const auto& [pattern, text, expected] : rows) {
    RegExp re;
    ASSERT_TRUE(re.Compile(pattern)) << pattern.substr(0, 40);
    EXPECT_EQ(re.Find(text), expected) << pattern.substr(0, 40) << " in " << text.substr(0, 40);
  }
}

}  // namespace
}  // namespace zr
