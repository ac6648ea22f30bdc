// Filling pages from login records and profiles, and choosing the login.
#include "forms/fill_in.h"

#include "engine_test_support.h"
#include "matcher/pattern_list.h"
#include "platform/atomic_file.h"

namespace zr {
namespace {

constexpr char kLoginPage[] = R"(<html><head><title>Sign in</title></head><body>
<form name="login" action="/s">
  <input type="text" name="user"><input type="password" name="pass">
  <input type="checkbox" name="remember"><input type="submit" name="go" value="Go">
</form></body></html>)";

using FillInTest = EngineTest;

TEST_F(FillInTest, RefusesWhatDoesNotQualify) {
  auto page = MakeTestPage(kLoginPage, "https://e.com/login");
  AddLogin("e.com", "ann", "secret");
  for (int type : {0, 4, 5, 6, 7}) {
    EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), type, true, true), Outcome::kNothing) << type;
  }
  EXPECT_EQ(FillInForm(data_, prompts_, 0, nullptr, 1, true, true), Outcome::kNothing);
  EXPECT_EQ(InputValue(*page, 0, "user"), "");

  // A page without a password input is not filled from logins, but from a profile.
  auto no_password = MakeTestPage(
      R"(<form><input name="user"><input name="email"></form>)", "https://e.com/");
  data_.home.Value(ProfileField::kEmail) = "ann@e.com";
  EXPECT_EQ(FillInForm(data_, prompts_, 0, no_password.get(), 1, true, true), Outcome::kDone);
  EXPECT_EQ(InputValue(*no_password, 0, "user"), "");
  EXPECT_EQ(FillInForm(data_, prompts_, 0, no_password.get(), 2, true, true), Outcome::kDone);
  EXPECT_EQ(InputValue(*no_password, 0, "email"), "ann@e.com");
}

TEST_F(FillInTest, AutomaticChoiceNeedsOneLongestAutomaticRecord) {
  struct Case {
    const char* name;
    std::vector<std::tuple<std::string, std::string, bool>> logins;  // site, user, automatic
    Outcome result;
    const char* filled;
  };
  const Case cases[] = {
      {"one automatic", {{"e.com", "ann", true}}, Outcome::kDone, "ann"},
      {"two automatic", {{"e.com", "ann", true}, {"www.e.com", "bob", true}}, Outcome::kNothing, ""},
      {"automatic but shorter", {{"e.com", "ann", true}, {"www.e.com", "bob", false}}, Outcome::kNothing,
       ""},
      {"automatic and longest", {{"e.com", "ann", false}, {"www.e.com", "bob", true}}, Outcome::kDone,
       "bob"},
      {"no automatic", {{"e.com", "ann", false}}, Outcome::kNothing, ""},
      {"site only in the query", {{"f.org", "ann", true}}, Outcome::kNothing, ""},
  };
  for (const Case& c : cases) {
    data_.logins = LoginStore();
    for (auto& [site, user, automatic] : c.logins) AddLogin(site, user, "pw", automatic);
    auto page = MakeTestPage(kLoginPage, "https://www.e.com/login?from=f.org");
    EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 1, false, true), c.result) << c.name;
    EXPECT_EQ(InputValue(*page, 0, "user"), c.filled) << c.name;
  }
  EXPECT_TRUE(prompts_.select_offers.empty()) << "automatic fill never asks";
}

TEST_F(FillInTest, ManualChoiceOffersLongestAndAutomaticRecords) {
  int short_manual = AddLogin("e.com", "a", "1", false);
  int short_auto = AddLogin("e.com", "b", "2", true);
  int longest = AddLogin("www.e.com", "c", "3", false);
  (void)short_manual;
  auto page = MakeTestPage(kLoginPage, "https://www.e.com/login");
  prompts_.selected_ids = {longest};
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 1, false, false), Outcome::kDone);
  ASSERT_EQ(prompts_.select_offers.size(), 1u);
  EXPECT_EQ(prompts_.select_offers[0], (std::vector<int>{short_auto, longest}));
  EXPECT_EQ(InputValue(*page, 0, "user"), "c");
  EXPECT_EQ(InputValue(*page, 0, "pass"), "3");

  // Even a single match asks; Cancel fills nothing.
  data_.logins = LoginStore();
  AddLogin("e.com", "solo", "x");
  auto fresh = MakeTestPage(kLoginPage, "https://e.com/");
  prompts_.selected_ids = {-1};
  EXPECT_EQ(FillInForm(data_, prompts_, 0, fresh.get(), 1, false, false), Outcome::kNothing);
  EXPECT_EQ(prompts_.select_offers.size(), 2u);
  EXPECT_EQ(InputValue(*fresh, 0, "user"), "");
}

