// Hostile pages through the toolbar helper, each parsed, filled from the Home
// profile, filled from a stored login and captured as submitted: 100,000
// inputs, 1 MB names and values, text that is not valid UTF-8, 100,000 open
// levels of nesting, 5,000 unnamed forms, 2,000 login forms. The time of one
// whole round is the figure; no case may show a dialog or fail to finish.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/counting_prompts.h"
#include "pages/html_page.h"
#include "server/zr_bar_helper.h"
#include "store/login_record.h"

namespace zr {
namespace {

constexpr char kUrl[] = "https://www.hostile.example/login";

std::string Repeat(const std::string& text, int times) {
  std::string out;
  out.reserve(text.size() * times);
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string Page(int which) {
  const std::string login = "<input name=user value=ann><input type=password name=pw value=pw1>";
  switch (which) {
    case 0:  // 100,000 inputs in one form
      return "<form name=big>" + Repeat("<input name=first_name>", 99998) + login + "</form>";
    case 1: {  // 1 MB names and values
      std::string mega(1 << 20, 'n');
      return "<form><input name=\"" + mega + "\" value=\"" + mega + "\"><input name=\"city" + mega +
             "\">" + "<input name=user value=\"" + std::string(1 << 20, 'v') +
             "\"><input type=password name=pw value=pw1></form>";
    }
    case 2: {  // text that is not valid UTF-8 everywhere
      std::string bad = "\xFF\xC0\x80\xED\xA0\x80\xF8\x88\x80\x80\x80";
      return "<form name=\"" + bad + "\"><input name=\"first_" + bad + "name\" value=\"" + bad +
             "\"><input name=user value=\"ann" + bad + "\"><input type=password name=pw value=\"" +
             bad + "\"></form>";
    }
    case 3:  // 100,000 open levels, the form inside
      return Repeat("<div><span>", 50000) + "<form>" + login + "</form>";
    case 4:  // 5,000 forms without names
      return Repeat("<form><input name=first_name><input name=email></form>", 5000) + "<form>" +
             login + "</form>";
    default:  // 2,000 login forms
      return Repeat("<form>" + login + "</form>", 2000);
  }
}

const char* const kNames[] = {"100000_inputs", "1MB_names_values",   "invalid_utf8",
                              "100000_levels", "5000_unnamed_forms", "2000_login_forms"};

void BM_HostilePage(benchmark::State& state) {
  const std::string html = Page(static_cast<int>(state.range(0)));
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) {
    CountingPrompts prompts;
    ZRBarHelper helper(prompts);
    helper.data().home.Value(ProfileField::kFirstName) = "Ann";
    auto record = std::make_unique<LoginRecord>();
    record->set_site("hostile.example");
    record->AddField("user", "ann", "text", "");
    record->AddField("pw", "pw1", "password", "");
    record->set_fill_automatically(1);
    helper.data().logins.AddOrMerge(std::move(record));

    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, kUrl);
    if (!page) std::abort();
    HResult home = helper.FillInForm(0, page.get(), 2, 1, 0);
    HResult password = helper.FillInForm(0, page.get(), 1, 0, 1);
    std::unique_ptr<PageDocument> document = page->Document();
    std::unique_ptr<PageCollection<PageForm>> forms = document->Forms();
    std::unique_ptr<PageForm> first = forms ? forms->At(0) : nullptr;
    HResult capture = helper.AutoRecord(0, document.get(), first.get());
    benchmark::DoNotOptimize(home + password + capture);
    // The Home fill always finishes with S_OK; a dialog here would be a fault.
    if (home != kS_OK || prompts.shown > 1) std::abort();
  }
}
BENCHMARK(BM_HostilePage)->DenseRange(0, 5)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zr

BENCHMARK_MAIN();
