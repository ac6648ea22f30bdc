// Whole flows through the toolbar helper on HTML pages: a login captured,
// stored in "Password.dat" and filled back into a fresh copy of the page;
// profile fills of a sign-up page; rejected sites; pages whose login is
// hidden in a frame.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "store/rejected_sites.h"
#include "tests/server/bar_helper_test_support.h"
#include "tests/store/test_folder.h"

namespace zr {
namespace {

using ZRBarHelperFlowTest = BarHelperTest;

constexpr char kMailUrl[] = "https://www.example.com/login?next=%2Finbox";

// Answers Yes with "Fill in automatically" ticked, and description when given.
std::function<RememberAnswer(RememberPasswordData&)> YesAutomatic(std::string description = "") {
  return [description](RememberPasswordData& data) {
    data.fill_automatically = true;
    if (!description.empty()) data.description = description;
    return RememberAnswer::kYes;
  };
}

struct Field {
  std::string form, name, value, type;
  bool operator==(const Field&) const = default;
  friend void PrintTo(const Field& f, std::ostream* os) {
    *os << "{" << f.form << ", " << f.name << ", " << f.value << ", " << f.type << "}";
  }
};
std::vector<Field> FieldsOf(const LoginRecord& record) {
  std::vector<Field> fields;
  for (const LoginField& f : record.fields())
    fields.push_back({f.form_name, f.field_name, f.value, f.type});
  return fields;
}

TEST_F(ZRBarHelperFlowTest, RecordedLoginIsStoredAndFillsAFreshPage) {
  std::unique_ptr<HtmlPage> typed = LoadPage("login.html", kMailUrl);
  Type(*typed, 0, "username", "alice");
  Type(*typed, 0, "password", "s3cret!");
  prompts_.remember_answers.push_back(YesAutomatic("Mail"));
  long found = 0;
  ASSERT_EQ(helper_->RecordPassword(kToolbarWindow, typed.get(), &found), kS_OK);
  EXPECT_EQ(found, 1);
  ASSERT_EQ(prompts_.remember_shown.size(), 1u);
  const RememberPasswordData& shown = prompts_.remember_shown[0];
  EXPECT_EQ(shown.login_name, "alice");
  EXPECT_EQ(shown.password, "s3cret!");
  EXPECT_EQ(shown.description, "Example Mail - Sign in");
  EXPECT_EQ(shown.site, "www.example.com");

  // The file holds the login, and only the filled text and password inputs.
  std::unique_ptr<LoginStore> disk = LoginsOnDisk();
  ASSERT_EQ(disk->Count(), 1);
  const LoginRecord& stored = *disk->GetAt(0);
  EXPECT_EQ(stored.site(), "www.example.com");
  EXPECT_EQ(stored.description(), "Mail");
  EXPECT_TRUE(stored.fill_automatically());
  EXPECT_FALSE(stored.require_master_password());
  EXPECT_EQ(FieldsOf(stored), (std::vector<Field>{{"login", "username", "alice", "text"},
                                                  {"login", "password", "s3cret!", "password"}}));

  Restart();
  const int id = helper_->data().logins.GetAt(0)->id();
  const struct {
    const char* label;
    long automatic, force;
    const char* typed_name;
    std::vector<int> choice;  // the select dialog's answer, when it is shown
    HResult result;
    const char* name;
    const char* password;
  } kCases[] = {
      {"automatic", 1, 1, "", {}, kS_OK, "alice", "s3cret!"},
      {"manual", 0, 1, "", {id}, kS_OK, "alice", "s3cret!"},
      {"manual, cancelled", 0, 1, "", {-1}, kS_FALSE, "", ""},
      // The lookup keeps the typed name; the pair fill then writes both.
      {"typed name, no force", 0, 0, "bob", {id}, kS_OK, "alice", "s3cret!"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    prompts_.select_offers.clear();
    prompts_.selected_ids.assign(c.choice.begin(), c.choice.end());
    std::unique_ptr<HtmlPage> fresh = LoadPage("login.html", kMailUrl);
    if (*c.typed_name) Type(*fresh, 0, "username", c.typed_name);
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, fresh.get(), kPassword, c.force, c.automatic),
              c.result);
    EXPECT_EQ(prompts_.select_offers.size(), c.choice.size());
    std::unique_ptr<HtmlPage> served = Reparsed(*fresh);
    EXPECT_EQ(ValueOf(*served, 0, "username"), c.name);
    EXPECT_EQ(ValueOf(*served, 0, "password"), c.password);
    EXPECT_EQ(ValueOf(*served, 0, "csrf"), "a81f9c");
    EXPECT_EQ(ValueOf(*served, 1, "q"), "");
  }
}

TEST_F(ZRBarHelperFlowTest, SubmittedLoginIsRecordedOnceAndSeenByEveryClient) {
  const std::string url = "https://forum.example.org/index.php";
  std::unique_ptr<HtmlPage> page = LoadPage("two_logins.html", url);
  Type(*page, 0, "user", "ghost");  // the other named form: not captured
  Type(*page, 1, "user", "dave");
  Type(*page, 1, "pass", "pw1");
  ZRBarHelper& first_client = *helper_;
  ZRBarHelper& second_client = *helper_;
  prompts_.remember_answers.push_back(YesAutomatic("Forum (main)"));
  EXPECT_EQ(first_client.AutoRecord(kToolbarWindow, page->Document().get(), FormAt(*page, 1).get()),
            kS_OK);
  ASSERT_EQ(prompts_.remember_shown.size(), 1u);
  EXPECT_EQ(prompts_.remember_shown[0].site, "forum.example.org");
  EXPECT_EQ(
      FieldsOf(*LoginsOnDisk()->GetAt(0)),
      (std::vector<Field>{{"main", "user", "dave", "text"}, {"main", "pass", "pw1", "password"}}));

  // The same login submitted again is left alone.
  EXPECT_EQ(
      second_client.AutoRecord(kToolbarWindow, page->Document().get(), FormAt(*page, 1).get()),
      kS_OK);
  EXPECT_EQ(prompts_.remember_shown.size(), 1u);

  // The other client fills it at once, by form name: the quick form stays empty.
  std::unique_ptr<HtmlPage> fresh = LoadPage("two_logins.html", url);
  EXPECT_EQ(second_client.FillInForm(kToolbarWindow, fresh.get(), kPassword, 0, 1), kS_OK);
  std::unique_ptr<HtmlPage> served = Reparsed(*fresh);
  EXPECT_EQ(ValueOf(*served, 0, "user"), "");
  EXPECT_EQ(ValueOf(*served, 0, "pass"), "");
  EXPECT_EQ(ValueOf(*served, 1, "user"), "dave");
  EXPECT_EQ(ValueOf(*served, 1, "pass"), "pw1");

  // A changed password is offered with the stored description; Yes updates
  // the stored record, which keeps its id and flags.
  const int id = helper_->data().logins.GetAt(0)->id();
  Type(*page, 1, "pass", "pw2");
  prompts_.remember_answers.push_back(AnswerYes);
  EXPECT_EQ(first_client.AutoRecord(kToolbarWindow, page->Document().get(), FormAt(*page, 1).get()),
            kS_OK);
  ASSERT_EQ(prompts_.remember_shown.size(), 2u);
  EXPECT_EQ(prompts_.remember_shown[1].description, "Forum (main)");
  ASSERT_EQ(helper_->data().logins.Count(), 1);
  EXPECT_EQ(helper_->data().logins.GetAt(0)->id(), id);
  std::unique_ptr<LoginStore> disk = LoginsOnDisk();
  ASSERT_EQ(disk->Count(), 1);
  EXPECT_EQ(disk->GetAt(0)->GetPassword(), "pw2");
  EXPECT_TRUE(disk->GetAt(0)->fill_automatically());
}

TEST_F(ZRBarHelperFlowTest, LoginsOfUnnamedFormsAndEmailFieldsRoundTrip) {
  const struct {
    const char* page;
    const char* url;
    int form;
    const char* name_field;
    const char* password_field;
    const char* form_name;
    const char* site;
  } kCases[] = {
      {"unnamed_forms.html", "https://192.168.1.1/cgi-bin/login.html", 1, "account", "pwd", "",
       "192.168.1.1"},
      {"email_login.html", "https://shop.example.co.uk/signin", 0, "email", "secret", "signin",
       "example.co.uk"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.page);
    std::unique_ptr<HtmlPage> typed = LoadPage(c.page, c.url);
    Type(*typed, c.form, c.name_field, "erin@example.net");
    Type(*typed, c.form, c.password_field, "hunter2");
    prompts_.remember_answers.push_back(YesAutomatic());
    long found = 0;
    EXPECT_EQ(helper_->RecordPassword(kToolbarWindow, typed.get(), &found), kS_OK);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(prompts_.remember_shown.back().login_name, "erin@example.net");
    std::unique_ptr<LoginStore> disk = LoginsOnDisk();
    const LoginRecord& stored = *disk->GetAt(disk->Count() - 1);
    EXPECT_EQ(stored.site(), c.site);
    // An input typed "email" is a text input, as the original browser reported it.
    EXPECT_EQ(FieldsOf(stored),
              (std::vector<Field>{{c.form_name, c.name_field, "erin@example.net", "text"},
                                  {c.form_name, c.password_field, "hunter2", "password"}}));

    std::unique_ptr<HtmlPage> fresh = LoadPage(c.page, c.url);
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, fresh.get(), kPassword, 0, 1), kS_OK);
    std::unique_ptr<HtmlPage> served = Reparsed(*fresh);
    EXPECT_EQ(ValueOf(*served, c.form, c.name_field), "erin@example.net");
    EXPECT_EQ(ValueOf(*served, c.form, c.password_field), "hunter2");
  }
}

