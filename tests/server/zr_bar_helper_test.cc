// The toolbar helper's own layer: the engine's outcomes as HRESULTs, null outputs,
// AutoRecordLogin, the master-password gate, failed saves and allocations. Fill rules are
// tested in tests/forms, save faults of each file in tests/faults.
#include "server/zr_bar_helper.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <new>

#include "pages/html_page.h"
#include "platform/data_folder.h"
#include "platform/registry_store.h"
#include "store/custom_field_list.h"
#include "tests/forms/scripted_prompts.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

constexpr WindowId kWindow = 0x3a0001;
constexpr int kPassword = 1, kHome = 2, kWork = 3;
constexpr char kLoginUrl[] = "https://www.example.com/login";
constexpr char kFilledLogin[] =  // a form AutoRecord would offer to remember
    "<form name=login><input name=username value=alice>"
    "<input type=password name=password value=pw></form>";
constexpr char kEmailFields[] = "<HOME><Field name=\"Email\" value=\"mail\"/></HOME>";

// Without make the browser has no HTML document.
struct FakeBrowser final : PageBrowser {
  std::function<std::unique_ptr<PageDocument>()> make;
  std::unique_ptr<PageDocument> Document() override { return make ? make() : nullptr; }
};
// A page, and prompts, on which every read or dialog fails to allocate.
struct OutOfMemoryPage final : PageDocument, PageForm {
  PageText Url() override { throw std::bad_alloc(); }
  PageText Title() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageForm>> Forms() override { throw std::bad_alloc(); }
  PageText Name() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { throw std::bad_alloc(); }
};
struct OutOfMemoryPrompts final : ScriptedPrompts {
  std::optional<std::string> SetUpMasterPassword(WindowId, std::string_view) override {
    throw std::bad_alloc();
  }
  void ShowFormManager(WindowId, FormProfile&, FormProfile&) override { throw std::bad_alloc(); }
};
// While the select-login dialog runs, another client deletes the record picked.
struct DeletingPrompts final : ScriptedPrompts {
  int SelectLogin(WindowId, LoginStore& store, const std::vector<int>& ids) override {
    select_offers.push_back(ids);
    store.Delete(ids.front());
    return ids.front();
  }
};

class ZRBarHelperTest : public ::testing::Test {
 protected:
  ZRBarHelperTest() { Restart(); }
  ~ZRBarHelperTest() override { helper_.reset(), Forget(); }
  static void Forget() { CustomFields().Reset(), SharedNames().Reset(); }
  // A new server process: process-wide fields forgotten, set up from the files.
  ZRBarHelper& Restart(Prompts* prompts = nullptr) {
    Forget();
    helper_ = std::make_unique<ZRBarHelper>(prompts ? *prompts : prompts_);
    helper_->SetUp(FindDataFolder());
    return *helper_;
  }
  HResult Remember() { return helper_->AutoRecord(kWindow, document_.get(), form_.get()); }
  testing::TempDir root_;
  testing::ScopedEnv data_home_{"XDG_DATA_HOME", root_.path() + "/data"};
  testing::ScopedEnv config_home_{"XDG_CONFIG_HOME", root_.path() + "/config"};
  ScriptedPrompts prompts_;
  std::unique_ptr<ZRBarHelper> helper_;
  std::unique_ptr<HtmlPage> filled_ = HtmlPage::FromString(kFilledLogin, kLoginUrl);
  std::unique_ptr<PageDocument> document_ = filled_->Document();
  std::unique_ptr<PageForm> form_ = document_->Forms()->At(0);
};

TEST_F(ZRBarHelperTest, NothingDoneIsSFalseDoneIsSOkAndNullOutputsArePointerErrors) {
  FakeBrowser none;
  long result = 42;
  EXPECT_EQ(helper_->FillInForm(kWindow, &none, kHome, 1, 0), kS_FALSE);
  EXPECT_EQ(helper_->RecordPassword(kWindow, nullptr, &result), kS_FALSE);
  EXPECT_EQ(helper_->AutoRecord(kWindow, document_.get(), nullptr), kS_FALSE);
  EXPECT_EQ(helper_->FindPasswordByURL(kLoginUrl, nullptr), kE_POINTER);
  EXPECT_EQ(helper_->AutoRecordLogin(nullptr), kE_POINTER);
  EXPECT_EQ(result, 42);
  EXPECT_TRUE(prompts_.messages.empty() && prompts_.remember_shown.empty());
  prompts_.remember_answers.push_back(AnswerNo);
  EXPECT_EQ(Remember(), kS_OK);
  EXPECT_EQ(prompts_.remember_shown.size(), 1u);
  EXPECT_EQ(helper_->FindPasswordByURL(kLoginUrl, &result), kS_OK);
  EXPECT_EQ(result, 0);
}

