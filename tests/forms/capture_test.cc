// Capturing logins and what the remember prompt's answers do: rejected sites, bounds, cut texts.
#include "engine_test_support.h"
#include "platform/registry_store.h"

namespace zr {
namespace {

constexpr char kLoginPage[] = R"(<title>Example Mail</title>
<form name="search"><input name="q" value="weather"></form><form name="login">
  <input type="text" name="user" value="ann"><input type="password" name="pass" value="s3cret">
  <input type="hidden" name="token" value="abc"><input type="checkbox" name="keep" value="on">
</form>)";

using CaptureTest = EngineTest;

// CaptureLogin's result and the captured fields, as "1 form.field ...".
std::string Capture(PageBrowser& page, FormName filter = std::nullopt, bool detect = false) {
  LoginRecord record;
  std::string out = CaptureLogin(*page.Document(), record, filter, detect) ? "1" : "0";
  for (const LoginField& field : record.fields())
    out += " " + field.form_name + "." + field.field_name;
  return out;
}

// Detecting keeps nothing; without a filter every form is captured.
TEST_F(CaptureTest, CapturesFilledTextAndPasswordInputsOfMatchingForms) {
  auto page = MakeTestPage(kLoginPage, "https://mail.example.com/login?x=1");
  LoginRecord all;
  ASSERT_TRUE(CaptureLogin(*page->Document(), all, std::nullopt, false));
  EXPECT_EQ(all.site(), "https://mail.example.com/login");
  EXPECT_EQ(Capture(*page), "1 search.q login.user login.pass");
  EXPECT_EQ(Capture(*page, "LOGIN"), "1 login.user login.pass");
  const std::tuple<const char*, const char*, const char*> cases[] = {
      // html, detected, captured
      {R"(<input name="u" value="ann"><input type="password" name="p">)", "1", "1 .u"},
      {R"(<input name="u" value="ann">)", "0", "0 .u"},
      {R"(<input type="password" name="p" value="">)", "1", "0"},
      {R"(<input type="PassWord" name="p" value="x"><input type="email" name="e" value="a@b">
          <input type="radio" name="r" value="1">)",
       "1", "1 .p .e"},
  };
  for (const auto& [html, detected, captured] : cases) {
    auto case_page = MakeTestPage(std::string("<form>") + html + "</form>");
    EXPECT_EQ(Capture(*case_page, std::nullopt, true), detected) << html;
    EXPECT_EQ(Capture(*case_page), captured) << html;
  }
}

// The same login is not offered again; a changed password keeps id, description and flags.
TEST_F(CaptureTest, AutoRecordOffersNewOrChangedLoginsAndStoresThemOnYes) {
  auto page = MakeTestPage(kLoginPage, "https://www.mail.example.com/login?next=/");
  prompts_.remember_answers = {[](RememberPasswordData& data) {
    data.description = "My mail", data.fill_automatically = true;
    return RememberAnswer::kYes;
  }};
  EXPECT_EQ(Record(*page, 1), Outcome::kDone);
  ASSERT_EQ(prompts_.remember_shown.size(), 1u);
  const RememberPasswordData& shown = prompts_.remember_shown[0];
  EXPECT_EQ(shown.site + "|" + shown.description + "|" + shown.login_name + "|" + shown.password,
            "mail.example.com|Example Mail|ann|s3cret");
  auto reloaded = Reload();
  ASSERT_EQ(reloaded->logins.Count(), 1);
  const LoginRecord* stored = reloaded->logins.GetAt(0);
  EXPECT_TRUE(stored->description() == "My mail" && stored->fill_automatically() &&
              stored->FieldCount() == 2);
  EXPECT_EQ(Record(*page, 1), Outcome::kDone);
  LoginRecord* changed = data_.logins.GetAt(0);
  changed->set_require_master_password(1), changed->fields()[1].value = "old";
  const int id = changed->id();
  prompts_.remember_answers = {AnswerYes};
  EXPECT_EQ(Record(*page, 1), Outcome::kDone);
  EXPECT_EQ(prompts_.remember_shown.back().description, "My mail") << "the stored record's";
  ASSERT_EQ(data_.logins.Count(), 1);
  changed = data_.logins.GetAt(0);
  EXPECT_TRUE(changed->id() == id && changed->require_master_password() &&
              changed->GetPassword() == "s3cret");
}

