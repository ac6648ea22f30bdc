// Tests of the toolbar helper's forwarding layer: what each method accepts
// and returns, the AutoRecordLogin setting read at set-up, the master-password
// gate of PasswordManager, a record deleted while the user chooses, and failed
// allocations mapped to E_OUTOFMEMORY. The fill and capture rules themselves
// are tested in tests/forms.
#include "server/zr_bar_helper.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "pages/html_page.h"
#include "platform/data_folder.h"
#include "platform/registry_store.h"
#include "store/custom_field_list.h"
#include "store/login_store.h"
#include "tests/forms/scripted_prompts.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

constexpr WindowId kToolbarWindow = 0x3a0001;
constexpr int kPassword = 1, kHome = 2, kWork = 3;

// A test page from tests/server/pages, shown at url.
std::unique_ptr<HtmlPage> LoadPage(const std::string& name, const std::string& url) {
  std::unique_ptr<HtmlPage> page =
      HtmlPage::Open(std::string(ZR_SERVER_PAGES_DIR) + "/" + name, url);
  EXPECT_NE(page, nullptr) << name;
  return page;
}

std::unique_ptr<PageForm> FormAt(PageBrowser& page, int index) {
  auto forms = page.Document()->Forms();
  return forms ? forms->At(index) : nullptr;
}

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

class ZRBarHelperTest : public ::testing::Test {
 protected:
  ZRBarHelperTest() { Restart(); }
  ~ZRBarHelperTest() override {
    helper_.reset();
    CustomFields().Reset();
    SharedNames().Reset();
  }
  // A new server process: process-wide fields forgotten, a new object set up
  // from the data files and the registry.
  void Restart() {
    CustomFields().Reset();
    SharedNames().Reset();
    helper_ = std::make_unique<ZRBarHelper>(prompts_);
    helper_->SetUp(FindDataFolder());
  }
  void ExpectNothingShown() {
    EXPECT_TRUE(prompts_.messages.empty() && prompts_.select_offers.empty());
    EXPECT_TRUE(prompts_.remember_shown.empty());
    EXPECT_EQ(prompts_.master_password_prompts, 0);
  }
  // "Password.dat" as a store that was never in memory before.
  std::unique_ptr<LoginStore> LoginsOnDisk() const {
    auto store = std::make_unique<LoginStore>();
    EXPECT_TRUE(store->Load(FindDataFolder() + "/" + kPasswordFileName));
    return store;
  }

  testing::TempDir root_;
  testing::ScopedEnv data_home_{"XDG_DATA_HOME", root_.path() + "/data"};
  testing::ScopedEnv config_home_{"XDG_CONFIG_HOME", root_.path() + "/config"};
  ScriptedPrompts prompts_;
  std::unique_ptr<ZRBarHelper> helper_;
};

enum class Browser { kNone, kNoDocument, kPage };

