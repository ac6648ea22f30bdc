// Tests of RegExp::Find: where the leftmost match starts, the object's states
// (never compiled, failed compile) and bounded work on long hostile texts.
#include <gtest/gtest.h>

#include <string>

#include "matcher/regexp.h"

namespace zr {
namespace {

struct FindCase {
  const char* pattern;
  const char* text;
  int expected;
};

TEST(RegExpFindTest, LeftmostMatchStart) {
  const FindCase kCases[] = {
      // A search, not a whole-name comparison.
      {"city", "billcity", 4},
      {"city", "city_name", 0},
      {"tel", "hotel", 2},
      {"city", "cit", -1},
      {"e.*mail", "email", 0},
      {"e.*mail", "e-mail", 0},
      {"e.*mail", "hemail", 1},
      {"e.*mail", "yourmailbox", -1},  // no "e" before "mail"
      {"e.*mail", "mailmail_e", -1},
      {"^email$", "email", 0},
      {"^email$", "emails", -1},
      {"^email$", "my_email", -1},
      {"addr", "address1", 0},
      // Anchors.
      {"x*", "name", 0},
      {"$", "name", 4},
      {"$", "", 0},
      {"^", "abc", 0},
      {"a^b", "a^b", -1},  // "^" after a consumed byte never matches
      {"b|^a", "xa", -1},
      {"b|^a", "xab", 2},
      {"(^a)", "aa", 0},
      {"a$|b", "ab", 1},
      {"a$|b", "ba", 0},
      {"^$", "", 0},
      {"^$", "a", -1},
      {"", "abc", 0},
      // Classes.
      {"[-a]", "x-", 1},
      {"[-a]", "xa", 1},
      {"[a-]", "x-", 1},
      {"[a-]", "xb", -1},
      {"[^0-9]", "12a3", 2},
      {"[^0-9]", "123", -1},
      {"[]x]", "a]", 1},
      {"[^]x]", "]]xa", 3},
      {"[a-c]+d", "abxbcd", 3},
      {"[\\]", "a\\b", 1},            // backslash is a member like any other byte
      {"[\x80-\xff]", "caf\xe9", 3},  // signed bounds: 0x80..0xff
      {"[\xff-a]", "\x01", 0},
      // Escapes and literal punctuation.
      {"a{2}", "aa", -1},
      {"a{2}", "xa{2}", 1},
      {"\\.", "a.b", 1},
      {"\\d", "1d", 1},
      {"a\\*", "aaa*", 2},
      {"\\(", "f(x)", 1},
      // Quantifiers bind to one byte of a literal run.
      {"abc*", "xab", 1},
      {"abc*", "abccc", 0},
      {"abc*", "ac", -1},
      {"ab+c", "abbbc", 0},
      {"ab+c", "ac", -1},
      {"ab?c", "ac", 0},
      {"ab?c", "abbc", -1},
      {"a+", "bbba", 3},
      {".", "", -1},
      {".+", "", -1},
      {".*", "", 0},
      // Backtracking finds a match whenever one exists at a start.
      {"(a|ab)c", "abc", 0},
      {"(a|ab)(c|bcd)d", "abcdd", 0},
      {"(ab|a)*b", "aab", 0},
      {"(a+)+b", "aaab", 0},
      {"a*a", "aaaa", 0},
      {"(a*b)*c", "ababxabbc", 5},
      {"x(a|b)*y", "xababay", 0},
      {"x(a|b)*y", "xabcy", -1},
      {"(a|b)+$", "cab", 1},
      {"(ab)+$", "abaab", 3},
      {"a.c", "abdac", -1},
      {"a.c", "zzabc", 2},
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)", "xabcdefghi", 1},
      {"[a-z]*9", "AB9", 2},  // the star may repeat zero times
  };
  for (const FindCase& c : kCases) {
    RegExp re;
    ASSERT_TRUE(re.Compile(c.pattern)) << "pattern '" << c.pattern << "'";
    EXPECT_EQ(re.Find(c.text), c.expected) << "'" << c.pattern << "' in '" << c.text << "'";
    EXPECT_EQ(re.Find(std::string_view(c.text)), c.expected) << c.pattern;
  }
}

TEST(RegExpFindTest, NoProgramFindsNothing) {
  RegExp re;
  EXPECT_EQ(re.Find("anything"), -1);  // never compiled
  EXPECT_EQ(re.Find(""), -1);
  ASSERT_TRUE(re.Compile("x*"));
  EXPECT_EQ(re.Find(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(re.Find("abc"), 0);
  // A failed compile drops the previous program.
  EXPECT_FALSE(re.Compile("(x"));
  EXPECT_FALSE(re.compiled());
  EXPECT_EQ(re.Find("abc"), -1);
  ASSERT_TRUE(re.Compile("c"));
  EXPECT_EQ(re.Find("abc"), 2);
}

TEST(RegExpFindTest, MatchingIsCaseSensitive) {
  RegExp re;
  ASSERT_TRUE(re.Compile("comp"));
  EXPECT_EQ(re.Find("COMPANY"), -1);
  EXPECT_EQ(re.Find("my_company"), 3);
}

TEST(RegExpFindTest, ZeroBytesInTextAreOrdinaryBytes) {
  RegExp re;
  ASSERT_TRUE(re.Compile("a.b"));
  EXPECT_EQ(re.Find(std::string_view("xa\0b", 4)), 1);
  ASSERT_TRUE(re.Compile("[^x]y"));
  EXPECT_EQ(re.Find(std::string_view("\0y", 2)), 0);
  ASSERT_TRUE(re.Compile("[\xff-\x01]y"));  // a zero byte is never a class member
  EXPECT_EQ(re.Find(std::string_view("\0y\x01y", 4)), 2);
}

// Patterns that make a plain backtracker take exponential or polynomial time;
// each must answer correctly within the test's time limit.
TEST(RegExpFindTest, HostileLongTextsAreBounded) {
  const std::string as(1 << 20, 'a');
  struct Case {
    const char* pattern;
    std::string text;
    int expected;
  };
  const Case kCases[] = {
      {"(a|aa)*$", as + "b", static_cast<int>(as.size()) + 1},
      {"(a|aa)*c$", "c" + as, -1},
      {"a.*a.*a.*b", as, -1},
      {"a.*a.*a.*b", "b" + as, -1},
      {"a.*a.*a.*b", as + "b", 0},
      {"e.*mail", "mail" + std::string(1 << 20, 'e'), -1},
      {"(ab|a)*c", "c" + as, 0},
      {"(ab|a)*c$", "c" + as, -1},
      {"x(a|b)*y", "yx" + as + "x", -1},
      {"(a+)+b", "b" + as, -1},
      {"[ab]*ab*c", "c" + as, -1},
      {"a+a+a+a+$", as + "baaaa", static_cast<int>(as.size()) + 1},
  };
  for (const Case& c : kCases) {
    RegExp re;
    ASSERT_TRUE(re.Compile(c.pattern)) << c.pattern;
    EXPECT_EQ(re.Find(c.text), c.expected) << c.pattern;
  }
}

// Deep nesting of choice points (one per loop iteration) must not exhaust the
// stack: the search moves to the simulation instead.
TEST(RegExpFindTest, DeepLoopsOnLongTexts) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "ab";
  RegExp re;
  ASSERT_TRUE(re.Compile("(ab)*c"));
  EXPECT_EQ(re.Find(text + "c"), 0);
  EXPECT_EQ(re.Find(text), -1);
  EXPECT_EQ(re.Find(text + "xc"), static_cast<int>(text.size()) + 1);
  ASSERT_TRUE(re.Compile("^(ab)*$"));
  EXPECT_EQ(re.Find(text), 0);
  EXPECT_EQ(re.Find(text + "a"), -1);
}

}  // namespace
}  // namespace zr
