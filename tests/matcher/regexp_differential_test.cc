// RegExp checked against independent references: the C library's POSIX
// extended regexec on random patterns and texts (the leftmost match start must
// agree), and the bounded fallback against the unbounded backtracker.
#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>
#include <vector>

#include "matcher/regexp.h"
#include "matcher/regexp_program.h"

namespace zr {
namespace {

using regexp::ProgramView;
using regexp::SearchLimits;

// Random patterns over "ab" with the constructs whose meaning POSIX extended
// syntax shares: groups, alternation, "*", "+", "?", ".", classes, "^", "$"
// and escaped special bytes.
class PatternMaker {
 public:
  explicit PatternMaker(unsigned seed) : rng_(seed) {}

  std::string Expression(int depth) {
    std::string out = Branch(depth);
    while (Roll(5) == 0) out += "|" + Branch(depth);
    return out;
  }

  std::string Text(int max_len) {
    static const char kBytes[] = "aaabbb.*-";
    std::string out;
    const int len = Roll(max_len + 1);
    for (int i = 0; i < len; ++i) out += kBytes[Roll(sizeof kBytes - 1)];
    return out;
  }

 private:
  int Roll(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  std::string Branch(int depth) {
    std::string out;
    const int pieces = Roll(4) + (Roll(6) == 0 ? 0 : 1);
    for (int i = 0; i < pieces; ++i) out += Piece(depth);
    return out;
  }

  std::string Piece(int depth) {
    const int kind = Roll(20);
    if (kind == 0) return "^";  // anchors stay unquantified
    if (kind == 1) return "$";
    std::string atom = Atom(depth);
    switch (Roll(6)) {
      case 0:
        return atom + "*";
      case 1:
        return atom + "+";
      case 2:
        return atom + "?";
      default:
        return atom;
    }
  }

  std::string Atom(int depth) {
    switch (Roll(12)) {
      case 0:
        return ".";
      case 1:
      case 2:
        return Class();
      case 3:
      case 4:
        if (depth < 3) return "(" + Expression(depth + 1) + ")";
        return "a";
      case 5: {
        static const char kEscaped[] = ".*+?()[$^";
        return std::string("\\") + kEscaped[Roll(sizeof kEscaped - 1)];
      }
      default:
        return Roll(2) == 0 ? "a" : "b";
    }
  }

  std::string Class() {
    static const char* const kClasses[] = {"[ab]", "[a]",  "[^a]", "[^ab]", "[a-b]", "[]a]",
                                           "[a-]", "[-b]", "[^-]", "[.*]",  "[^.]",  "[*-.]"};
    return kClasses[Roll(sizeof kClasses / sizeof kClasses[0])];
  }

  std::mt19937 rng_;
};

// The POSIX reference: the start of the leftmost match, or -1.
class PosixRegex {
 public:
  explicit PosixRegex(const std::string& pattern)
      : ok_(regcomp(&re_, pattern.c_str(), REG_EXTENDED) == 0) {}
  ~PosixRegex() {
    if (ok_) regfree(&re_);
  }
  PosixRegex(const PosixRegex&) = delete;
  PosixRegex& operator=(const PosixRegex&) = delete;

  bool ok() const { return ok_; }
  int Find(const std::string& text) const {
    regmatch_t match;
    if (regexec(&re_, text.c_str(), 1, &match, 0) != 0) return -1;
    return static_cast<int>(match.rm_so);
  }

 private:
  regex_t re_;
  bool ok_;
};

struct Compiled {
  std::vector<unsigned char> code;
  regexp::Hints hints;

