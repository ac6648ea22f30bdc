// The toolbar helper on hostile pages: huge and deeply nested pages,
// malformed markup, texts longer than a stored string holds, invalid UTF-8.
// Each gets a defined result, without a crash or a stall.
#include <gtest/gtest.h>

#include <string>

#include "forms/capture.h"
#include "tests/server/bar_helper_test_support.h"

namespace zr {
namespace {

using ZRBarHelperHostileTest = BarHelperTest;

constexpr char kSite[] = "https://login.example.net/";

std::string Repeat(std::string_view unit, size_t count) {
  std::string text;
  text.reserve(unit.size() * count);
  for (size_t i = 0; i < count; ++i) text += unit;
  return text;
}

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    unsigned char c = text[i];
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    uint32_t code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
      code = code << 6 | (text[i + k] & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
      return false;
    }
    i += length;
  }
  return true;
}

// Records the page's login with Yes ("Fill in automatically" ticked); the
// prompt's login name and password, or "<none>" when nothing was found.
std::pair<std::string, std::string> Record(ZRBarHelper& helper, ScriptedPrompts& prompts,
                                           HtmlPage& page) {
  prompts.remember_answers.push_back([](RememberPasswordData& data) {
    data.fill_automatically = true;
    return RememberAnswer::kYes;
  });
  long found = -1;
  EXPECT_EQ(helper.RecordPassword(kToolbarWindow, &page, &found), kS_OK);
  if (found != 1) {
    prompts.remember_answers.clear();
    return {"<none>", "<none>"};
  }
  const RememberPasswordData& shown = prompts.remember_shown.back();
  return {shown.login_name, shown.password};
}

TEST_F(ZRBarHelperHostileTest, PageWithTenThousandInputs) {
  for (bool all_filled : {false, true}) {
    SCOPED_TRACE(all_filled ? "all filled" : "login filled");
    NewUser();
    std::string html = "<title>Order</title><form name=order>";
    for (int i = 0; i < 10000; ++i) {
      html += "<input name=qty" + std::to_string(i) + (all_filled ? " value=1>" : ">");
      if (i == 5000) html += "<input type=email name=email>";
    }
    html += "<input name=user value=frank><input type=password name=pw value=pw></form>";
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, kSite);
    // A capture holds at most kMaxCapturedFields fields and the password.
    EXPECT_EQ(Record(*helper_, prompts_, *page),
              std::make_pair(std::string(all_filled ? "1" : "frank"), std::string("pw")));
    ASSERT_EQ(LoginsOnDisk()->GetAt(0)->FieldCount(), all_filled ? kMaxCapturedFields + 1 : 2);

    helper_->data().home.Value(ProfileField::kEmail) = "frank@home.example";
    std::unique_ptr<HtmlPage> fresh = HtmlPage::FromString(html, kSite);
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, fresh.get(), kHome, 1, 0), kS_OK);
    EXPECT_EQ(ValueOf(*fresh, 0, "email"), "frank@home.example");
    fresh = HtmlPage::FromString(html, kSite);
    Type(*fresh, 0, "pw", "");
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, fresh.get(), kPassword, 1, 1), kS_OK);
    EXPECT_EQ(ValueOf(*fresh, 0, "pw"), "pw");
  }
}

TEST_F(ZRBarHelperHostileTest, DeeplyNestedPages) {
  const std::string login =
      "<form name=login><input name=user value=grace><input type=password name=pw value=pw>"
      "</form>";
  const struct {
    const char* label;
    std::string html;
  } kCases[] = {
      {"login 200 levels down", Repeat("<div>", 200) + login + Repeat("</div>", 200)},
      {"login before 100,000 open levels", login + Repeat("<div><span>", 50000)},
      {"login before 20,000 nested tables", login + Repeat("<table><tr><td>", 20000)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    NewUser();
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(c.html, kSite);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Record(*helper_, prompts_, *page),
              std::make_pair(std::string("grace"), std::string("pw")));
    std::unique_ptr<HtmlPage> fresh = HtmlPage::FromString(c.html, kSite);
    Type(*fresh, 0, "user", "");
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, fresh.get(), kPassword, 0, 1), kS_OK);
    EXPECT_EQ(ValueOf(*fresh, 0, "user"), "grace");
  }
}

