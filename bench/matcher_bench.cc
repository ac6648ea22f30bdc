// Benchmarks of the field-name matcher: the 15 default lists applied to short
// and 1 MB names as a profile applies them, and Find on hostile inputs.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>

#include "matcher/pattern_list.h"
#include "matcher/regexp.h"

namespace {

constexpr std::string_view kProfileLists[] = {
    zr::kJobTitlePatterns, zr::kCompanyPatterns, zr::kTitlePatterns,    zr::kFirstNamePatterns,
    zr::kLastNamePatterns, zr::kAddressPatterns, zr::kAddress1Patterns, zr::kAddress2Patterns,
    zr::kCityPatterns,     zr::kStatePatterns,   zr::kCountryPatterns,  zr::kZipPatterns,
    zr::kTelPatterns,      zr::kFaxPatterns,     zr::kEmailPatterns,
};

// One fill decision as a profile makes it: one RegExp, the lists in order,
// the first match wins. Returns the deciding list's order, or 0.
int DecideField(const std::string& name) {
  zr::RegExp regexp;
  std::string field = name;  // the element's name, passed in and out
  for (int i = 0; i < 15; ++i) {
    if (zr::MatchPatternList(regexp, field, kProfileLists[i], "value")) return i + 1;
  }
  return 0;
}

void BM_ShortName(benchmark::State& state, std::string name) {
  for (auto _ : state) benchmark::DoNotOptimize(DecideField(name));
}
// Decided by list 9 ("city;"), after eight lists fail.
BENCHMARK_CAPTURE(BM_ShortName, billing_city, std::string("billing_city"));
// No list matches: all 15 lists, 21 patterns, are compiled and searched.
BENCHMARK_CAPTURE(BM_ShortName, no_match, std::string("billing_reference"));
BENCHMARK_CAPTURE(BM_ShortName, jobtitle, std::string("jobtitle"));

constexpr std::size_t kMegabyte = 1 << 20;

std::string RandomLetters(std::size_t size) {
  std::mt19937 rng(1);
  std::string text(size, ' ');
  for (char& c : text) c = static_cast<char>('a' + rng() % 26);
  return text;
}

// Pieces of the default patterns repeated, with the tails they need only at
// the front: the hard case for "f.*name", "e.*mail", "addr.*1.*" and friends.
std::string HostileName(std::size_t size) {
  std::string text = "NAME-MAIL-1-2-";
  while (text.size() < size) text += "efladdr";
  text.resize(size);
  return text;
}

void BM_LongName(benchmark::State& state, std::string name) {
  for (auto _ : state) benchmark::DoNotOptimize(DecideField(name));
}
// Uppercase so that nothing matches and all 15 lists run; each list
// lower-cases the name again.
BENCHMARK_CAPTURE(BM_LongName, all_A, std::string(kMegabyte, 'A'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongName, random_letters, RandomLetters(kMegabyte))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongName, hostile, HostileName(kMegabyte))->Unit(benchmark::kMillisecond);

void BM_Find(benchmark::State& state, std::string pattern, std::string text) {
  zr::RegExp regexp;
  if (!regexp.Compile(pattern)) {
    state.SkipWithError("pattern does not compile");
    return;
  }
  int result = 0;
  for (auto _ : state) {
    result = regexp.Find(text);
    benchmark::DoNotOptimize(result);
  }
  state.counters["result"] = result;
}
const std::string kAs(kMegabyte, 'a');
BENCHMARK_CAPTURE(BM_Find, alt_loop_dollar, std::string("(a|aa)*$"), kAs + "b")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, alt_loop_c_dollar, std::string("(a|aa)*c$"), "c" + kAs)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, alt_loop_b_absent, std::string("(a|aa)*b"), kAs)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, dot_star_3_absent, std::string("a.*a.*a.*b"), kAs)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, dot_star_3_b_first, std::string("a.*a.*a.*b"), "b" + kAs)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, nested_plus, std::string("(a+)+b"), "b" + kAs)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, plus_chain_dollar, std::string("a+a+a+a+$"), kAs + "baaaa")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find, email_tail_first, std::string("e.*mail"),
                  "mail" + std::string(kMegabyte, 'e'))
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
