// Filling pages from login records and profiles, and choosing the login.
#include "engine_test_support.h"
#include "matcher/pattern_list.h"

namespace zr {
namespace {

constexpr char kLoginPage[] = R"(<form name="login"><input type="text" name="user">
  <input type="password" name="pass"><input type="checkbox" name="remember"></form>)";

using FillInTest = EngineTest;

// A page without a password input is not filled from logins, but from a profile.
TEST_F(FillInTest, RefusesWhatDoesNotQualify) {
  auto page = MakeTestPage(kLoginPage);
  auto no_password = MakeTestPage(R"(<form><input name="user"><input name="email">)");
  AddLogin("e.com", "ann", "secret");
  data_.home.Value(ProfileField::kEmail) = "ann@e.com";
  for (int type : {0, 4, 5, 6}) EXPECT_EQ(Fill(page.get(), type, true), Outcome::kNothing);
  EXPECT_EQ(Fill(nullptr, 1, true), Outcome::kNothing);
  for (int type : {1, 2}) EXPECT_EQ(Fill(no_password.get(), type, true), Outcome::kDone);
  EXPECT_EQ(Values(*page, {{0, "user"}}) + Values(*no_password, {{0, "user"}, {0, "email"}}),
            ",ann@e.com");
}

// The name step of a two-step login gets the login name; a page with a password input elsewhere
// or a second text input does not.
TEST_F(FillInTest, ANameStepGetsTheLoginNameOfTheChosenLogin) {
  const struct {
    const char* html;
    Outcome outcome;
    const char* user;
  } cases[] = {
      {R"(<form><input type="hidden" name="t"><input name="user"><input type="submit"></form>)",
       Outcome::kDone, "ann"},
      {R"(<form><input name="user"></form><form><input name="q"></form>)", Outcome::kDone, ""},
      {R"(<form><input name="user"><input name="q"></form>)", Outcome::kDone, ""},
      {R"(<form><input name="user"></form><form><input type="password" name="p"></form>)",
       Outcome::kDone, "ann"},
  };
  AddLogin("e.com", "ann", "secret");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.html);
    auto page = MakeTestPage(c.html);
    EXPECT_EQ(Fill(page.get()), c.outcome);
    EXPECT_EQ(Values(*page, {{0, "user"}}), c.user);
  }
  data_.logins = LoginStore();
  auto page = MakeTestPage(R"(<form><input name="user"></form>)");
  EXPECT_EQ(Fill(page.get()), Outcome::kNothing) << "no login fits";
}

TEST_F(FillInTest, AutomaticChoiceNeedsOneLongestAutomaticRecord) {
  const struct {
    const char* name;
    std::vector<std::tuple<std::string, std::string, bool>> logins;  // site, user, automatic
    const char* filled;
    long asks;  // FindPasswordByURL: the user must choose
  } cases[] = {
      {"one automatic", {{"e.com", "ann", true}}, "ann", 0},
      {"two automatic", {{"e.com", "ann", true}, {"www.e.com", "bob", true}}, "", 1},
      {"automatic but shorter", {{"e.com", "ann", true}, {"www.e.com", "bob", false}}, "", 1},
      {"automatic and longest", {{"e.com", "ann", false}, {"www.e.com", "bob", true}}, "bob", 0},
      {"no automatic", {{"e.com", "ann", false}}, "", 1},
      {"site only in the query", {{"f.org", "ann", true}}, "", 0},
  };
  const std::string url = "https://www.e.com/login?from=f.org";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    data_.logins = LoginStore();
    for (auto& [site, user, automatic] : c.logins) AddLogin(site, user, "pw", automatic);
    auto page = MakeTestPage(kLoginPage, url);
    EXPECT_EQ(Fill(page.get()), *c.filled ? Outcome::kDone : Outcome::kNothing);
    EXPECT_EQ(Values(*page, {{0, "user"}}), c.filled);
    EXPECT_EQ(FindPasswordByURL(data_.logins, url), c.asks);
  }
  EXPECT_TRUE(prompts_.select_offers.empty()) << "automatic fill never asks";
}

// Cancel in the choice fills nothing.
TEST_F(FillInTest, ManualChoiceOffersLongestAndAutomaticRecords) {
  AddLogin("e.com", "a", "1", false);
  int short_auto = AddLogin("e.com", "b", "2", true),
      longest = AddLogin("www.e.com", "c", "3", false);
  auto page = MakeTestPage(kLoginPage, "https://www.e.com/login");
  auto fresh = MakeTestPage(kLoginPage, "https://www.e.com/");
  prompts_.selected_ids = {longest, -1};
  EXPECT_EQ(Fill(page.get(), 1, false, false), Outcome::kDone);
  EXPECT_EQ(prompts_.select_offers, (std::vector<std::vector<int>>{{short_auto, longest}}));
  EXPECT_EQ(Fill(fresh.get(), 1, false, false), Outcome::kNothing);
  EXPECT_EQ(Values(*page, {{0, "user"}, {0, "pass"}}) + Values(*fresh, {{0, "user"}}), "c,3");
}

