// RegExp on random patterns and texts against POSIX extended regexec (the leftmost match
// start must agree), and the simulation on closures too large to keep.
#include <gtest/gtest.h>
#include <regex.h>

#include <random>

#include "matcher/regexp.h"
#include "matcher/regexp_program.h"

namespace zr {
namespace {

// Random patterns over "ab" with the constructs POSIX extended syntax shares:
// groups, "|", "*", "+", "?", ".", classes, anchors and escaped special bytes.
struct PatternMaker {
  std::mt19937 rng;
  int Roll(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
  std::string Expression(int depth) {
    std::string out;
    do {
      out += out.empty() ? "" : "|";
      for (int i = Roll(4) + (Roll(6) != 0); i > 0; --i) {
        const int kind = Roll(20), quantifier = Roll(6);
        if (kind < 2)
          out += "^$"[kind];
        else
          out += Atom(depth) + (quantifier < 3 ? std::string(1, "*+?"[quantifier]) : "");
      }
    } while (Roll(5) == 0);
    return out;
  }
  std::string Atom(int depth) {
    static const char* const kClasses[] = {".",    "[ab]", "[^a]", "[a-b]", "[]a]", "[a-]",
                                           "[-b]", "[^-]", "[.*]", "[^.]",  "[*-.]"};
    const int kind = Roll(12);
    if (kind < 3) return kClasses[Roll(11)];
    if (kind < 5) return depth < 3 ? "(" + Expression(depth + 1) + ")" : "a";
    if (kind == 5) return std::string("\\") + ".*+?()[$^"[Roll(9)];
    return Roll(2) == 0 ? "a" : "b";
  }
  // Texts from alphabet; long runs of 'a' with a few others run the default limits out.
  std::string Text(int min, int spread, std::string_view alphabet) {
    std::string out;
    for (int i = min + Roll(spread); i > 0; --i) out += alphabet[Roll(int(alphabet.size()))];
    return out;
  }
};

// Start of POSIX's leftmost match, -1 for none, -2 when it does not compile.
int PosixFind(const std::string& pattern, const std::string& text) {
  regex_t re;
  if (regcomp(&re, pattern.c_str(), REG_EXTENDED) != 0) return -2;
  regmatch_t m;
  const int start = regexec(&re, text.c_str(), 1, &m, 0) == 0 ? int(m.rm_so) : -1;
  regfree(&re);
  return start;
}

TEST(RegExpDifferentialTest, AgreesWithPosixOnShortAndLongTexts) {
  PatternMaker maker{std::mt19937(20240611)};
  int patterns = 0, matches = 0;
  auto check = [&](const std::string& pattern, int count, int min, const std::string& alphabet) {
    RegExp re;
    ASSERT_TRUE(re.Compile(pattern)) << pattern;
    for (int t = 0; t < count; ++t) {
      const std::string text = maker.Text(min, min == 0 ? 11 : 4000, alphabet);
      matches += PosixFind(pattern, text) >= 0;
      ASSERT_EQ(re.Find(text), PosixFind(pattern, text)) << pattern << " in " << text.substr(0, 40);
    }
  };
  for (int i = 0; i < 3000; ++i) {
    const std::string pattern = maker.Expression(0);
    if (!RegExp().Compile(pattern) || PosixFind(pattern, "") == -2) continue;
    ++patterns;
    ASSERT_NO_FATAL_FAILURE(check(pattern, 10, 0, "aaabbb.*-"));
    if (i % 20 == 0) {
      ASSERT_NO_FATAL_FAILURE(check(pattern, 1, 2000, std::string(78, 'a') + "b*"));
    }
  }
  EXPECT_GT(patterns, 2000);  // the generator must give both outcomes often
  EXPECT_TRUE(matches > patterns * 3 && matches < patterns * 8) << matches << " / " << patterns;
  // More star and plus nodes than the backtracker keeps facts for at a time.
  for (const char* pattern : {"a*b*a*b*a*b*a*b*a*b*c", "[ab]*b+a*b+a*b+a*b+a*b+a*$",
                              "(a.*b)*.*a.*a.*a.*b.*c", "b.*a+.*b+.*a.*b.*a.*b.*a.*b$"})
    ASSERT_NO_FATAL_FAILURE(check(pattern, 10, 500, std::string(78, 'a') + "bc"));
}

// Closures too large for the simulation to keep. The bounded search against the simulation and
// the unbounded backtracker on random patterns is the regexp fuzz target's check.
TEST(RegExpSimulationTest, ClosuresTooLargeToKeepStillFindTheLeftmostMatch) {
  std::vector<unsigned char> code;
  regexp::Hints hints;
  std::string pattern;
  for (int i = 0; i < 2000; ++i) pattern += "a?";
  ASSERT_TRUE(regexp::CompileProgram(pattern + "b", code, hints));
  const auto view = regexp::ViewOf(code, hints);
  EXPECT_EQ(regexp::SimulateProgram(view, "c" + std::string(1500, 'a') + "b", 0), 1);
  EXPECT_EQ(regexp::SimulateProgram(view, std::string(2500, 'a') + "b", 0), 500);
  EXPECT_EQ(regexp::SimulateProgram(view, std::string(1500, 'a') + "c", 0), -1);
}

}  // namespace
}  // namespace zr
