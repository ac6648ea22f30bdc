// Benchmarks of the store: loading and saving "Password.dat" with many
// records, and filling a field from a profile's lists.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/login_store.h"
#include "store/protected_string.h"

namespace zr {
namespace {

std::string TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zrbenchXXXXXX").string();
  return ::mkdtemp(pattern.data());
}

// A store of `count` distinct logins of 3 fields each, written to a new folder.
std::string WriteStore(int count) {
  std::string folder = TempFolder();
  ByteWriter file;
  WriteProtectedString(file, "");
  for (int i = 0; i < count; ++i) {
    auto record = std::make_unique<LoginRecord>();
    record->set_site("www.site" + std::to_string(i % 500) + ".example.com");
    record->set_description(kAutoRecordedDescription);
    record->AddField("username", "user" + std::to_string(i), "text", "login");
    record->AddField("password", "pass-" + std::to_string(i * 7919), "password", "login");
    record->AddField("remember", "on", "checkbox", "login");
    record->WriteTo(file);
  }
  if (!WriteFileAtomically(folder + "/Password.dat", file.data())) std::abort();
  return folder;
}

void BM_LoginStoreLoad(benchmark::State& state) {
  std::string folder = WriteStore(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CustomFields().Reset();
    LoginStore store;
    if (!store.Load(folder + "/Password.dat") || store.Count() != state.range(0)) std::abort();
    benchmark::DoNotOptimize(store.Count());
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoginStoreLoad)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoginStoreSave(benchmark::State& state) {
  std::string folder = WriteStore(static_cast<int>(state.range(0)));
  CustomFields().Reset();
  LoginStore store;
  if (!store.Load(folder + "/Password.dat")) std::abort();
  for (auto _ : state) {
    if (!store.Save()) std::abort();
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoginStoreSave)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ProfileFillTypicalName(benchmark::State& state) {
  CustomFields().Reset();
  FormProfile profile;
  for (auto _ : state) {
    std::string field = "ctl00$MainContent$txtPhoneNumber";
    benchmark::DoNotOptimize(profile.FillFieldValue(field));
  }
}
BENCHMARK(BM_ProfileFillTypicalName)->Unit(benchmark::kMicrosecond);

void BM_ProfileFillHugeName(benchmark::State& state) {
  CustomFields().Reset();
  FormProfile profile;
  // 1 MB of a name that nearly matches every default list but matches none,
  // so each list is searched to the end.
  std::string name;
  const char pieces[] =
      "fnamxlnamxemaixjoxcomxtitlxaddxcitxstatxprovincxcountrxregioxzixposxtexfaq";
  while (name.size() < (1 << 20)) name += pieces;
  for (auto _ : state) {
    std::string field = name;
    benchmark::DoNotOptimize(profile.FillFieldValue(field));
  }
}
BENCHMARK(BM_ProfileFillHugeName)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zr

BENCHMARK_MAIN();