TEST_F(FillInTest, ProtectedRecordNeedsTheMasterPassword) {
  data_.logins.set_master_password_text("Open");
  data_.logins.FindById(AddLogin("e.com", "ann", "secret"))->set_require_master_password(1);
  const std::tuple<std::optional<std::string>, const char*, size_t> cases[] = {
      {std::nullopt, "", 0}, {"open", "", 1}, {"Open", "ann", 1}};
  for (const auto& [entry, filled, messages] : cases) {
    auto page = MakeTestPage(kLoginPage);
    prompts_.master_passwords = {entry};
    EXPECT_EQ(Fill(page.get()), *filled ? Outcome::kDone : Outcome::kNothing);
    EXPECT_EQ(Values(*page, {{0, "user"}}), filled);
    ASSERT_EQ(prompts_.messages.size(), messages);
  }
  EXPECT_EQ(prompts_.messages[0].text, "The password you entered is incorrect!");
}

// Fields of form "login" fill "LOGIN" by name; an unnamed form gets the pair fill by position
// (over existing text too); fields of several forms take the password forms in turn.
TEST_F(FillInTest, FormNamesDecideNameLookupAndPairFillCoversTheRest) {
  AddLogin("e.com", "ann", "pw1", true, "login");
  auto named = MakeTestPage(R"(<form name="LOGIN"><input name="User"><input type=password
      name="PASS"></form>)");
  auto unnamed = MakeTestPage(R"(<form><input name="q" value="old"><input type="email" name="m">
      <input type="password" name="p"><input name="after"></form>)");
  EXPECT_TRUE(Fill(named.get()) == Outcome::kDone && Fill(unnamed.get()) == Outcome::kDone);
  EXPECT_EQ(Values(*named, {{0, "User"}, {0, "PASS"}}) + "," +
                Values(*unnamed, {{0, "q"}, {0, "m"}, {0, "p"}, {0, "after"}}),
            "ann,pw1,old,ann,pw1,");
  data_.logins = LoginStore();
  LoginRecord* record = data_.logins.FindById(AddLogin("e.com", "first", "pw-a", true, "a"));
  record->AddField("u2", "second", "text", "b"), record->AddField("p2", "pw-b", "password", "b");
  auto page = MakeTestPage(R"(<form name="x"><input name="n"><input type="password" name="p"></form>
      <form name="search"><input name="q"></form>
      <form name="y"><input name="n"><input type="password" name="p"></form>)");
  EXPECT_EQ(Fill(page.get()), Outcome::kDone);
  EXPECT_EQ(Values(*page, {{0, "n"}, {0, "p"}, {1, "q"}, {2, "n"}, {2, "p"}}),
            "first,pw-a,,second,pw-b");
}

TEST_F(FillInTest, UpdateFormFieldsMergesSectionsIntoTheirProfiles) {
  constexpr char kText[] = R"(<work><Field name="City" value="town;city"/><field NAME = "zip"
      Value="pc"/><Field name="FirstName" value="given"/><Field name="Tel"/></work><HOME>no end)";
  EXPECT_EQ(UpdateFormFields(data_, kText), Outcome::kDone);
  EXPECT_EQ(data_.work.List(ProfileField::kZip), "pc;post.*;zip.*");
  EXPECT_EQ(data_.home.List(ProfileField::kFirstName), "f.*name;given") << "shared";
  EXPECT_EQ(data_.work.List(ProfileField::kTel), std::string(kTelPatterns));
  SharedNames().Reset();
  EXPECT_EQ(Reload()->work.List(ProfileField::kCity), "city;town");
}

// Not forced; the zip cut to 3 bytes, back to a whole character; only text and password inputs;
// a select without a matching option is left alone.
TEST_F(FillInTest, ProfileFillOfInputsTextAreasAndSelects) {
  for (const auto& [field, value] : {std::pair{ProfileField::kFirstName, "Ann"},
                                     {ProfileField::kState, "tx"},
                                     {ProfileField::kAddress, "1 Long Road"},
                                     {ProfileField::kCountry, "Narnia"},
                                     {ProfileField::kZip, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
                                     {ProfileField::kLastName, "Smith"}})
    data_.home.Value(field) = value;
  auto page = MakeTestPage(R"(<form><input name="firstname" value="kept">
      <input name="zip" maxlength="3"><input name="address" maxlength="6">
      <textarea name="address2">old text</textarea>
      <select name="state"><option value="CA">California</option><option value="TX">Texas</option>
      </select><select name="country"><option>France</option></select>
      <input type="hidden" name="city"><input type="checkbox" name="lastname"></form>)");
  EXPECT_EQ(Fill(page.get(), 2, false, false), Outcome::kDone);
  EXPECT_EQ(Values(*page, {{0, "firstname"}, {0, "zip"}, {0, "address"}, {0, "lastname"}}),
            "kept,\xC3\xA9,1 Long,");
  const std::string html = page->Serialize();
  for (const char* part :
       {"<textarea name=\"address2\">1 Long Road</textarea>",
        "<option value=\"TX\" selected>Texas</option>", "<option>France</option>"})
    EXPECT_NE(html.find(part), std::string::npos) << part << "\n" << html;
  EXPECT_EQ(Fill(page.get(), 2, true, false), Outcome::kDone);
  EXPECT_EQ(Values(*page, {{0, "firstname"}}), "Ann") << "forced";
}

}  // namespace
}  // namespace zr