TEST_F(ZRBarHelperTest, FillInFormRefusesWhatDoesNotQualifyAndTouchesNothing) {
  helper_->data().home.Value(ProfileField::kEmail) = "ann@home.example";
  const struct {
    const char* label;
    Browser browser;
    int type;
  } kCases[] = {
      {"no browser", Browser::kNone, kHome},   {"no HTML document", Browser::kNoDocument, kHome},
      {"type 0", Browser::kPage, 0},           {"dtCustomize", Browser::kPage, 4},
      {"below the range", Browser::kPage, -1}, {"above the range", Browser::kPage, 7},
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

// A filled login form, which AutoRecord would offer to remember.
constexpr char kFilledLogin[] =
    "<form name=login><input name=username value=alice>"
    "<input type=password name=password value=pw></form>";

TEST_F(ZRBarHelperTest, AutoRecordWithoutDocumentOrFormRecordsNothing) {
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(kFilledLogin, kLoginUrl);
  std::unique_ptr<PageDocument> document = page->Document();
  std::unique_ptr<PageForm> form = FormAt(*page, 0);
  EXPECT_EQ(helper_->AutoRecord(kToolbarWindow, nullptr, form.get()), kS_FALSE);
  EXPECT_EQ(helper_->AutoRecord(kToolbarWindow, document.get(), nullptr), kS_FALSE);
  ExpectNothingShown();
  // The same call with both is handed on: the user is asked.
  prompts_.remember_answers.push_back(AnswerNo);
  EXPECT_EQ(helper_->AutoRecord(kToolbarWindow, document.get(), form.get()), kS_OK);
  EXPECT_EQ(prompts_.remember_shown.size(), 1u);
}

// A save that fails is an error to the caller, never S_OK, and the user is
// told which file; the change stays in memory. A folder that is a plain file
// cannot be written, even by root.
TEST_F(ZRBarHelperTest, ASaveThatFailsIsAnErrorAndTheUserIsToldWhichFile) {
  const std::string folder = FindDataFolder();
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(kFilledLogin, kLoginUrl);
  std::unique_ptr<PageDocument> document = page->Document();
  std::unique_ptr<PageForm> form = FormAt(*page, 0);
  const auto remember = [&] {
    return helper_->AutoRecord(kToolbarWindow, document.get(), form.get());
  };
  const auto tick = [](bool RememberPasswordData::*box) {
    return [box](RememberPasswordData& data) {
      data.*box = true;
      return RememberAnswer::kNo;
    };
  };
  const struct {
    const char* name;
    std::function<RememberAnswer(RememberPasswordData&)> answer;  // null: no prompt
    std::function<HResult()> call;
    std::string file;  // named in the message; "" when no window is open
  } kCases[] = {
      {"remember Yes", AnswerYes, remember, folder + "/" + kPasswordFileName},
      {"never this site", tick(&RememberPasswordData::never_this_site), remember,
       folder + "/Rejected.dat"},
      {"never any site", tick(&RememberPasswordData::never_any_site), remember,
       root_.path() + "/config/Zorvane/HKEY_CURRENT_USER.reg"},
      {"UpdateFormFields", nullptr,
       [&] {
         return helper_->UpdateFormFields("<HOME><Field name=\"Email\" value=\"mail\"/></HOME>");
       },
       ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Restart();
    std::filesystem::remove_all(folder);
    std::filesystem::remove_all(root_.path() + "/config");
    { std::ofstream(folder) << "x"; }
    { std::ofstream(root_.path() + "/config") << "x"; }
    prompts_.messages.clear();
    if (c.answer) prompts_.remember_answers.push_back(c.answer);
    EXPECT_EQ(c.call(), kSTG_E_CANTSAVE);
    ASSERT_EQ(prompts_.messages.size(), c.file.empty() ? 0u : 1u);
    if (!c.file.empty())
      EXPECT_NE(prompts_.messages[0].text.find(c.file), std::string::npos)
          << prompts_.messages[0].text;
    std::filesystem::remove(folder);
    std::filesystem::remove(root_.path() + "/config");
  }
  // With the folders back the same calls succeed.
  Restart();
  prompts_.remember_answers.push_back(AnswerYes);
  EXPECT_EQ(remember(), kS_OK);
  EXPECT_EQ(helper_->UpdateFormFields("<HOME><Field name=\"Email\" value=\"mail\"/></HOME>"),
            kS_OK);
}

TEST_F(ZRBarHelperTest, FindPasswordByURLRefusesANullResult) {
  long result = -1;
  EXPECT_EQ(helper_->FindPasswordByURL(kLoginUrl, &result), kS_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(helper_->FindPasswordByURL(kLoginUrl, nullptr), kE_POINTER);
}

// While the select-login dialog runs its event loop, another client's Login
// Manager deletes the record the user then picks.
class DeletingPrompts final : public ScriptedPrompts {
 public:
  int SelectLogin(WindowId, LoginStore& store, const std::vector<int>& ids) override {
    select_offers.push_back(ids);
    store.Delete(ids.front());
    return ids.front();
  }
};

TEST_F(ZRBarHelperTest, LoginDeletedWhileTheUserChoosesIsNotFilled) {
  DeletingPrompts prompts;
  ZRBarHelper helper(prompts);
  helper.SetUp(FindDataFolder());
  auto record = std::make_unique<LoginRecord>();
  record->set_site("www.example.com");
  record->AddField("username", "alice", "text", "login");
  record->AddField("password", "pw", "password", "login");
  helper.data().logins.AddOrMerge(std::move(record));
  std::unique_ptr<HtmlPage> page = LoadPage("login.html", kLoginUrl);
  const std::string before = page->Serialize();
  EXPECT_EQ(helper.FillInForm(kToolbarWindow, page.get(), kPassword, 1, 0), kS_FALSE);
  EXPECT_EQ(prompts.select_offers.size(), 1u);
  EXPECT_EQ(page->Serialize(), before);
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

// The gate's dialogs are tested in tests/forms; here, that the manager opens
// only through it.
TEST_F(ZRBarHelperTest, PasswordManagerOpensOnlyBehindTheMasterPasswordGate) {
  const struct {
    const char* label;
    std::optional<std::string> entry;
    int managers;
  } kCases[] = {{"right password", "s3cret", 1},
                {"wrong password", "S3CRET", 0},
                {"cancel", std::nullopt, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    helper_->data().logins.set_master_password_text("s3cret");
    prompts_ = ScriptedPrompts();
    prompts_.master_passwords.assign({c.entry, std::nullopt});
    EXPECT_EQ(helper_->PasswordManager(kToolbarWindow), kS_OK);
    EXPECT_EQ(prompts_.login_managers, c.managers);
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