TEST_F(ZRBarHelperHostileTest, MalformedMarkupIsReadAsBrowsersRepairIt) {
  const struct {
    const char* label;
    const char* html;
    const char* name;
    const char* password;
  } kCases[] = {
      {"no closing tags, unquoted attributes",
       "<html><body><form name=login action=/x><table><tr><td>User<td><input name=user "
       "value=carol><tr><td>Pass<td><input type=password name=pw value=pw1></table>",
       "carol", "pw1"},
      {"entities and odd quoting",
       "<form name=\"x\"><input name=\"user\" value=\"a&quot;b&lt;c\" ><input type=\"PassWord\" "
       "name=pw value='q\"w'>",
       "a\"b<c", "q\"w"},
      {"forms only in a script and a comment",
       "<script>document.write('<form><input type=password name=a value=x></form>')</script>"
       "<!-- <form><input name=user value=u><input type=password value=y></form> -->",
       "<none>", "<none>"},
      {"stray end tags",
       "</form></td></tr></table></body><form><input name=user value=ivy>"
       "</p></div><input type=password name=pw value=pw4></form></form>",
       "ivy", "pw4"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    NewUser();
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(c.html, kSite);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Record(*helper_, prompts_, *page),
              std::make_pair(std::string(c.name), std::string(c.password)));
  }
}

TEST_F(ZRBarHelperHostileTest, TextsLongerThanAStoredStringAreCutAtACharacterBoundary) {
  const struct {
    const char* label;
    std::string name, value;
    size_t stored_name, stored_value;
  } kCases[] = {
      {"ASCII value", "user", Repeat("a", 5000), 4, 1024},
      {"3-byte characters", "user", Repeat("\xE2\x82\xAC", 1000), 4, 1023},
      {"2-byte characters after one byte", "user", "x" + Repeat("\xC3\xB1", 700), 4, 1023},
      {"4-byte characters after one byte", "user", "a" + Repeat("\xF0\x9F\x98\x80", 300), 4, 1021},
      {"long name", "user_" + Repeat("\xC3\xBC", 600), "henry", 1023, 5},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    NewUser();
    std::string html = "<meta charset=utf-8><title>Sign in</title><form name=login><input name=\"" +
                       c.name + "\"><input type=password name=pw></form>";
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, kSite);
    Type(*page, 0, c.name, c.value);
    Type(*page, 0, "pw", "pw");
    EXPECT_EQ(Record(*helper_, prompts_, *page).second, "pw");

    // The file reads back whole; the long text is a prefix cut between characters.
    std::unique_ptr<LoginStore> disk = LoginsOnDisk();
    ASSERT_EQ(disk->Count(), 1);
    const LoginRecord& stored = *disk->GetAt(0);
    EXPECT_EQ(stored.site(), "login.example.net");
    EXPECT_EQ(stored.description(), "Sign in");
    ASSERT_EQ(stored.FieldCount(), 2);
    const LoginField& field = stored.fields()[0];
    EXPECT_EQ(field.field_name, c.name.substr(0, c.stored_name));
    EXPECT_EQ(field.value, c.value.substr(0, c.stored_value));
    EXPECT_TRUE(IsValidUtf8(field.field_name) && IsValidUtf8(field.value));
    EXPECT_EQ(stored.GetPassword(), "pw");
  }
}

// A login whose value is cut when stored must still be known after a
// restart: otherwise every later submit offers it again, and each Yes adds
// another copy of the record.
TEST_F(ZRBarHelperHostileTest, LoginWithATextCutWhenStoredIsKnownAfterRestart) {
  const std::string value = Repeat("\xE2\x82\xAC", 1000);
  const std::string html = "<form name=login><input name=user><input type=password name=pw></form>";
  for (int submit = 0; submit < 2; ++submit) {
    SCOPED_TRACE(submit == 0 ? "first submit" : "after restart");
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, kSite);
    Type(*page, 0, "user", value);
    Type(*page, 0, "pw", "pw");
    prompts_.remember_answers.assign({AnswerYes});
    EXPECT_EQ(helper_->AutoRecord(kToolbarWindow, page->Document().get(), FormAt(*page, 0).get()),
              kS_OK);
    EXPECT_EQ(prompts_.remember_shown.size(), 1u);
    EXPECT_EQ(helper_->data().logins.Count(), 1);
    Restart();
  }
}

