// Benchmarks of login import and export as CSV: a 10,000-row chromium file
// imported into an empty store and saved once, the store exported, and the
// peak resident size of a 100,000-row import (run it alone to read that:
// --benchmark_filter=BM_LoginImportPeak).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>

#include "store/custom_field_list.h"
#include "store/login_export.h"
#include "store/login_import.h"
#include "store/login_store.h"

namespace zr {
namespace {

std::string TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zrbenchXXXXXX").string();
  return ::mkdtemp(pattern.data());
}

// A chromium export of count logins spread over 500 sites.
std::string ChromiumFile(int count) {
  std::string text = "name,url,username,password,note\r\n";
  for (int i = 0; i < count; ++i) {
    std::string site = "www.site" + std::to_string(i % 500) + ".example.com";
    text += site + ",https://" + site + "/login?next=%2F,user" + std::to_string(i) +
            "@mail.example,\"pass-" + std::to_string(i * 7919) + ",\"\"q\"\"\",\r\n";
  }
  return text;
}

// Imports text into a fresh store in folder and saves it: the server's work.
void ImportAndSave(const std::string& text, const std::string& folder, int expected) {
  CustomFields().Reset();
  LoginStore store;
  (void)store.Load(folder + "/Password.dat");  // missing: remembers the path
  LoginImport import;
  if (!import.Read(text)) std::abort();
  import.Apply(store, false);
  if (import.added() != expected || !store.Save()) std::abort();
  std::filesystem::remove(folder + "/Password.dat");
}

void BM_LoginImport(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string text = ChromiumFile(count);
  const std::string folder = TempFolder();
  for (auto _ : state) ImportAndSave(text, folder, count);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoginImport)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoginExport(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoginStore store;
  LoginImport import;
  if (!import.Read(ChromiumFile(count))) std::abort();
  import.Apply(store, false);
  for (auto _ : state) {
    LoginExport file = LoginExport::Write(store, CsvFormat::kChromium);
    if (file.written() != count) std::abort();
    benchmark::DoNotOptimize(file.text().data());
  }
}
BENCHMARK(BM_LoginExport)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoginImportPeak(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string folder = TempFolder();
  for (auto _ : state) ImportAndSave(ChromiumFile(count), folder, count);
  rusage after = {};
  getrusage(RUSAGE_SELF, &after);
  state.counters["peak_rss_MB"] = static_cast<double>(after.ru_maxrss) / 1024;
  state.counters["file_MB"] = static_cast<double>(ChromiumFile(count).size()) / (1 << 20);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoginImportPeak)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zr

BENCHMARK_MAIN();