// Not offered: only a password, and a stored record of the site holds exactly that password.
TEST_F(CaptureTest, WhatIsNotCapturedOrNotOffered) {
  long found = -5;
  EXPECT_EQ(AutoRecord(data_, prompts_, 0, nullptr, nullptr), Outcome::kNothing);
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, nullptr, &found), Outcome::kNothing);
  EXPECT_EQ(found, -5);
  auto no_password = MakeTestPage(R"(<form><input name="u" value="ann"></form>)");
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, no_password.get(), &found), Outcome::kDone);
  EXPECT_EQ(found, 0);
  AddLogin("e.com", "ann", "pin");
  auto page = MakeTestPage(R"(<form name="f"><input type="password" name="pin" value="pin">)");
  EXPECT_EQ(Record(*page, 0), Outcome::kDone);
  EXPECT_TRUE(prompts_.remember_shown.empty());
}

TEST_F(CaptureTest, AutoRecordFindsItsFormWhateverTheFormNameLength) {
  for (size_t length : {1100, 3000}) {
    auto page = MakeTestPage("<form name=" + std::string(length, 'n') +
                             "><input name=u value=ann><input type=password name=p value=pw>");
    prompts_.remember_answers = {AnswerNo};
    EXPECT_EQ(Record(*page, 0), Outcome::kDone);
    EXPECT_TRUE(prompts_.remember_answers.empty()) << length;
  }
}

// The edited site is rejected: AutoRecord no longer offers it, RecordPassword still asks.
TEST_F(CaptureTest, RejectedSitesAndTheDontAskBoxes) {
  auto page = MakeTestPage(kLoginPage, "https://mail.example.com/login");
  prompts_.remember_answers = {[](RememberPasswordData& data) {
    data.site = "example.com", data.never_this_site = true;
    return RememberAnswer::kNo;
  }};
  EXPECT_EQ(Record(*page, 1), Outcome::kDone);
  EXPECT_EQ(data_.logins.Count(), 0);
  EXPECT_EQ(Reload()->rejected.sites(), std::vector<std::string>{"example.com"});
  EXPECT_EQ(Record(*page, 1), Outcome::kNothing);
  prompts_.remember_answers = {
      [](RememberPasswordData& data) { return data.never_any_site = true, RememberAnswer::kNo; }};
  long found = -5;
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, page.get(), &found), Outcome::kDone);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(ReadAutoLoginRecord(), 0u) << "written to the registry store";
}

// A value cut at a character boundary; of 500 inputs a capture keeps the first kMaxCapturedFields
// and a password.
TEST_F(CaptureTest, LongValuesAreStoredCutAtACharacterBoundaryAndInputsAreBounded) {
  const std::string value = std::string(1023, 'a') + "\xE2\x82\xAC\xE2\x82\xAC";
  auto page = MakeTestPage("<form><input name=user value=\"" + value +
                           "\"><input type=password name=p value=x></form>");
  prompts_.remember_answers = {AnswerYes};
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, page.get(), nullptr), Outcome::kDone);
  auto reloaded = Reload();
  ASSERT_EQ(reloaded->logins.Count(), 1);
  EXPECT_EQ(reloaded->logins.GetAt(0)->FieldAt(0)->value, std::string(1023, 'a'));
  EXPECT_EQ(reloaded->logins.GetAt(0)->GetPassword(), "x") << "the file goes on after the cut";
  std::string html = "<form>";
  for (int i = 0; i < 500; ++i)
    html += i == 2 || i == 499 ? "<input type=password name=p" + std::to_string(i) + " value=pw>"
                               : "<input name=f" + std::to_string(i) + " value=v>";
  auto many = MakeTestPage(html + "</form>");
  EXPECT_EQ(Capture(*many, std::nullopt, true), "1");
  LoginRecord record;
  ASSERT_TRUE(CaptureLogin(*many->Document(), record, std::nullopt, false));
  EXPECT_EQ(record.FieldCount(), kMaxCapturedFields);
  EXPECT_EQ(record.GetPassword().value_or("") + record.FieldAt(0)->field_name, "pwf0");
}

}  // namespace
}  // namespace zr