TEST_F(ZRBarHelperFlowTest, ProfilesFillTheSignUpPage) {
  FormProfile& home = helper_->data().home;
  FormProfile& work = helper_->data().work;
  home.Value(ProfileField::kFirstName) = "Ann";  // shared by both profiles
  home.Value(ProfileField::kLastName) = "Lee";
  home.Value(ProfileField::kEmail) = "ann@home.example";
  home.Value(ProfileField::kCompany) = "Home Office";
  home.Value(ProfileField::kAddress) = "1 Main St\nApt 2";
  home.Value(ProfileField::kCity) = "Austin";
  home.Value(ProfileField::kState) = "tx";        // an option's value
  home.Value(ProfileField::kCountry) = "FRANCE";  // an option's text
  home.Value(ProfileField::kZip) = "78701-1234";  // longer than maxlength 5
  home.Value(ProfileField::kTel) = "+1 512 555 0100";
  work.Value(ProfileField::kEmail) = "a.lee@work.example";
  work.Value(ProfileField::kCompany) = "Initech";
  work.Value(ProfileField::kAddress) = "500 Commerce St";
  work.Value(ProfileField::kCity) = "Dallas";
  work.Value(ProfileField::kState) = "texas";
  work.Value(ProfileField::kCountry) = "DE";
  work.Value(ProfileField::kZip) = "75201";
  CustomFields().SetCustomField(-1, "Referral", "comment", "From a friend");
  ASSERT_TRUE(home.Save(DataFile(kHomeProfileFileName)));
  ASSERT_TRUE(work.Save(DataFile(kWorkProfileFileName)));
  Restart();  // everything below comes from the files

  std::unique_ptr<HtmlPage> page = LoadPage("signup.html", "https://shop.example/register");
  struct Expected {
    std::vector<std::pair<std::string, std::string>> inputs;
    std::vector<std::string> html;  // serialized pieces
  };
  const struct {
    const char* label;
    int type;
    long force;
    Expected expected;
  } kCases[] = {
      {"Home, filled inputs kept",
       kHome,
       0,
       {{{"FirstName", "Ann"},
         {"LastName", "Lee"},
         {"email", "ann@home.example"},
         {"company", "Home Office"},
         {"city", "Springfield"},
         {"zip", "78701"},
         {"tel", "+1 512 555 0100"}},
        {"<textarea name=\"street_address\" rows=\"3\">1 Main St\nApt 2</textarea>",
         "<textarea name=\"comments\">From a friend</textarea>",
         "<option value=\"TX\" selected>Texas</option>", "<option value=\"fr\" selected>France",
         "<option value=\"us\">United States"}}},
      {"Work, forced",
       kWork,
       1,
       {{{"FirstName", "Ann"},
         {"LastName", "Lee"},
         {"email", "a.lee@work.example"},
         {"company", "Initech"},
         {"city", "Dallas"},
         {"zip", "75201"},
         {"tel", ""}},
        {"<textarea name=\"street_address\" rows=\"3\">500 Commerce St</textarea>",
         "<textarea name=\"comments\">From a friend</textarea>",
         "<option value=\"TX\" selected>Texas</option>", "<option value=\"de\" selected>Germany",
         "<option value=\"fr\">France"}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, page.get(), c.type, c.force, 0), kS_OK);
    std::unique_ptr<HtmlPage> served = Reparsed(*page);
    for (const auto& [name, value] : c.expected.inputs)
      EXPECT_EQ(ValueOf(*served, 0, name), value) << name;
    // Hidden, check-box and password inputs are never filled from a profile.
    EXPECT_EQ(ValueOf(*served, 0, "email_confirmed"), "no");
    EXPECT_EQ(ValueOf(*served, 0, "email_news"), "yes");
    EXPECT_EQ(ValueOf(*served, 0, "password"), "");
    const std::string html = page->Serialize();
    for (const std::string& piece : c.expected.html)
      EXPECT_NE(html.find(piece), std::string::npos) << piece;
  }
  EXPECT_TRUE(prompts_.messages.empty() && prompts_.select_offers.empty());
}