TEST_F(FillInTest, ProtectedRecordNeedsTheMasterPasswordOnce) {
  data_.logins.set_master_password_text("Open");
  int id = AddLogin("e.com", "ann", "secret");
  data_.logins.FindById(id)->set_require_master_password(1);
  struct Case {
    std::optional<std::string> entry;
    Outcome result;
    const char* filled;
    size_t messages;
  };
  const Case cases[] = {
      {std::nullopt, Outcome::kNothing, "", 0}, {"open", Outcome::kNothing, "", 1}, {"Open", Outcome::kDone, "ann", 1}};
  for (const Case& c : cases) {
    auto page = MakeTestPage(kLoginPage, "https://e.com/");
    prompts_.master_passwords = {c.entry};
    EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 1, false, true), c.result);
    EXPECT_EQ(InputValue(*page, 0, "user"), c.filled);
    ASSERT_EQ(prompts_.messages.size(), c.messages);
  }
  EXPECT_EQ(prompts_.messages[0].text, "The password you entered is incorrect!");
  EXPECT_EQ(prompts_.messages[0].caption, "Error");
  EXPECT_EQ(prompts_.messages[0].icon, MessageIcon::kStop);
}

TEST_F(FillInTest, FormNamesDecideNameLookupAndPairFillCoversTheRest) {
  // Captured from a form named "login": fills a form named "LOGIN" by name.
  AddLogin("e.com", "ann", "pw1", true, "login");
  auto named = MakeTestPage(
      R"(<form name="LOGIN"><input name="User"><input type="password" name="PASS"></form>)",
      "https://e.com/");
  EXPECT_EQ(FillInForm(data_, prompts_, 0, named.get(), 1, false, true), Outcome::kDone);
  EXPECT_EQ(InputValue(*named, 0, "User"), "ann");
  EXPECT_EQ(InputValue(*named, 0, "PASS"), "pw1");

  // A form without a name gets nothing by name; the pair fill writes by position,
  // over existing text too.
  auto unnamed = MakeTestPage(
      R"(<form><input name="q" value="old"><input type="email" name="mail">
         <input type="password" name="p"></form>)",
      "https://e.com/");
  EXPECT_EQ(FillInForm(data_, prompts_, 0, unnamed.get(), 1, false, true), Outcome::kDone);
  EXPECT_EQ(InputValue(*unnamed, 0, "q"), "old");
  EXPECT_EQ(InputValue(*unnamed, 0, "mail"), "ann") << "the text input before the password";
  EXPECT_EQ(InputValue(*unnamed, 0, "p"), "pw1");
}

TEST_F(FillInTest, PairFillTakesTheCollectedFormNamesInTurn) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site("e.com");
  record->AddField("u1", "first", "text", "a");
  record->AddField("p1", "pw-a", "password", "a");
  record->AddField("u2", "second", "text", "b");
  record->AddField("p2", "pw-b", "password", "b");
  data_.logins.AddOrMerge(std::move(record));
  auto page = MakeTestPage(R"(
      <form name="x"><input name="n"><input type="password" name="p"></form>
      <form name="search"><input name="q"></form>
      <form name="y"><input name="n"><input type="password" name="p"></form>)",
                                   "https://e.com/");
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 1, false, true), Outcome::kDone);
  EXPECT_EQ(InputValue(*page, 0, "n"), "first");
  EXPECT_EQ(InputValue(*page, 0, "p"), "pw-a");
  EXPECT_EQ(InputValue(*page, 1, "q"), "");
  EXPECT_EQ(InputValue(*page, 2, "n"), "second");
  EXPECT_EQ(InputValue(*page, 2, "p"), "pw-b");
}

