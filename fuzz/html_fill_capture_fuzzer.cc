// Fuzz target: a page parsed by the HTML-file backend, filled from the Home
// profile and from a stored login, captured as a submitted and as a requested
// login, then written out again. The prompts answer at once, without a window.
// Input: a flags byte (force, automatic, remember, code page), then the HTML.
#include <cstdint>

#include "forms/capture.h"
#include "forms/fill_in.h"
#include "fuzz/fuzz_support.h"
#include "pages/html_page.h"
#include "store/custom_field_list.h"
#include "store/data_set.h"

namespace zr {
namespace {

constexpr uint8_t kForceFlag = 1 << 0;
constexpr uint8_t kAutomaticFlag = 1 << 1;
constexpr uint8_t kRememberFlag = 1 << 2;
constexpr uint8_t kRejectFlag = 1 << 3;
constexpr int kCodePageShift = 4;
constexpr char kPageUrl[] = "https://accounts.example.com/login?next=%2Fhome";

// Answers as a user who picks the first offered login, gives no master
// password and keeps or rejects what the flags say. Never turns recording off
// for every site: that would write the registry.
class AnsweringPrompts : public Prompts {
 public:
  explicit AnsweringPrompts(uint8_t flags) : flags_(flags) {}

  MessageAnswer ShowMessage(WindowId, std::string_view, std::string_view, MessageIcon,
                            MessageButtons) override {
    return MessageAnswer::kOk;
  }
  std::optional<std::string> AskMasterPassword(WindowId) override { return std::nullopt; }
  std::optional<std::string> SetUpMasterPassword(WindowId, std::string_view) override {
    return std::nullopt;
  }
  int SelectLogin(WindowId, LoginStore& store, const std::vector<int>& ids) override {
    for (int id : ids) ZR_FUZZ_CHECK(store.FindById(id) != nullptr);
    return ids.empty() ? -1 : ids.front();
  }
  RememberAnswer RememberPassword(WindowId, RememberPasswordData& data) override {
    data.never_this_site = (flags_ & kRejectFlag) != 0;
    return (flags_ & kRememberFlag) ? RememberAnswer::kYes : RememberAnswer::kNo;
  }
  void ShowLoginManager(WindowId, LoginStore&) override {}
  void ShowFormManager(WindowId, FormProfile&, FormProfile&) override {}

 private:
  uint8_t flags_;
};

// A data set in memory only (no paths: every save fails and writes nothing).
void FillDataSet(DataSet& data) {
  data.home.Value(ProfileField::kFirstName) = "Ann";
  data.home.Value(ProfileField::kLastName) = "Lee";
  data.home.Value(ProfileField::kEmail) = "ann@example.com";
  data.home.Value(ProfileField::kCity) = "Springfield";
  data.home.Value(ProfileField::kCountry) = "Norway";
  data.home.Value(ProfileField::kZip) = std::string(40, '9');
  CustomFields().SetCustomField(-1, "Pet", "pet.*;animal", "Rex");
  for (int i = 0; i < 2; ++i) {
    auto record = std::make_unique<LoginRecord>();
    record->set_site(i == 0 ? "example.com" : "accounts.example.com");
    record->AddField("user", i == 0 ? "ann" : "ann.lee", "text");
    record->AddField("pass", "secret", "password");
    record->set_fill_automatically(i);
    data.logins.AddOrMerge(std::move(record));
  }
}

void RunPage(uint8_t flags, std::string_view html) {
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, kPageUrl);
  if (!page) return;
  DataSet data;
  FillDataSet(data);
  AnsweringPrompts prompts(flags);
  const bool force = (flags & kForceFlag) != 0;
  const bool automatic = (flags & kAutomaticFlag) != 0;

  // Both outcomes are valid here; what is checked is that the fills return.
  (void)FillInForm(data, prompts, 0, page.get(), static_cast<int>(DatabaseType::kHome), force,
                   automatic);
  (void)FillInForm(data, prompts, 0, page.get(), static_cast<int>(DatabaseType::kPassword), force,
                   automatic);

  long found = -1;
  // The data set has no files, so a remembered login is kNotSaved.
  ZR_FUZZ_CHECK(RecordPassword(data, prompts, 0, page.get(), &found) != Outcome::kNothing);
  ZR_FUZZ_CHECK(found == 0 || found == 1);
  if (std::unique_ptr<PageDocument> document = page->Document()) {
    auto forms = document->Forms();
    std::unique_ptr<PageForm> form = forms ? forms->At(0) : nullptr;
    (void)AutoRecord(data, prompts, 0, document.get(), form.get());
  }
  (void)page->Serialize();
}

// The first byte holds the prompts' answers, the fill flags and (in its top
// bits) the code page; the rest is the page.
void RunInput(std::string_view input) {
  if (input.empty()) return;
  const auto flags = static_cast<uint8_t>(input[0]);
  fuzz::ScopedCodePage code_page(static_cast<uint8_t>(flags >> kCodePageShift));
  RunPage(flags, input.substr(1));
}

}  // namespace
}  // namespace zr

// The parser has limits of its own only far beyond what a fuzz run can use.
ZR_FUZZ_ENTRY(zr::RunInput, .reset_process_data = true)
