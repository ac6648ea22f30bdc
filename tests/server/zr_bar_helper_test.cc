// Tests of the toolbar helper's entries: what each method accepts and
// returns, the AutoRecordLogin setting across restarts, FindPasswordByURL,
// the master-password gate of PasswordManager, and failed allocations.
#include "server/zr_bar_helper.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <new>
#include <vector>

#include "platform/registry_store.h"
#include "resources/string_table.h"
#include "tests/server/bar_helper_test_support.h"

namespace zr {
namespace {

constexpr char kLoginUrl[] = "https://www.example.com/login";

// A browser whose document is made by make; without make it has no HTML document.
class FakeBrowser final : public PageBrowser {
 public:
  explicit FakeBrowser(std::function<std::unique_ptr<PageDocument>()> make = nullptr)
      : make_(std::move(make)) {}
  std::unique_ptr<PageDocument> Document() override { return make_ ? make_() : nullptr; }

 private:
  std::function<std::unique_ptr<PageDocument>()> make_;
};

// A document that has no form collection at all.
class FormlessDocument final : public PageDocument {
 public:
  PageText Url() override { return kLoginUrl; }
  PageText Title() override { return "Formless"; }
  std::unique_ptr<PageCollection<PageForm>> Forms() override { return nullptr; }
};

// A page on which every read fails to allocate.
class OutOfMemoryDocument final : public PageDocument {
 public:
  PageText Url() override { throw std::bad_alloc(); }
  PageText Title() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageForm>> Forms() override { throw std::bad_alloc(); }
};
class OutOfMemoryForm final : public PageForm {
 public:
  PageText Name() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { throw std::bad_alloc(); }
};

// Prompts whose dialogs cannot be built for want of memory.
class OutOfMemoryPrompts final : public ScriptedPrompts {
 public:
  std::optional<std::string> SetUpMasterPassword(WindowId, std::string_view) override {
    throw std::bad_alloc();
  }
  void ShowFormManager(WindowId, FormProfile&, FormProfile&) override { throw std::bad_alloc(); }
};

class ZRBarHelperTest : public BarHelperTest {
 protected:
  // A Home profile that would change the sign-up page if it were filled.
  void GiveHomeProfile() {
    helper_->data().home.Value(ProfileField::kEmail) = "ann@home.example";
    helper_->data().home.Value(ProfileField::kCity) = "Austin";
  }
  void StoreLogin(const std::string& site, bool automatic) {
    auto record = std::make_unique<LoginRecord>();
    record->set_site(site);
    // A user of its own, so that no two stored logins merge.
    record->AddField("username", "user" + std::to_string(++users_), "text", "login");
    record->AddField("password", "pw", "password", "login");
    record->set_fill_automatically(automatic ? 1 : 0);
    helper_->data().logins.AddOrMerge(std::move(record));
  }
  void ExpectNothingShown() {
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_TRUE(prompts_.select_offers.empty());
    EXPECT_TRUE(prompts_.remember_shown.empty());
    EXPECT_EQ(prompts_.master_password_prompts, 0);
  }

