// Capturing logins from pages and what the remember prompt's answers do.
#include "forms/capture.h"

#include "engine_test_support.h"
#include "fake_page.h"
#include "platform/registry_store.h"

namespace zr {
namespace {

constexpr char kLoginPage[] = R"(<html><head><title>Example Mail</title></head><body>
<form name="search"><input name="q" value="weather"></form>
<form name="login">
  <input type="text" name="user" value="ann"><input type="password" name="pass" value="s3cret">
  <input type="hidden" name="token" value="abc"><input type="checkbox" name="keep" value="on">
</form></body></html>)";

// The document and its login form (the second), as the toolbar hands them over.
struct Submitted {
  std::unique_ptr<TestPage> page;
  std::unique_ptr<PageDocument> document;
  std::unique_ptr<PageForm> form;
};

Submitted Submit(const std::string& html, const std::string& url, int form_index = 1) {
  Submitted submitted;
  submitted.page = MakeTestPage(html, url);
  submitted.document = submitted.page->SubmittedDocument();
  submitted.form = submitted.page->SubmittedForm(form_index);
  return submitted;
}

using CaptureTest = EngineTest;

TEST_F(CaptureTest, CapturesFilledTextAndPasswordInputsOfMatchingForms) {
  auto page = MakeTestPage(kLoginPage, "https://mail.example.com/login?x=1");
  LoginRecord record;
  ASSERT_TRUE(CaptureLogin(*page->Document(), record, std::nullopt, false));
  EXPECT_EQ(record.site(), "https://mail.example.com/login");
  ASSERT_EQ(record.FieldCount(), 3) << "every form without a filter";
  EXPECT_EQ(record.FieldAt(0)->field_name, "q");
  EXPECT_EQ(record.FieldAt(0)->form_name, "search");
  EXPECT_EQ(record.FieldAt(2)->type, "password");

  LoginRecord filtered;
  ASSERT_TRUE(CaptureLogin(*page->Document(), filtered, std::string("LOGIN"), false));
  ASSERT_EQ(filtered.FieldCount(), 2) << "a form of another name is passed over";
  EXPECT_EQ(filtered.FieldAt(0)->form_name, "login");

  struct Case {
    const char* html;
    bool detected;
    bool captured;
    int fields;
  };
  const Case cases[] = {
      {R"(<form><input name="u" value="ann"><input type="password" name="p"></form>)", true, true,
       1},
      {R"(<form><input name="u" value="ann"></form>)", false, false, 1},
      {R"(<form><input type="password" name="p" value=""></form>)", true, false, 0},
      {R"(<form><input type="PassWord" name="p" value="x"><input type="email" name="e" value="a@b">
          <input type="radio" name="r" value="1"></form>)", true, true, 2},
      {R"(<iframe srcdoc="<form><input type=password name=p value=x></form>"></iframe>)", false,
       false, 0},
  };
  for (const Case& c : cases) {
    auto case_page = MakeTestPage(c.html, "https://e.com/");
    LoginRecord detect_record, capture_record;
    EXPECT_EQ(CaptureLogin(*case_page->Document(), detect_record, std::nullopt, true), c.detected)
        << c.html;
    EXPECT_EQ(CaptureLogin(*case_page->Document(), capture_record, std::nullopt, false),
              c.captured)
        << c.html;
    EXPECT_EQ(capture_record.FieldCount(), c.fields) << c.html;
  }
}

TEST_F(CaptureTest, AutoRecordOffersANewLoginAndStoresItOnYes) {
  Submitted submitted = Submit(kLoginPage, "https://www.mail.example.com/login?next=/");
  prompts_.remember_answers = {[](RememberPasswordData& data) {
    data.description = "My mail";
    data.fill_automatically = true;
    return RememberAnswer::kYes;
  }};
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, submitted.document.get(), submitted.form.get()),
            Outcome::kDone);
  ASSERT_EQ(prompts_.remember_shown.size(), 1u);
  const RememberPasswordData& shown = prompts_.remember_shown[0];
  EXPECT_EQ(shown.site, "mail.example.com");
  EXPECT_EQ(shown.description, "Example Mail") << "the page title";
  EXPECT_EQ(shown.login_name, "ann");
  EXPECT_EQ(shown.password, "s3cret");
  EXPECT_FALSE(shown.fill_automatically);

  DataSet reloaded;
  reloaded.Load(folder_);
  ASSERT_EQ(reloaded.logins.Count(), 1);
  const LoginRecord* stored = reloaded.logins.GetAt(0);
  EXPECT_EQ(stored->site(), "mail.example.com");
  EXPECT_EQ(stored->description(), "My mail");
  EXPECT_TRUE(stored->fill_automatically());
  EXPECT_EQ(stored->FieldCount(), 2);

  // The same login again: nothing is offered.
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, submitted.document.get(), submitted.form.get()),
            Outcome::kDone);
  EXPECT_EQ(prompts_.remember_shown.size(), 1u);
}