// A save that fails is an error to the caller, never S_OK, and the user is told which file. A
// folder that is a plain file cannot be written, even by root.
TEST_F(ZRBarHelperTest, ASaveThatFailsIsAnErrorAndTheUserIsToldWhichFile) {
  const std::string folder = FindDataFolder(), config = root_.path() + "/config";
  const std::function<HResult()> calls[] = {
      [&] { return prompts_.remember_answers.push_back(AnswerYes), Remember(); },
      [&] { return helper_->UpdateFormFields(kEmailFields); }};
  for (const std::string& path : {folder, config})
    std::filesystem::remove_all(path), std::ofstream(path) << "x";
  for (const auto& call : calls) EXPECT_EQ(call(), kSTG_E_CANTSAVE);
  ASSERT_EQ(prompts_.messages.size(), 1u);  // UpdateFormFields has no window to tell
  EXPECT_NE(prompts_.messages[0].text.find(folder + "/" + kPasswordFileName), std::string::npos);
  for (const std::string& path : {folder, config}) std::filesystem::remove(path);
  Restart();  // with the folders back the same calls succeed
  for (const auto& call : calls) EXPECT_EQ(call(), kS_OK);
}

// Import and export: argument checks, a failed save (the file named, the logins kept in memory),
// the master password asked before an export, bUpdatePasswords.
TEST_F(ZRBarHelperTest, ImportAndExportCheckArgumentsNameFailedFilesAndAskTheMasterPassword) {
  const std::string folder = FindDataFolder(), csv = root_.path() + "/in.csv";
  ASSERT_TRUE(testing::WriteFile(csv, "url,username,password\nhttps://e.example/,ann,pw\n"));
  std::string summary;
  EXPECT_EQ(helper_->ImportLogins(csv, "", 0, nullptr), kE_POINTER);
  EXPECT_EQ(helper_->ImportLogins(csv, "excel", 0, &summary), kE_INVALIDARG);
  EXPECT_EQ(helper_->ImportLogins(csv + ".missing", "", 0, &summary), kS_FALSE);

  std::filesystem::remove_all(folder), std::ofstream(folder) << "x";
  Restart();
  EXPECT_EQ(helper_->ImportLogins(csv, "", 0, &summary), kSTG_E_CANTSAVE);
  EXPECT_NE(summary.find(folder + "/" + kPasswordFileName), std::string::npos) << summary;
  EXPECT_EQ(helper_->data().logins.Count(), 1) << "kept in memory";
  std::filesystem::remove(folder);
  Restart();

  const std::string out = root_.path() + "/out.csv";
  helper_->data().logins.set_master_password_text("secret");
  ASSERT_EQ(helper_->ImportLogins(csv, "", 0, &summary), kS_OK);
  EXPECT_EQ(helper_->ExportLogins(kWindow, out, "firefox", &summary), kE_INVALIDARG);
  prompts_.master_passwords = {std::nullopt};
  EXPECT_EQ(helper_->ExportLogins(kWindow, out, "", &summary), kS_FALSE);
  EXPECT_FALSE(std::filesystem::exists(out));
  prompts_.master_passwords = {"wrong", "secret", "secret"};
  EXPECT_EQ(helper_->ExportLogins(kWindow, out, "bitwarden", &summary), kS_OK);
  EXPECT_EQ(prompts_.messages.size(), 1u) << "the wrong one is reported";
  EXPECT_EQ(std::filesystem::status(out).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_NE(testing::ReadFile(out).find("\"https://e.example\",\"ann\",\"pw\""), std::string::npos);
  EXPECT_EQ(helper_->ExportLogins(kWindow, root_.path() + "/no/such/out.csv", "", &summary),
            kSTG_E_CANTSAVE);
  EXPECT_NE(summary.find(root_.path() + "/no/such/out.csv"), std::string::npos) << summary;
  // Stored passwords change only with bUpdatePasswords, and what the import did is saved.
  ASSERT_TRUE(testing::WriteFile(csv, "url,username,password\nhttps://e.example/,ann,NEW\n"));
  for (const auto& [update, stored] : {std::pair{0, "pw"}, {1, "NEW"}}) {
    EXPECT_EQ(helper_->ImportLogins(csv, "", update, &summary), kS_OK);
    EXPECT_EQ(Restart().data().logins.GetAt(0)->GetPassword(), stored) << summary;
  }
}

TEST_F(ZRBarHelperTest, LoginDeletedWhileTheUserChoosesIsNotFilled) {
  DeletingPrompts prompts;
  ZRBarHelper& helper = Restart(&prompts);
  prompts.remember_answers.push_back(AnswerYes);  // the login of kFilledLogin, saved
  ASSERT_EQ(Remember(), kS_OK);
  auto page = HtmlPage::Open(std::string(ZR_SERVER_PAGES_DIR) + "/login.html", kLoginUrl);
  ASSERT_NE(page, nullptr);
  const std::string before = page->Serialize();
  EXPECT_EQ(helper.FillInForm(kWindow, page.get(), kPassword, 1, 0), kS_FALSE);
  EXPECT_EQ(prompts.select_offers.size(), 1u);
  EXPECT_EQ(page->Serialize(), before);
}

TEST_F(ZRBarHelperTest, AutoRecordLoginIsTheRegistryValueReadAtSetUp) {
  long before = 7, after = 7;
  ASSERT_TRUE(WriteAutoLoginRecord(0));
  EXPECT_EQ(helper_->AutoRecordLogin(&before), kS_OK);  // set up before: the default
  EXPECT_EQ(Restart().AutoRecordLogin(&after), kS_OK);
  EXPECT_EQ(std::pair(before, after), std::pair(1L, 0L));
}

TEST_F(ZRBarHelperTest, PasswordManagerOpensOnlyBehindTheMasterPasswordGate) {
  const std::pair<std::optional<std::string>, int> kCases[] = {
      {"s3cret", 1}, {"S3CRET", 0}, {std::nullopt, 0}};  // entry, managers opened
  for (const auto& [entry, managers] : kCases) {
    helper_->data().logins.set_master_password_text("s3cret");
    prompts_ = ScriptedPrompts();
    prompts_.master_passwords.assign({entry, std::nullopt});
    EXPECT_EQ(helper_->PasswordManager(kWindow), kS_OK);
    EXPECT_EQ(prompts_.login_managers, managers) << entry.value_or("cancel");
  }
}

// The bus layer calls these methods from the event loop: an exception must not leave them. A
// dialog that cannot be built is a failed allocation too.
TEST_F(ZRBarHelperTest, FailedAllocationGivesOutOfMemoryAndDoesNotEscapeTheObject) {
  FakeBrowser browser;
  browser.make = [] { return std::make_unique<OutOfMemoryPage>(); };
  OutOfMemoryPage page;
  OutOfMemoryPrompts prompts;
  ZRBarHelper& helper = Restart(&prompts);
  long found = 42;
  const std::pair<const char*, std::function<HResult()>> kCases[] = {
      {"dtPassword", [&] { return helper.FillInForm(kWindow, &browser, kPassword, 1, 1); }},
      {"dtWork", [&] { return helper.FillInForm(kWindow, &browser, kWork, 0, 0); }},
      {"AutoRecord", [&] { return helper.AutoRecord(kWindow, &page, &page); }},
      {"RecordPassword", [&] { return helper.RecordPassword(kWindow, &browser, &found); }},
      {"PasswordManager", [&] { return helper.PasswordManager(kWindow); }},
      {"FormManager", [&] { return helper.FormManager(kWindow); }},
  };
  for (const auto& [label, call] : kCases) {
    HResult result = kS_OK;
    EXPECT_NO_THROW(result = call()) << label;
    EXPECT_EQ(result, kE_OUTOFMEMORY) << label;
  }
  EXPECT_EQ(found, 42);
}

}  // namespace
}  // namespace zr