TEST_F(ZRBarHelperFlowTest, UpdateFormFieldsTeachesOnlyTheProfileItNames) {
  helper_->data().home.Value(ProfileField::kCity) = "Austin";
  helper_->data().work.Value(ProfileField::kCity) = "Dallas";
  ASSERT_TRUE(helper_->data().home.Save(DataFile(kHomeProfileFileName)));
  ASSERT_TRUE(helper_->data().work.Save(DataFile(kWorkProfileFileName)));
  const std::string work_before = ReadBytes(DataFile(kWorkProfileFileName));
  EXPECT_EQ(helper_->UpdateFormFields("<HOME>\n<Field name=\"City\" value=\"town;\"/>\n</HOME>"),
            kS_OK);
  EXPECT_EQ(ReadBytes(DataFile(kWorkProfileFileName)), work_before);
  Restart();
  const char kPage[] = "<form><input name=hometown></form>";
  for (int type : {kHome, kWork}) {
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(kPage);
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, page.get(), type, 0, 0), kS_OK);
    EXPECT_EQ(ValueOf(*page, 0, "hometown"), type == kHome ? "Austin" : "");
  }
}

TEST_F(ZRBarHelperFlowTest, RejectedSiteIsSkippedByAutoRecordOnly) {
  std::unique_ptr<HtmlPage> page = LoadPage("login.html", kMailUrl);
  Type(*page, 0, "username", "alice");
  Type(*page, 0, "password", "pw");
  prompts_.remember_answers.push_back([](RememberPasswordData& data) {
    data.site = "EXAMPLE.com";  // the user widens the site
    data.never_this_site = true;
    return RememberAnswer::kNo;
  });
  long found = 0;
  EXPECT_EQ(helper_->RecordPassword(kToolbarWindow, page.get(), &found), kS_OK);
  EXPECT_EQ(helper_->data().logins.Count(), 0);
  RejectedSites disk;
  ASSERT_TRUE(disk.Load(DataFile(kRejectedFileName)));
  EXPECT_EQ(disk.sites(), std::vector<std::string>{"EXAMPLE.com"});

  Restart();
  std::unique_ptr<HtmlPage> other = LoadPage("login.html", "https://accounts.example.com/login");
  Type(*other, 0, "username", "alice");
  Type(*other, 0, "password", "pw");
  EXPECT_EQ(helper_->AutoRecord(kToolbarWindow, other->Document().get(), FormAt(*other, 0).get()),
            kS_FALSE);
  EXPECT_EQ(prompts_.remember_shown.size(), 1u);
  prompts_.remember_answers.push_back(AnswerNo);
  EXPECT_EQ(helper_->RecordPassword(kToolbarWindow, other.get(), &found), kS_OK);
  EXPECT_EQ(prompts_.remember_shown.size(), 2u);
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

TEST_F(ZRBarHelperFlowTest, LoginDeletedWhileTheUserChoosesIsNotFilled) {
  DeletingPrompts prompts;
  ZRBarHelper helper(prompts);
  helper.SetUp(FindDataFolder());
  auto record = std::make_unique<LoginRecord>();
  record->set_site("www.example.com");
  record->AddField("username", "alice", "text", "login");
  record->AddField("password", "pw", "password", "login");
  helper.data().logins.AddOrMerge(std::move(record));
  std::unique_ptr<HtmlPage> page = LoadPage("login.html", kMailUrl);
  const std::string before = page->Serialize();
  EXPECT_EQ(helper.FillInForm(kToolbarWindow, page.get(), kPassword, 1, 0), kS_FALSE);
  EXPECT_EQ(prompts.select_offers.size(), 1u);
  EXPECT_EQ(page->Serialize(), before);
}

TEST_F(ZRBarHelperFlowTest, LoginFormInsideAFrameIsNotFound) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site("bank.example");
  record->AddField("user", "carol", "text", "login");
  record->AddField("pass", "pw", "password", "login");
  helper_->data().logins.AddOrMerge(std::move(record));
  std::unique_ptr<HtmlPage> page = LoadPage("iframe_login.html", "https://bank.example/");
  const std::string before = page->Serialize();
  for (long automatic : {0L, 1L}) {
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, page.get(), kPassword, 1, automatic), kS_OK);
  }
  long found = 42;
  EXPECT_EQ(helper_->RecordPassword(kToolbarWindow, page.get(), &found), kS_OK);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(page->Serialize(), before);
  EXPECT_TRUE(prompts_.select_offers.empty() && prompts_.remember_shown.empty());
}

}  // namespace
}  // namespace zr