TEST_F(CaptureTest, ChangedPasswordReplacesTheStoredFieldsKeepingIdAndFlags) {
  int id = AddLogin("mail.example.com", "ann", "old", true, "login");
  data_.logins.FindById(id)->set_description("Mail");
  data_.logins.FindById(id)->set_require_master_password(1);
  data_.logins.FindById(id)->set_fill_automatically(0);
  Submitted submitted = Submit(kLoginPage, "https://mail.example.com/login");
  prompts_.remember_answers = {AnswerYes};
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, submitted.document.get(), submitted.form.get()),
            Outcome::kDone);
  ASSERT_EQ(prompts_.remember_shown.size(), 1u);
  EXPECT_EQ(prompts_.remember_shown[0].description, "Mail") << "the stored record's";
  ASSERT_EQ(data_.logins.Count(), 1);
  const LoginRecord* stored = data_.logins.GetAt(0);
  EXPECT_EQ(stored->id(), id);
  EXPECT_EQ(stored->GetPassword(), "s3cret");
  EXPECT_TRUE(stored->require_master_password());
  EXPECT_FALSE(stored->fill_automatically());
}

TEST_F(CaptureTest, RejectedSitesAndTheDontAskBoxes) {
  Submitted submitted = Submit(kLoginPage, "https://mail.example.com/login");
  prompts_.remember_answers = {[](RememberPasswordData& data) {
    data.site = "example.com";  // edited by the user
    data.never_this_site = true;
    return RememberAnswer::kNo;
  }};
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, submitted.document.get(), submitted.form.get()),
            Outcome::kDone);
  EXPECT_EQ(data_.logins.Count(), 0);
  EXPECT_EQ(data_.rejected.sites(), std::vector<std::string>{"example.com"});
  RejectedSites on_disk;
  ASSERT_TRUE(on_disk.Load(folder_ + "/Rejected.dat"));
  EXPECT_EQ(on_disk.sites(), data_.rejected.sites());

  // A rejected site is not offered by AutoRecord, but RecordPassword still asks.
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, submitted.document.get(), submitted.form.get()),
            Outcome::kNothing);
  EXPECT_EQ(prompts_.remember_shown.size(), 1u);
  prompts_.remember_answers = {[](RememberPasswordData& data) {
    data.never_any_site = true;
    return RememberAnswer::kNo;
  }};
  long found = -5;
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, submitted.page.get(), &found), Outcome::kDone);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(data_.auto_login_record, 0u);
  EXPECT_EQ(ReadAutoLoginRecord(), 0u) << "written to the registry store";
}

TEST_F(CaptureTest, WhatIsNotCapturedOrNotOffered) {
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, nullptr, nullptr), Outcome::kNothing);
  long found = -5;
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, nullptr, &found), Outcome::kNothing);
  EXPECT_EQ(found, -5);

  auto no_password = MakeTestPage(R"(<form><input name="u" value="ann"></form>)",
                                          "https://e.com/");
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, no_password.get(), &found), Outcome::kDone);
  EXPECT_EQ(found, 0);

  // Only a password, and a stored record of the site holds exactly that password.
  AddLogin("e.com", "ann", "pin");
  Submitted only_password = Submit(
      R"(<form name="f"><input type="password" name="pin" value="pin"></form>)", "https://e.com/x",
      0);
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, only_password.document.get(), only_password.form.get()),
            Outcome::kDone);
  EXPECT_TRUE(prompts_.remember_shown.empty());
}

TEST_F(CaptureTest, AutoRecordFindsItsFormWhateverTheFormName) {
  // The filter is cut like the captured form names, so a name past the stored
  // length or holding a NUL still selects its own form.
  const std::string names[] = {std::string(1100, 'n'), std::string("lo\0gin", 6)};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    FakeInput user("text", "user", "ann"), pass("password", "pass", "pw");
    FakeForm form;
    form.name = name;
    form.inputs.items = {&user, &pass};
    FakeDocument document;
    document.url = "https://e.com/login";
    document.forms.items = {&form};
    prompts_.remember_answers = {AnswerNo};
    prompts_.remember_shown.clear();
    EXPECT_EQ(AutoRecord(data_, prompts_, 0, &document, &form), Outcome::kDone);
    EXPECT_EQ(prompts_.remember_shown.size(), 1u);
  }
}

TEST_F(CaptureTest, LongValuesAreStoredCutAtACharacterBoundary) {
  std::string long_value;
  while (long_value.size() < 1023) long_value += "a";
  long_value += "\xE2\x82\xAC\xE2\x82\xAC";  // two three-byte characters over the 1024 mark
  std::string html = "<form><input name=\"user\" value=\"" + long_value +
                     "\"><input type=\"password\" name=\"p\" value=\"x\"></form>";
  auto page = MakeTestPage(html, "https://e.com/");
  prompts_.remember_answers = {AnswerYes};
  long found = 0;
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, page.get(), &found), Outcome::kDone);
  DataSet reloaded;
  reloaded.Load(folder_);
  ASSERT_EQ(reloaded.logins.Count(), 1);
  EXPECT_EQ(reloaded.logins.GetAt(0)->FieldAt(0)->value, std::string(1023, 'a'));
  EXPECT_EQ(reloaded.logins.GetAt(0)->GetPassword(), "x") << "the file goes on after the cut";
}

}  // namespace
}  // namespace zr