  int users_ = 0;
};

enum class Browser { kNone, kNoDocument, kPage };

TEST_F(ZRBarHelperTest, FillInFormRefusesWhatDoesNotQualifyAndTouchesNothing) {
  GiveHomeProfile();
  const struct {
    const char* label;
    Browser browser;
    int type;
  } kCases[] = {
      {"no browser", Browser::kNone, kHome},
      {"no HTML document", Browser::kNoDocument, kHome},
      {"type 0", Browser::kPage, 0},
      {"dtCustomize", Browser::kPage, 4},
      {"dtURL", Browser::kPage, 5},
      {"dtUnknown", Browser::kPage, 6},
      {"below the range", Browser::kPage, -1},
      {"above the range", Browser::kPage, 7},
      {"no login for the page", Browser::kPage, kPassword},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<HtmlPage> page = LoadPage("signup.html", "https://shop.example/register");
    const std::string before = page->Serialize();
    FakeBrowser no_document;
    PageBrowser* browser = nullptr;
    if (c.browser == Browser::kPage) browser = page.get();
    if (c.browser == Browser::kNoDocument) browser = &no_document;
    for (long automatic : {0L, 1L}) {
      EXPECT_EQ(helper_->FillInForm(kToolbarWindow, browser, c.type, 1, automatic), kS_FALSE);
    }
    EXPECT_EQ(page->Serialize(), before);
  }
  ExpectNothingShown();
}

TEST_F(ZRBarHelperTest, FillInFormWithNothingToFillSucceeds) {
  GiveHomeProfile();
  StoreLogin("shop.example", true);
  const char kNoPassword[] =
      "<form name=news><input type=email name=email><input type=submit></form>";
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(kNoPassword, "https://shop.example/news");
  FakeBrowser formless([] { return std::make_unique<FormlessDocument>(); });

  // A page without a password input is not a login page: no choice, no fill.
  for (long automatic : {0L, 1L}) {
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, page.get(), kPassword, 1, automatic), kS_OK);
  }
  EXPECT_EQ(ValueOf(*page, 0, "email"), "");
  EXPECT_EQ(helper_->FillInForm(kToolbarWindow, &formless, kPassword, 1, 1), kS_OK);
  EXPECT_EQ(helper_->FillInForm(kToolbarWindow, &formless, kHome, 1, 0), kS_OK);
  ExpectNothingShown();
  // The profiles fill the same page.
  EXPECT_EQ(helper_->FillInForm(kToolbarWindow, page.get(), kHome, 0, 0), kS_OK);
  EXPECT_EQ(ValueOf(*page, 0, "email"), "ann@home.example");
}

TEST_F(ZRBarHelperTest, RecordPasswordWithoutDocumentLeavesResultUnwritten) {
  FakeBrowser no_document;
  for (PageBrowser* browser : std::vector<PageBrowser*>{nullptr, &no_document}) {
    long found = 42;
    EXPECT_EQ(helper_->RecordPassword(kToolbarWindow, browser, &found), kS_FALSE);
    EXPECT_EQ(found, 42);
  }
  // A document without a login is examined: S_OK and 0.
  std::unique_ptr<HtmlPage> page = LoadPage("login.html", kLoginUrl);
  long found = 42;
  EXPECT_EQ(helper_->RecordPassword(kToolbarWindow, page.get(), &found), kS_OK);
  EXPECT_EQ(found, 0);
  ExpectNothingShown();
}