TEST_F(FillInTest, ProfileFillOfInputsTextAreasAndSelects) {
  data_.home.Value(ProfileField::kFirstName) = "Ann";
  data_.home.Value(ProfileField::kState) = "tx";
  data_.home.Value(ProfileField::kAddress) = "1 Long Road, Springfield";
  data_.home.Value(ProfileField::kZip) = "\xC3\xA9\xC3\xA9\xC3\xA9";  // three two-byte characters
  data_.home.Value(ProfileField::kCountry) = "Narnia";
  auto page = MakeTestPage(R"(<form>
      <input name="firstname" value="kept">
      <input name="zip" maxlength="2">
      <input name="address" maxlength="6">
      <textarea name="address2">old text</textarea>
      <select name="state"><option value="CA">California</option>
        <option value="TX">Texas</option></select>
      <select name="country"><option>France</option></select>
      <input type="hidden" name="city">
    </form>)",
                                   "https://shop.example/");
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 2, false, false), Outcome::kDone);
  EXPECT_EQ(InputValue(*page, 0, "firstname"), "kept") << "not forced";
  EXPECT_EQ(InputValue(*page, 0, "zip"), "\xC3\xA9") << "2 bytes of the value, a whole character";
  EXPECT_EQ(InputValue(*page, 0, "address"), "1 Long");
  std::string html = page->Serialize();
  EXPECT_NE(html.find("<textarea name=\"address2\">1 Long Road, Springfield</textarea>"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("<option value=\"TX\" selected>Texas</option>"), std::string::npos) << html;
  EXPECT_NE(html.find("<option>France</option>"), std::string::npos) << "no option matched";

  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 2, true, false), Outcome::kDone);
  EXPECT_EQ(InputValue(*page, 0, "firstname"), "Ann") << "forced";
}

TEST_F(FillInTest, FindPasswordByUrlAsksOnlyWhenAutomaticFillWouldNot) {
  EXPECT_EQ(FindPasswordByURL(data_.logins, "https://e.com/"), 0);
  AddLogin("e.com", "ann", "1", true);
  EXPECT_EQ(FindPasswordByURL(data_.logins, "https://e.com/"), 0) << "automatic choice";
  EXPECT_EQ(FindPasswordByURL(data_.logins, "https://x.org/?e.com"), 0)
      << "the query counts here, and the one record is automatic";
  AddLogin("www.e.com", "bob", "2", false);
  EXPECT_EQ(FindPasswordByURL(data_.logins, "https://www.e.com/"), 1);
  EXPECT_EQ(FindPasswordByURL(data_.logins, "https://mail.e.com/"), 0);
}

TEST_F(FillInTest, UpdateFormFieldsMergesSectionsIntoTheirProfiles) {
  std::string home_before;
  ASSERT_TRUE(ReadWholeFile(folder_ + "/FormHome.dat", home_before));
  UpdateFormFields(data_, R"(<work>
      <Field name="City" value="town;city"/>
      <field NAME = "zip" Value="pc"/>
      <Field name="FirstName" value="given"/>
      <Field name="Address1" value="line1"/>
      <Field name="Tel"/>
    </work><HOME>no closing tag)");
  EXPECT_EQ(data_.work.List(ProfileField::kCity), "city;town");
  EXPECT_EQ(data_.work.List(ProfileField::kZip), "pc;post.*;zip.*");
  EXPECT_EQ(data_.home.List(ProfileField::kFirstName), "f.*name;given") << "shared";
  EXPECT_EQ(data_.work.List(ProfileField::kTel), std::string(kTelPatterns));
  EXPECT_EQ(data_.home.List(ProfileField::kCity), std::string(kCityPatterns));
  std::string home_after;
  ASSERT_TRUE(ReadWholeFile(folder_ + "/FormHome.dat", home_after));
  EXPECT_EQ(home_after, home_before) << "no <HOME> section: not saved";
  DataSet reloaded;
  SharedNames().Reset();
  reloaded.Load(folder_);
  EXPECT_EQ(reloaded.work.List(ProfileField::kCity), "city;town");
}

}  // namespace
}  // namespace zr
