// Tests of pattern compilation: which patterns fail, the node programs that
// the quantifier rules produce, the search hints and the program size limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "matcher/regexp.h"
#include "matcher/regexp_program.h"
#include "tests/matcher/program_dump.h"

namespace zr {
namespace {

using regexp::CompileProgram;
using regexp::Hints;

TEST(RegExpCompileTest, RejectsBadSyntax) {
  // clang-format off
  const char* const kBad[] = {
      "(a",          "a)",           ")",          "(a|b",        "a(b(c)",
      "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)",  // a tenth group
      "((((((((((a))))))))))",           // ten nested groups
      "*a",          "+a",           "?a",         "(*a)",        "a|*b",
      "(a*)*",       "^*",           "$+",         "(a|)+",       "(a?)*",
      "()*",         "(^)+",         "a**",        "a*?",         "a+?",
      "a?*",         "a\\",          "[abc",       "[",           "[^",
      "[]",          "[a-",          "[z-a]",      "[a-\xff]",    "x[9-0]y",
  };
  // clang-format on
  for (const char* pattern : kBad) {
    RegExp re;
    EXPECT_FALSE(re.Compile(pattern)) << "pattern '" << pattern << "'";
    EXPECT_FALSE(re.compiled()) << "pattern '" << pattern << "'";
  }
}

TEST(RegExpCompileTest, AcceptsValidSyntax) {
  // clang-format off
  const char* const kGood[] = {
      "",          "a",        "(a)(b)(c)(d)(e)(f)(g)(h)(i)",  // nine groups
      "(((((((((a)))))))))",   "^?",       "(a*)?",     "(a|)?",   "$?",
      "a|",        "|",        "()",       "(|a)",      "[]]",     "[^]a]",
      "[-a]",      "[a-]",     "[^-]",     "[a-a]",     "[\\]",    "a{2}",
      "\\d",       "\\.",      "\\\\",     "a^b$c",     "[\x80-\xff]",
      "[\xff-a]",  "x*y+z?",   "(ab)+",    "(a|b)*c",   "{}",      "a]",
  };
  // clang-format on
  for (const char* pattern : kGood) {
    RegExp re;
    EXPECT_TRUE(re.Compile(pattern)) << "pattern '" << pattern << "'";
    EXPECT_TRUE(re.compiled()) << "pattern '" << pattern << "'";
  }
}

// Each program is checked node by node: offset, kind, operand and link target.
TEST(RegExpCompileTest, ProgramLayout) {
  struct Case {
    const char* pattern;
    const char* program;
  };
  const Case kCases[] = {
      // A literal run gives up its last byte to a following quantifier.
      {"abc*", "0:branch>17 3:literal'ab'>9 9:star>17 12:literal'c' 17:end"},
      {"a|b", "0:branch>8 3:literal'a'>16 8:branch>16 11:literal'b'>16 16:end"},
      // Non-simple "*": branch (atom, loop back) or nothing.
      {"(ab)*",
       "0:branch>30 3:branch>24 6:open1>9 9:branch>18 12:literal'ab'>18 18:close1>21 "
       "21:back>3 24:branch>27 27:nothing>30 30:end"},
      // Non-simple "+": atom, then branch (loop back to the atom) or nothing.
      {"(ab)+",
       "0:branch>30 3:open1>6 6:branch>15 9:literal'ab'>15 15:close1>18 18:branch>24 "
       "21:back>3 24:branch>27 27:nothing>30 30:end"},
      // "?": branch (atom) or nothing, on a simple atom too.
      {"a?", "0:branch>17 3:branch>11 6:literal'a'>14 11:branch>14 14:nothing>17 17:end"},
      {"[^a-c]x+$", "0:branch>21 3:anybut'abc'>10 10:plus>18 13:literal'x' 18:eol>21 21:end"},
      {"^a|", "0:branch>11 3:bol>6 6:literal'a'>17 11:branch>17 14:nothing>17 17:end"},
      {".*", "0:branch>9 3:star>9 6:any 9:end"},
      // Class members: "]" and "-" first, "-" last, ranges, backslash as itself.
      {"[]-a-]", "0:branch>13 3:anyof']^_`a-'>13 13:end"},
      {"[\\d]", "0:branch>9 3:anyof'\\d'>9 9:end"},
      {"a\\.b", "0:branch>18 3:literal'a'>8 8:literal'.'>13 13:literal'b'>18 18:end"},
      // Signed bounds: 0xfe..0x01 holds 0xfe, 0xff and 0x01, never a zero byte.
      {"[\xfe-\x01]", "0:branch>10 3:anyof'\\xfe\\xff\\x01'>10 10:end"},
  };
  for (const Case& c : kCases) {
    std::vector<unsigned char> code;
    Hints hints;
    ASSERT_TRUE(CompileProgram(c.pattern, code, hints)) << c.pattern;
    EXPECT_EQ(testing::DumpProgram(code), c.program) << "pattern '" << c.pattern << "'";
  }
}

TEST(RegExpCompileTest, SearchHints) {
  struct Case {
    const char* pattern;
    int first_byte;
    bool anchored;
    const char* required;
    bool starts_with_repeat;
  };
  const Case kCases[] = {
      {"abc", 'a', false, "abc", false},
      {"^ab", -1, true, "ab", false},
      {"a*bcd*ef", -1, false, "ef", true},  // ties go to the later literal
      {"x+abc", -1, false, "abc", true},
      {"(x*)yz", -1, false, "yz", true},  // a leading group counts
      {"(w|x*)yz", -1, false, "yz", true},
      {"x?abc", -1, false, "abc", false},  // "?" does not count
      {"(ab)cd", -1, false, "cd", false},  // literals inside groups do not count
      {"[ab]*", -1, false, "", true},
      {"ab|cd", -1, false, "", false},  // several top-level branches: no hints
      {"(a|b)", -1, false, "", false},
  };
  for (const Case& c : kCases) {
    std::vector<unsigned char> code;
    Hints hints;
    ASSERT_TRUE(CompileProgram(c.pattern, code, hints)) << c.pattern;
    EXPECT_EQ(hints.first_byte, c.first_byte) << c.pattern;
    EXPECT_EQ(hints.anchored, c.anchored) << c.pattern;
    EXPECT_EQ(hints.required, c.required) << c.pattern;
    EXPECT_EQ(hints.starts_with_repeat, c.starts_with_repeat) << c.pattern;
  }
}

// A literal of n bytes compiles to n + 10 bytes (branch, literal with NUL, end).
TEST(RegExpCompileTest, ProgramSizeLimit) {
  RegExp re;
  EXPECT_TRUE(re.Compile(std::string(32757, 'x')));
  EXPECT_EQ(re.Find("y" + std::string(32757, 'x')), 1);
  EXPECT_FALSE(re.Compile(std::string(32758, 'x')));
  EXPECT_EQ(re.Find(std::string(40000, 'x')), -1);
  // Ranges count their expanded members: 300 classes of 127 bytes each.
  std::string classes;
  for (int i = 0; i < 300; ++i) classes += "[\x01-\x7f]";
  EXPECT_FALSE(re.Compile(classes));
}

TEST(RegExpCompileTest, ZeroByteEndsPattern) {
  RegExp re;
  ASSERT_TRUE(re.Compile(std::string_view("ab\0(", 4)));
  EXPECT_EQ(re.Find("xxab"), 2);
}

}  // namespace
}  // namespace zr
