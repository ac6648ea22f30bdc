// Fuzz target: RegExp::Compile, then Find on a text, checked against the
// simulation alone, other backtracker allowances and a search without hints.
// Input: a pattern, a zero byte, the text (no zero byte: the pattern itself).
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "matcher/regexp.h"
#include "matcher/regexp_program.h"

namespace zr {
namespace {

// The searches beside Find have no bound of their own that keeps a fuzz run
// fast (the simulation is text length x program size): they run only when
// that product is below this.
constexpr size_t kDifferentialBudget = size_t{1} << 19;
// Find itself is bounded; pattern and text together stay below this.
constexpr size_t kMaxRegExpInput = 16 * 1024;

// The backtracker with no allowance (the simulation does all the work), with
// a larger one, and a search without the compile-time hints must all find the
// leftmost match start that Find found.
void CheckSearches(std::string_view pattern, std::string_view text, int found) {
  std::vector<unsigned char> code;
  regexp::Hints hints;
  ZR_FUZZ_CHECK(regexp::CompileProgram(pattern, code, hints));
  if (code.size() * (text.size() + 1) > kDifferentialBudget) return;
  const regexp::ProgramView view = regexp::ViewOf(code, hints);

  ZR_FUZZ_CHECK(regexp::SimulateProgram(view, text, 0) == found);
  ZR_FUZZ_CHECK(regexp::SearchProgram(view, text, regexp::SearchLimits{0, 0, 0}) == found);
  ZR_FUZZ_CHECK(regexp::SearchProgram(view, text, regexp::SearchLimits{1 << 18, 64, 1000}) ==
                found);
  regexp::ProgramView no_hints;
  no_hints.code = code.data();
  no_hints.size = code.size();
  ZR_FUZZ_CHECK(regexp::SearchProgram(no_hints, text, regexp::kDefaultSearchLimits) == found);
}

void RunInput(std::string_view input) {
  size_t zero = input.find('\0');
  std::string_view pattern = input.substr(0, zero);
  std::string_view text = zero == std::string_view::npos ? input : input.substr(zero + 1);

  RegExp regexp;
  bool compiled = regexp.Compile(pattern);
  ZR_FUZZ_CHECK(regexp.compiled() == compiled);
  int found = regexp.Find(text);
  ZR_FUZZ_CHECK(found >= -1 && found <= static_cast<int>(text.size()));
  ZR_FUZZ_CHECK(regexp.Find(static_cast<const char*>(nullptr)) == -1);
  if (!compiled) {
    ZR_FUZZ_CHECK(found == -1);
    return;
  }
  CheckSearches(pattern, text, found);
  // A compiled object searches the same way twice.
  ZR_FUZZ_CHECK(regexp.Find(text) == found);
}

}  // namespace
}  // namespace zr

ZR_FUZZ_ENTRY(zr::RunInput, .max_size = zr::kMaxRegExpInput)
