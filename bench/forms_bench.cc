// Benchmarks of the forms engine through the toolbar helper on HTML pages:
// a Home-profile fill of a 200-field sign-up page, and the decision of
// AutoRecord on a 50-field page whose login is already among 1,000 records.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/counting_prompts.h"
#include "forms/capture.h"
#include "pages/html_page.h"
#include "server/zr_bar_helper.h"
#include "store/login_record.h"

namespace zr {
namespace {

constexpr char kSignUpUrl[] = "https://shop.example.com/register";
constexpr char kLoginUrl[] = "https://www.forum.example.org/login.php";

// A sign-up page of 200 fields: names that each profile list recognises,
// text areas, selects of 50 options and names that match nothing.
std::string SignUpPage() {
  std::string html =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Register</title></head><body>"
      "<form name=\"register\" method=\"post\">";
  for (int i = 0; i < 200; ++i) {
    std::string n = std::to_string(i);
    switch (i % 10) {
      case 0:
        html += "<label>First <input type=text name=first_name_" + n + "></label>";
        break;
      case 1:
        html += "<label>Last <input type=text name=last_name_" + n + "></label>";
        break;
      case 2:
        html += "<input type=email name=email_" + n + ">";
        break;
      case 3:
        html += "<input name=company_" + n + ">";
        break;
      case 4:
        html += "<textarea name=street_address_" + n + " rows=3></textarea>";
        break;
      case 5:
        html += "<input name=city_" + n + " value=\"\">";
        break;
      case 6:
        html += "<select name=state_" + n + ">";
        for (int s = 0; s < 50; ++s) {
          html +=
              "<option value=S" + std::to_string(s) + ">State " + std::to_string(s) + "</option>";
        }
        html += "<option value=TX>Texas</option></select>";
        break;
      case 7:
        html += "<input name=zip_" + n + " maxlength=5>";
        break;
      case 8:
        html += "<input type=tel name=tel_" + n + ">";
        break;
      default:
        html += "<input name=nickname_" + n + ">";
        break;
    }
  }
  return html + "<input type=submit value=\"Sign up\"></form></body></html>";
}

void GiveHomeProfile(ZRBarHelper& helper) {
  FormProfile& home = helper.data().home;
  home.Value(ProfileField::kFirstName) = "Ann";
  home.Value(ProfileField::kLastName) = "Lee";
  home.Value(ProfileField::kEmail) = "ann@home.example";
  home.Value(ProfileField::kCompany) = "Home Office";
  home.Value(ProfileField::kAddress) = "1 Main St\nApt 2";
  home.Value(ProfileField::kCity) = "Austin";
  home.Value(ProfileField::kState) = "tx";
  home.Value(ProfileField::kZip) = "78701-1234";
  home.Value(ProfileField::kTel) = "+1 512 555 0100";
}

void FillOrDie(ZRBarHelper& helper, HtmlPage& page) {
  if (helper.FillInForm(0, &page, 2, 1, 0) != kS_OK) std::abort();
}

void BM_FillHomeParsedOnce(benchmark::State& state) {
  CountingPrompts prompts;
  ZRBarHelper helper(prompts);
  GiveHomeProfile(helper);
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(SignUpPage(), kSignUpUrl);
  for (auto _ : state) FillOrDie(helper, *page);
  if (page->Serialize().find("value=\"78701\"") == std::string::npos) std::abort();
}
BENCHMARK(BM_FillHomeParsedOnce)->Unit(benchmark::kMillisecond);

void BM_ParseAndFillHome(benchmark::State& state) {
  CountingPrompts prompts;
  ZRBarHelper helper(prompts);
  GiveHomeProfile(helper);
  const std::string html = SignUpPage();
  for (auto _ : state) {
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, kSignUpUrl);
    FillOrDie(helper, *page);
  }
}
BENCHMARK(BM_ParseAndFillHome)->Unit(benchmark::kMillisecond);

void BM_ParseSignUpPage(benchmark::State& state) {
  const std::string html = SignUpPage();
  for (auto _ : state) benchmark::DoNotOptimize(HtmlPage::FromString(html, kSignUpUrl));
}
BENCHMARK(BM_ParseSignUpPage)->Unit(benchmark::kMillisecond);

// A login page of 50 inputs, all filled in the submitted form: the login,
// remembered settings and the fields of a long profile form around it.
std::string FiftyFieldPage() {
  std::string html = "<html><head><title>Forum</title></head><body><form name=login>";
  html += "<input name=username value=dave><input type=password name=password value=pw1>";
  for (int i = 0; i < 48; ++i) {
    html += "<input name=pref" + std::to_string(i) + " value=setting" + std::to_string(i) + ">";
  }
  return html + "</form></body></html>";
}

// 1,000 records: 990 of other sites, 9 other users of the forum, and the
// page's own login (with every captured field) stored last.
void FillStore(ZRBarHelper& helper, HtmlPage& page) {
  LoginStore& store = helper.data().logins;
  for (int i = 0; i < 999; ++i) {
    auto record = std::make_unique<LoginRecord>();
    record->set_site(i < 990 ? "www.site" + std::to_string(i) + ".example.com"
                             : "forum.example.org");
    record->AddField("username", "user" + std::to_string(i), "text", "login");
    record->AddField("password", "pass" + std::to_string(i), "password", "login");
    store.AddOrMerge(std::move(record));
  }
  auto own = std::make_unique<LoginRecord>();
  std::unique_ptr<PageDocument> document = page.Document();
  if (!CaptureLogin(*document, *own, std::nullopt, false)) std::abort();
  own->set_site("forum.example.org");
  store.AddOrMerge(std::move(own));
  if (store.Count() != 1000) std::abort();
}

void BM_AutoRecordKnownLogin(benchmark::State& state) {
  CountingPrompts prompts;
  ZRBarHelper helper(prompts);
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(FiftyFieldPage(), kLoginUrl);
  FillStore(helper, *page);
  for (auto _ : state) {
    std::unique_ptr<PageDocument> document = page->Document();
    std::unique_ptr<PageForm> form = document->Forms()->At(0);
    if (helper.AutoRecord(0, document.get(), form.get()) != kS_OK) std::abort();
  }
  if (prompts.shown != 0) state.SkipWithError("the login was offered: not the case measured");
}
BENCHMARK(BM_AutoRecordKnownLogin)->Unit(benchmark::kMicrosecond);

void BM_CaptureLoginFiftyFields(benchmark::State& state) {
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(FiftyFieldPage(), kLoginUrl);
  for (auto _ : state) {
    LoginRecord record;
    std::unique_ptr<PageDocument> document = page->Document();
    if (!CaptureLogin(*document, record, std::nullopt, false)) std::abort();
    benchmark::DoNotOptimize(record.FieldCount());
  }
}
BENCHMARK(BM_CaptureLoginFiftyFields)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zr

BENCHMARK_MAIN();