TEST_F(ZRBarHelperTest, AutoRecordRefusesWhatDoesNotQualify) {
  helper_->data().rejected.Reject("EXAMPLE.com");
  const struct {
    const char* label;
    bool document, form, filled;
    const char* url;
  } kCases[] = {
      {"no document", false, true, true, "https://mail.example.org/login"},
      {"no form", true, false, true, "https://mail.example.org/login"},
      {"rejected site", true, true, true, kLoginUrl},
      {"nothing captured", true, true, false, "https://mail.example.org/login"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<HtmlPage> page = LoadPage("login.html", c.url);
    if (c.filled) {
      Type(*page, 0, "username", "alice");
      Type(*page, 0, "password", "pw");
    }
    std::unique_ptr<PageDocument> document = page->Document();
    std::unique_ptr<PageForm> form = FormAt(*page, 0);
    EXPECT_EQ(helper_->AutoRecord(kToolbarWindow, c.document ? document.get() : nullptr,
                                  c.form ? form.get() : nullptr),
              kS_FALSE);
  }
  ExpectNothingShown();
  EXPECT_EQ(helper_->data().logins.Count(), 0);
}

TEST_F(ZRBarHelperTest, AutoRecordLoginIsTheRegistryValueReadAtSetUp) {
  long value = 7;
  EXPECT_EQ(helper_->AutoRecordLogin(&value), kS_OK);
  EXPECT_EQ(value, 1);  // no value in the registry
  EXPECT_EQ(helper_->AutoRecordLogin(nullptr), kE_POINTER);
  for (uint32_t stored : {0u, 1u, 5u}) {
    ASSERT_TRUE(WriteAutoLoginRecord(stored));
    Restart();
    EXPECT_EQ(helper_->AutoRecordLogin(&value), kS_OK);
    EXPECT_EQ(value, static_cast<long>(stored));
  }
}

// Records the login page's login through AutoRecord, ticking the any-site box.
void RecordTickingAnySite(ZRBarHelper& helper, ScriptedPrompts& prompts, RememberAnswer answer) {
  std::unique_ptr<HtmlPage> page = LoadPage("login.html", kLoginUrl);
  Type(*page, 0, "username", "alice");
  Type(*page, 0, "password", "pw");
  prompts.remember_answers.push_back([answer](RememberPasswordData& data) {
    data.never_any_site = true;
    return answer;
  });
  EXPECT_EQ(helper.AutoRecord(kToolbarWindow, page->Document().get(), FormAt(*page, 0).get()),
            kS_OK);
}

TEST_F(ZRBarHelperTest, AnySiteBoxTurnsRecordingOffForEveryClientAndAfterRestart) {
  for (RememberAnswer answer : {RememberAnswer::kNo, RememberAnswer::kYes}) {
    ASSERT_TRUE(WriteAutoLoginRecord(1));
    Restart();
    RecordTickingAnySite(*helper_, prompts_, answer);
    ZRBarHelper& other_client = *helper_;
    long value = -1;
    EXPECT_EQ(other_client.AutoRecordLogin(&value), kS_OK);
    EXPECT_EQ(value, 0);
    Restart();
    EXPECT_EQ(helper_->AutoRecordLogin(&value), kS_OK);
    EXPECT_EQ(value, 0);
  }
}

TEST_F(ZRBarHelperTest, AnySiteBoxTurnsRecordingOffEvenWhenTheRegistryCannotBeWritten) {
  // The configuration folder is a plain file: the hive cannot be saved.
  testing::ScopedEnv config("XDG_CONFIG_HOME", root_.path() + "/not-a-folder");
  { std::ofstream(root_.path() + "/not-a-folder") << "x"; }
  RecordTickingAnySite(*helper_, prompts_, RememberAnswer::kNo);
  long value = -1;
  EXPECT_EQ(helper_->AutoRecordLogin(&value), kS_OK);
  EXPECT_EQ(value, 0);
  Restart();
  EXPECT_EQ(helper_->AutoRecordLogin(&value), kS_OK);
  EXPECT_EQ(value, 1);
}

TEST_F(ZRBarHelperTest, FindPasswordByURLTellsWhetherTheUserMustChoose) {
  struct Login {
    const char* site;
    bool automatic;
  };
  const struct {
    const char* label;
    std::vector<Login> logins;
    const char* url;
    long expected;
  } kCases[] = {
      {"no records", {}, kLoginUrl, 0},
      {"other site only", {{"other.org", true}}, kLoginUrl, 0},
      {"one automatic", {{"www.example.com", true}}, kLoginUrl, 0},
      {"one manual", {{"www.example.com", false}}, kLoginUrl, 1},
      {"two automatic", {{"example.com", true}, {"WWW.EXAMPLE.COM", true}}, kLoginUrl, 1},
      {"automatic one shorter", {{"example.com", true}, {"www.example.com", false}}, kLoginUrl, 1},
      {"automatic one longest", {{"example.com", false}, {"www.example.com", true}}, kLoginUrl, 0},
      {"query part counts",
       {{"tracker.example", false}},
       "https://a.example/?r=tracker.example",
       0},
      {"empty site, empty url", {{"", false}}, "", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    NewUser();
    for (const Login& login : c.logins) StoreLogin(login.site, login.automatic);
    long result = -1;
    EXPECT_EQ(helper_->FindPasswordByURL(c.url, &result), kS_OK);
    EXPECT_EQ(result, c.expected);
  }
  EXPECT_EQ(helper_->FindPasswordByURL(kLoginUrl, nullptr), kE_POINTER);
}

TEST_F(ZRBarHelperTest, PasswordManagerOpensBehindTheMasterPasswordGate) {
  using Entry = std::optional<std::string>;
  const struct {
    const char* label;
    const char* stored;
    std::vector<Entry> setups, entries;
    int managers;
    std::vector<std::string> captions;
    std::string master_after;
  } kCases[] = {
      {"set-up cancelled", "", {std::nullopt}, {}, 1, {"Warning"}, ""},
      {"set-up given", "", {"n3w"}, {}, 1, {}, "n3w"},
      {"right password", "s3cret", {}, {"s3cret"}, 1, {}, "s3cret"},
      {"wrong, then right",
       "s3cret",
       {},
       {"S3CRET", "x", "s3cret"},
       1,
       {"Zorvane Login Manager", "Zorvane Login Manager"},
       "s3cret"},
      {"wrong, then cancel",
       "s3cret",
       {},
       {"s3cre", std::nullopt},
       0,
       {"Zorvane Login Manager"},
       "s3cret"},
      {"cancel", "s3cret", {}, {std::nullopt}, 0, {}, "s3cret"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    // The master password comes from "Password.dat", as at a real start.
    helper_->data().logins.set_master_password_text(c.stored);
    ASSERT_TRUE(helper_->data().logins.Save());
    Restart();
    prompts_ = ScriptedPrompts();
    prompts_.master_password_setups.assign(c.setups.begin(), c.setups.end());
    prompts_.master_passwords.assign(c.entries.begin(), c.entries.end());

    EXPECT_EQ(helper_->PasswordManager(kToolbarWindow), kS_OK);
    EXPECT_EQ(prompts_.login_managers, c.managers);
    std::vector<std::string> captions;
    for (const ShownMessage& message : prompts_.messages) {
      captions.push_back(message.caption);
      const bool warning = message.caption == "Warning";
      EXPECT_EQ(message.text, warning ? LoadString(kIdsNoMasterPassword) : LoadString(kIdsIncorrectPassword));
      EXPECT_EQ(message.icon, warning ? MessageIcon::kExclamation : MessageIcon::kNone);
      EXPECT_EQ(message.buttons, MessageButtons::kOk);
    }
    EXPECT_EQ(captions, c.captions);
    EXPECT_TRUE(prompts_.master_password_setups.empty() && prompts_.master_passwords.empty());
    EXPECT_EQ(helper_->data().logins.master_password(), c.master_after);
    // A master password set at the gate is kept in memory only.
    EXPECT_EQ(LoginsOnDisk()->master_password(), c.stored);
  }
}

TEST_F(ZRBarHelperTest, FormManagerShowsTheSheetAndSucceeds) {
  EXPECT_EQ(helper_->FormManager(kToolbarWindow), kS_OK);
  EXPECT_EQ(prompts_.form_managers, 1);
}

TEST_F(ZRBarHelperTest, FailedAllocationOnThePageGivesOutOfMemory) {
  FakeBrowser browser([] { return std::make_unique<OutOfMemoryDocument>(); });
  OutOfMemoryDocument document;
  OutOfMemoryForm form;
  long found = 42;
  const struct {
    const char* label;
    std::function<HResult()> call;
  } kCases[] = {
      {"FillInForm dtPassword",
       [&] { return helper_->FillInForm(kToolbarWindow, &browser, kPassword, 1, 1); }},
      {"FillInForm dtHome",
       [&] { return helper_->FillInForm(kToolbarWindow, &browser, kHome, 1, 0); }},
      {"FillInForm dtWork",
       [&] { return helper_->FillInForm(kToolbarWindow, &browser, kWork, 0, 0); }},
      {"AutoRecord", [&] { return helper_->AutoRecord(kToolbarWindow, &document, &form); }},
      {"RecordPassword", [&] { return helper_->RecordPassword(kToolbarWindow, &browser, &found); }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    HResult result = kS_OK;
    EXPECT_NO_THROW(result = c.call());
    EXPECT_EQ(result, kE_OUTOFMEMORY);
  }
  EXPECT_EQ(found, 42);
  ExpectNothingShown();
}

// The bus layer calls these methods from the event loop: an exception must
// not leave them. A dialog that cannot be built is a failed allocation.
TEST_F(ZRBarHelperTest, FailedAllocationInADialogDoesNotEscapeTheObject) {
  OutOfMemoryPrompts prompts;
  ZRBarHelper helper(prompts);
  helper.SetUp(FindDataFolder());
  HResult result = kS_OK;
  EXPECT_NO_THROW(result = helper.PasswordManager(kToolbarWindow));
  EXPECT_EQ(result, kE_OUTOFMEMORY);
  EXPECT_NO_THROW(result = helper.FormManager(kToolbarWindow));
  EXPECT_EQ(result, kE_OUTOFMEMORY);
}

}  // namespace
}  // namespace zr
