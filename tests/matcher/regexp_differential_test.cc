// RegExp checked against independent references: the C library's POSIX
// extended regexec on random patterns and texts (the leftmost match start must
// agree), and the bounded search and the simulation against the unbounded
// backtracker.
#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>
#include <vector>

#include "matcher/regexp.h"
#include "matcher/regexp_program.h"

namespace zr {
namespace {

// Random patterns over "ab" with the constructs whose meaning POSIX extended
// syntax shares: groups, alternation, "*", "+", "?", ".", classes, anchors and
// escaped special bytes.
class PatternMaker {
 public:
  explicit PatternMaker(unsigned seed) : rng_(seed) {}
  int Roll(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  std::string Expression(int depth) {
    std::string out = Branch(depth);
    while (Roll(5) == 0) out += "|" + Branch(depth);
    return out;
  }
  std::string Text(int max_len) {
    std::string out;
    for (int i = Roll(max_len + 1); i > 0; --i) out += "aaabbb.*-"[Roll(9)];
    return out;
  }

 private:
  std::string Branch(int depth) {
    std::string out;
    for (int i = Roll(4) + (Roll(6) == 0 ? 0 : 1); i > 0; --i) out += Piece(depth);
    return out;
  }
  std::string Piece(int depth) {
    const int kind = Roll(20);
    if (kind < 2) return kind == 0 ? "^" : "$";  // anchors stay unquantified
    const std::string atom = Atom(depth);
    const int quantifier = Roll(6);
    return quantifier < 3 ? atom + "*+?"[quantifier] : atom;
  }
  std::string Atom(int depth) {
    static const char* const kClasses[] = {"[ab]", "[^a]", "[a-b]", "[]a]", "[a-]",
                                           "[-b]", "[^-]", "[.*]",  "[^.]", "[*-.]"};
    const int kind = Roll(12);
    if (kind == 0) return ".";
    if (kind < 3) return kClasses[Roll(10)];
    if (kind < 5) return depth < 3 ? "(" + Expression(depth + 1) + ")" : "a";
    if (kind == 5) return std::string("\\") + ".*+?()[$^"[Roll(9)];
    return Roll(2) == 0 ? "a" : "b";
  }
  std::mt19937 rng_;
};

// The POSIX reference: the start of the leftmost match, or -1; -2 when the
// pattern does not compile.
int PosixFind(const std::string& pattern, const std::string& text) {
  regex_t re;
  if (regcomp(&re, pattern.c_str(), REG_EXTENDED) != 0) return -2;
  regmatch_t match;
  const int start = regexec(&re, text.c_str(), 1, &match, 0) == 0 ? int(match.rm_so) : -1;
  regfree(&re);
  return start;
}

TEST(RegExpDifferentialTest, AgreesWithPosixOnShortAndLongTexts) {
  PatternMaker maker(20240611);
  std::mt19937 rng(5);
  int patterns = 0, matches = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string pattern = maker.Expression(0);
    RegExp re;
    if (!re.Compile(pattern) || PosixFind(pattern, "") == -2) continue;
    ++patterns;
    for (int t = 0; t < 10; ++t) {
      const std::string text = maker.Text(10);
      const int expected = PosixFind(pattern, text);
      matches += expected >= 0;
      ASSERT_EQ(re.Find(text), expected) << "'" << pattern << "' in '" << text << "'";
    }
    // Long runs of one byte with a few others run the default limits out.
    if (i % 20 != 0) continue;
    std::string text;
    for (int k = 2000 + rng() % 3000; k > 0; --k) text += rng() % 50 == 0 ? "b.*"[rng() % 3] : 'a';
    ASSERT_EQ(re.Find(text), PosixFind(pattern, text)) << "'" << pattern << "' on a long text";
  }
  // The generator must exercise both outcomes on many patterns.
  EXPECT_GT(patterns, 2000);
  EXPECT_GT(matches, patterns * 3);
  EXPECT_LT(matches, patterns * 7);
  // More star and plus nodes than the backtracker keeps facts for at a time.
  for (const char* pattern : {"a*b*a*b*a*b*a*b*a*b*c", "[ab]*b+a*b+a*b+a*b+a*b+a*$",
                              "(a.*b)*.*a.*a.*a.*b.*c", "b.*a+.*b+.*a.*b.*a.*b.*a.*b$"}) {
    RegExp re;
    ASSERT_TRUE(re.Compile(pattern)) << pattern;
    for (int t = 0; t < 10; ++t) {
      std::string text;
      for (int k = 500 + rng() % 4000; k > 0; --k) text += rng() % 40 == 0 ? "bc"[rng() % 2] : 'a';
      ASSERT_EQ(re.Find(text), PosixFind(pattern, text)) << "'" << pattern << "' on a long text";
    }
  }
}

// The bounded search falls back to the simulation at any point; every way
// must give the unbounded backtracker's answer on generated patterns.
TEST(RegExpDifferentialTest, FallbackAgreesWithBacktracker) {
  constexpr regexp::SearchLimits kUnbounded{1L << 40, 0, 1 << 20};
  constexpr regexp::SearchLimits kLimits[] = {
      {0, 0, 1000},      // simulation from position 0
      {6, 0, 1000},      // simulation from a later start
      {1L << 40, 0, 1},  // simulation at the first nested choice
      regexp::kDefaultSearchLimits,
  };
  PatternMaker maker(7);
  int compiled = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string pattern = maker.Expression(0);
    std::vector<unsigned char> code;
    regexp::Hints hints;
    if (!regexp::CompileProgram(pattern, code, hints)) {
      EXPECT_TRUE(code.empty()) << pattern;
      continue;
    }
    ++compiled;
    const regexp::ProgramView view = regexp::ViewOf(code, hints);
    for (int t = 0; t < 6; ++t) {
      const std::string text = maker.Text(14) + (t == 0 ? "\x80\xff-" : "");
      const int expected = regexp::SearchProgram(view, text, kUnbounded);
      for (const regexp::SearchLimits& limits : kLimits) {
        ASSERT_EQ(regexp::SearchProgram(view, text, limits), expected) << pattern << " / " << text;
      }
      ASSERT_EQ(regexp::SimulateProgram(view, text, 0), expected) << pattern << " / " << text;
    }
  }
  EXPECT_GT(compiled, 2000);
  // A program whose closures are too large for the simulation to keep.
  std::string pattern;
  for (int i = 0; i < 2000; ++i) pattern += "a?";
  std::vector<unsigned char> code;
  regexp::Hints hints;
  ASSERT_TRUE(regexp::CompileProgram(pattern + "b", code, hints));
  EXPECT_EQ(
      regexp::SimulateProgram(regexp::ViewOf(code, hints), "c" + std::string(1500, 'a') + "b", 0),
      1);
  EXPECT_EQ(regexp::SimulateProgram(regexp::ViewOf(code, hints), std::string(2500, 'a') + "b", 0),
            500);
  EXPECT_EQ(regexp::SimulateProgram(regexp::ViewOf(code, hints), std::string(1500, 'a') + "c", 0),
            -1);
}

}  // namespace
}  // namespace zr