// A value longer than an input's maxlength (in UTF-16 units) keeps that many
// bytes of the code page, cut back to the last whole character.
TEST_F(ZRBarHelperHostileTest, MaxLengthCutsAtACharacterBoundary) {
  const struct {
    const char* value;
    int max_length;
    const char* expected;
  } kCases[] = {
      {"Z\xC3\xBCrich", 6, "Z\xC3\xBCrich"},  // 6 units, 7 bytes: fits
      {"Z\xC3\xBCrich", 3, "Z\xC3\xBC"},           {"Z\xC3\xBCrich", 2, "Z"},
      {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 3, ""}, {"abc", 0, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.max_length);
    helper_->data().home.Value(ProfileField::kCity) = c.value;
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(
        "<form><input name=city maxlength=" + std::to_string(c.max_length) + "></form>", kSite);
    EXPECT_EQ(helper_->FillInForm(kToolbarWindow, page.get(), kHome, 1, 0), kS_OK);
    EXPECT_EQ(ValueOf(*Reparsed(*page), 0, "city"), c.expected);
  }
}

TEST_F(ZRBarHelperHostileTest, InvalidUtf8OnThePageIsStoredAsValidText) {
  const std::string html =
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><title>T\xFF</title>"
      "<form name=\"log\xFEin\"><input name=\"us\xFE"
      "er\" value=\"ab\xFF"
      "cd\">"
      "<input type=password name=pw value=\"\xC3\x28z\"></form>";
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, "https://bad\xFF.example/log\xC0in");
  auto [name, password] = Record(*helper_, prompts_, *page);
  EXPECT_TRUE(name.starts_with("ab") && name.ends_with("cd") && IsValidUtf8(name)) << name;
  EXPECT_TRUE(password.ends_with("(z") && IsValidUtf8(password)) << password;

  std::unique_ptr<LoginStore> disk = LoginsOnDisk();
  ASSERT_EQ(disk->Count(), 1);
  const LoginRecord& stored = *disk->GetAt(0);
  EXPECT_TRUE(IsValidUtf8(stored.site()) && stored.site().starts_with("bad")) << stored.site();
  EXPECT_TRUE(IsValidUtf8(stored.description()));
  for (const LoginField& field : stored.fields()) {
    EXPECT_TRUE(IsValidUtf8(field.form_name) && IsValidUtf8(field.field_name) &&
                IsValidUtf8(field.value));
  }
  // What was stored fills the same page again.
  std::unique_ptr<HtmlPage> fresh = HtmlPage::FromString(html, "https://bad\xFF.example/log\xC0in");
  Type(*fresh, 0, "pw", "");
  EXPECT_EQ(helper_->FillInForm(kToolbarWindow, fresh.get(), kPassword, 1, 1), kS_OK);
  EXPECT_EQ(ValueOf(*fresh, 0, "pw"), password);
}

TEST_F(ZRBarHelperHostileTest, HugeNamesAndAddressesAreHandled) {
  helper_->data().home.Value(ProfileField::kEmail) = "kim@home.example";
  // Every "e" starts a match of "e.*mail" that only the end completes.
  const std::string huge_name = Repeat("e", 200000) + "mail";
  std::unique_ptr<HtmlPage> page =
      HtmlPage::FromString("<form><input name=\"" + huge_name + "\"></form>", kSite);
  EXPECT_EQ(helper_->FillInForm(kToolbarWindow, page.get(), kHome, 0, 0), kS_OK);
  EXPECT_EQ(ValueOf(*page, 0, huge_name), "kim@home.example");

  auto record = std::make_unique<LoginRecord>();
  record->set_site("example.net");
  record->AddField("user", "kim", "text");
  record->set_fill_automatically(0);  // the user must choose: FindPasswordByURL gives 1
  helper_->data().logins.AddOrMerge(std::move(record));
  for (const std::string& url : {kSite + Repeat("a/", 500000), Repeat("a", 1000000)}) {
    long result = -1;
    EXPECT_EQ(helper_->FindPasswordByURL(url, &result), kS_OK);
    EXPECT_EQ(result, url.starts_with(kSite) ? 1 : 0);
  }
}

}  // namespace
}  // namespace zr
