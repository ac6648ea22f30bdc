// Runs every seed and kept crash input of each fuzz target through that
// target, so the normal test run (and the sanitizer build) checks them all.
// A target aborts on a failed invariant, which fails its test here too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#define ZR_FUZZ_TARGET(name) extern "C" int ZrFuzzEntry_##name(const uint8_t*, size_t);
#include "fuzz_targets.inc"
#undef ZR_FUZZ_TARGET

namespace zr {
namespace {

namespace fs = std::filesystem;

struct FuzzTarget {
  const char* name;
  int (*run)(const uint8_t*, size_t);
};

const FuzzTarget kTargets[] = {
#define ZR_FUZZ_TARGET(name) {#name, ZrFuzzEntry_##name},
#include "fuzz_targets.inc"
#undef ZR_FUZZ_TARGET
};

// Test names and listings show the target's name, not its bytes.
void PrintTo(const FuzzTarget& target, std::ostream* out) { *out << target.name; }

const fs::path kCorpusRoot = ZR_FUZZ_CORPUS_DIR;

// Every regular file below folder (seeds and the regressions folder), sorted.
std::vector<fs::path> InputsOf(const fs::path& folder) {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

class FuzzCorpusTest : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzCorpusTest, EveryKeptInputRunsCleanly) {
  const FuzzTarget& target = GetParam();
  const fs::path folder = kCorpusRoot / target.name;
  ASSERT_TRUE(fs::is_directory(folder)) << folder;
  std::vector<fs::path> inputs = InputsOf(folder);
  ASSERT_FALSE(inputs.empty()) << "no seed inputs in " << folder;
  for (const fs::path& input : inputs) {
    std::ifstream file(input, std::ios::binary);
    ASSERT_TRUE(file) << input;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    // Named before it runs: a failed invariant aborts the whole program.
    std::fprintf(stderr, "input %s\n", input.c_str());
    static const uint8_t kNoBytes = 0;
    EXPECT_EQ(target.run(bytes.empty() ? &kNoBytes : bytes.data(), bytes.size()), 0) << input;
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpusTest, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<FuzzTarget>& info) {
                           return std::string(info.param.name);
                         });

TEST(FuzzCorpusLayoutTest, EveryCorpusFolderBelongsToATarget) {
  for (const auto& entry : fs::directory_iterator(kCorpusRoot)) {
    std::string name = entry.path().filename().string();
    bool known = std::any_of(std::begin(kTargets), std::end(kTargets),
                             [&](const FuzzTarget& target) { return name == target.name; });
    EXPECT_TRUE(known) << "corpus folder without a fuzz target: " << entry.path();
  }
}

}  // namespace
}  // namespace zr