  bool Compile(const std::string& pattern) { return regexp::CompileProgram(pattern, code, hints); }
  ProgramView View() const {
    ProgramView view;
    view.code = code.data();
    view.size = code.size();
    view.first_byte = hints.first_byte;
    view.anchored = hints.anchored;
    view.required = hints.required;
    view.starts_with_repeat = hints.starts_with_repeat;
    return view;
  }
};

constexpr SearchLimits kUnbounded{1L << 40, 0, 1 << 20};
constexpr SearchLimits kNoSteps{0, 0, 1000};      // simulation from position 0
constexpr SearchLimits kFewSteps{6, 0, 1000};     // simulation from a later start
constexpr SearchLimits kShallow{1L << 40, 0, 1};  // simulation at the first nested choice

TEST(RegExpDifferentialTest, AgreesWithPosixOnShortTexts) {
  PatternMaker maker(20240611);
  int patterns = 0;
  int matches = 0;
  for (int i = 0; i < 6000; ++i) {
    const std::string pattern = maker.Expression(0);
    RegExp re;
    PosixRegex posix(pattern);
    if (!re.Compile(pattern) || !posix.ok()) continue;
    ++patterns;
    for (int t = 0; t < 12; ++t) {
      const std::string text = maker.Text(10);
      const int expected = posix.Find(text);
      if (expected >= 0) ++matches;
      ASSERT_EQ(re.Find(text), expected) << "'" << pattern << "' in '" << text << "'";
    }
  }
  // The generator must exercise both outcomes on many patterns.
  EXPECT_GT(patterns, 4000);
  EXPECT_GT(matches, patterns * 3);
  EXPECT_LT(matches, patterns * 10);
}

TEST(RegExpDifferentialTest, FallbackAgreesWithBacktracker) {
  PatternMaker maker(7);
  for (int i = 0; i < 4000; ++i) {
    const std::string pattern = maker.Expression(0);
    Compiled compiled;
    if (!compiled.Compile(pattern)) continue;
    const ProgramView view = compiled.View();
    for (int t = 0; t < 8; ++t) {
      const std::string text = maker.Text(14);
      const int expected = regexp::SearchProgram(view, text, kUnbounded);
      ASSERT_EQ(regexp::SearchProgram(view, text, kNoSteps), expected) << pattern << " / " << text;
      ASSERT_EQ(regexp::SearchProgram(view, text, kFewSteps), expected) << pattern << " / " << text;
      ASSERT_EQ(regexp::SearchProgram(view, text, kShallow), expected) << pattern << " / " << text;
      ASSERT_EQ(regexp::SimulateProgram(view, text, 0), expected) << pattern << " / " << text;
    }
  }
}

// Any bytes at all as a pattern: compiling never crashes, and both engines
// agree on whatever compiles.
TEST(RegExpDifferentialTest, ArbitraryBytePatterns) {
  static const char kBytes[] = "ab^$.[]()|?+*\\-\x80\xff";
  std::mt19937 rng(3);
  PatternMaker texts(4);
  int compiled_count = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string pattern;
    const int len = static_cast<int>(rng() % 15);
    for (int k = 0; k < len; ++k) pattern += kBytes[rng() % (sizeof kBytes - 1)];
    Compiled compiled;
    if (!compiled.Compile(pattern)) {
      EXPECT_TRUE(compiled.code.empty());
      continue;
    }
    ++compiled_count;
    const ProgramView view = compiled.View();
    for (int t = 0; t < 4; ++t) {
      std::string text = texts.Text(10);
      if (t == 0) text += "\x80\xff-";
      ASSERT_EQ(regexp::SearchProgram(view, text, regexp::kDefaultSearchLimits),
                regexp::SimulateProgram(view, text, 0))
          << pattern << " / " << text;
    }
  }
  EXPECT_GT(compiled_count, 2000);
}

// Long texts run the default limits out on many patterns, so the answers
// come from both engines; the reference decides.
TEST(RegExpDifferentialTest, AgreesWithPosixOnLongTexts) {
  PatternMaker maker(99);
  std::mt19937 rng(5);
  int checked = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string pattern = maker.Expression(0);
    RegExp re;
    PosixRegex posix(pattern);
    if (!re.Compile(pattern) || !posix.ok()) continue;
    for (int t = 0; t < 3; ++t) {
      // Long runs of one byte with a few others: hard for a backtracker.
      std::string text;
      const int len = 2000 + static_cast<int>(rng() % 3000);
      for (int k = 0; k < len; ++k) text += (rng() % 50 == 0) ? "b.*"[rng() % 3] : 'a';
      ASSERT_EQ(re.Find(text), posix.Find(text)) << "'" << pattern << "' on text of " << len;
      ++checked;
    }
  }
  EXPECT_GT(checked, 600);
}

// More star and plus nodes than the backtracker keeps facts for at a time.
TEST(RegExpDifferentialTest, ManyRepeatsOnLongTexts) {
  const char* const kPatterns[] = {
      "a*b*a*b*a*b*a*b*a*b*c",   "a.*b.*a.*b.*a.*b.*a.*b.*a.*c", "[ab]*b+a*b+a*b+a*b+a*b+a*$",
      "(a.*b)*.*a.*a.*a.*b.*c",  "b.*a+.*b+.*a.*b.*a.*b.*a.*b$",
  };
  std::mt19937 rng(11);
  for (const char* pattern : kPatterns) {
    RegExp re;
    PosixRegex posix(pattern);
    ASSERT_TRUE(re.Compile(pattern)) << pattern;
    ASSERT_TRUE(posix.ok()) << pattern;
    for (int t = 0; t < 20; ++t) {
      std::string text;
      const int len = 500 + static_cast<int>(rng() % 4000);
      for (int k = 0; k < len; ++k) text += (rng() % 40 == 0) ? "bc"[rng() % 2] : 'a';
      ASSERT_EQ(re.Find(text), posix.Find(text)) << "'" << pattern << "' on text of " << len;
    }
  }
}

// A program whose closures are too large for the simulation to keep.
TEST(RegExpDifferentialTest, SimulationWithLargeClosures) {
  std::string pattern;
  for (int i = 0; i < 2000; ++i) pattern += "a?";
  pattern += "b";
  Compiled compiled;
  ASSERT_TRUE(compiled.Compile(pattern));
  const ProgramView view = compiled.View();
  const std::string as(1500, 'a');
  EXPECT_EQ(regexp::SimulateProgram(view, as + "b", 0), 0);
  EXPECT_EQ(regexp::SimulateProgram(view, "c" + as + "b", 0), 1);
  EXPECT_EQ(regexp::SimulateProgram(view, as + "c", 0), -1);
  EXPECT_EQ(regexp::SimulateProgram(view, std::string(2500, 'a') + "b", 0), 500);
}

}  // namespace
}  // namespace zr
