// Login import and export as CSV: each format's tricky values, unreadable files, bad rows, the
// same-login rule, the plan, running out of memory halfway, the round trip through an export.
#include "store/login_import.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "store/login_export.h"
#include "store/login_store.h"
#include "test_folder.h"
#include "tests/support/failing_new.h"

namespace zr {
namespace {

using namespace std::string_literals;

// One record as "site|description|user|password|fill,master|other fields".
std::string Show(const LoginRecord& record) {
  std::string text =
      record.site() + "|" + record.description() + "|" + record.GetLoginName().value_or("-") + "|" +
      record.GetPassword().value_or("-") + "|" + std::to_string(record.fill_automatically_flag()) +
      "," + std::to_string(record.require_master_password_flag()) + "|";
  for (const LoginField& field : record.fields()) {
    if (field.field_name != kImportedUserField && field.field_name != kImportedPasswordField)
      text += field.field_name + "=" + field.value + ";";
  }
  return text;
}

std::vector<std::string> Shown(LoginStore& store) {
  std::vector<std::string> shown;
  store.ForEach([&](LoginRecord& record) { shown.push_back(Show(record)); });
  return shown;
}

// Imports text into store; the summary, or "error: ..." when it was not read.
std::string Import(LoginStore& store, std::string_view text, bool update = false,
                   std::optional<CsvFormat> format = std::nullopt) {
  LoginImport import;
  if (!import.Read(text, format)) return "error: " + import.error();
  import.Apply(store, update);
  return import.Summary();
}

TEST(LoginImportTest, ReadsEachFormatWithItsTrickyValues) {
  using F = CsvFormat;
  const struct {
    F format;
    std::string text, record;
  } cases[] = {
      // Quotes, commas, a query.
      {F::kChromium,
       "name,url,username,password,note\n"
       "Mail,https://mail.example.com/login?a=1,ann,\"p,w\"\"1\",\"a note\"\n",
       "mail.example.com|Mail|ann|p,w\"1|1,0|"},
      // All quoted, CRLF, a line break in a password, no name.
      {F::kFirefox,
       "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\","
       "\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\r\n"
       "\"https://www.shop.example.org\",\"bob\",\"two\r\nlines\",\"\",\"\",\"{1}\",\"1\",\"1\","
       "\"1\"\r\n",
       "shop.example.org|www.shop.example.org|bob|two\r\nlines|1,0|"},
      // Reprompt, custom fields, a note passed over, two urls.
      {F::kBitwarden,
       "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,"
       "login_password,login_totp\n,,note,Memo,secret text,,0,,,,\n"
       "Work,1,login,Bank,,\"PIN: 1234\nRegion: eu\",1,\"https://bank.example/a,https://"
       "other.example\",carol,pw,\n",
       "bank.example|Bank|carol|pw|1,1|PIN=1234;Region=eu;"},
      // The older six columns, semicolons, CR only, a url without a scheme, blank lines.
      {F::kKeePassXC,
       "\"Group\";\"Title\";\"Username\";\"Password\";\"URL\";\"Notes\"\r\r"
       "\"Root\";\"Intranet\";\"dave\";\" spaced \";\"intranet.example.com:8443/app\";\"\"\r",
       "intranet.example.com:8443|Intranet|dave| spaced |1,0|"},
      // A secure note passed over.
      {F::kLastPass,
       "url,username,password,totp,extra,name,grouping,fav\nhttp://sn,,,,note text,Note,Notes,0\n"
       "HTTPS://Forum.Example.NET/,erin,pw2,,,Forum,,0\n",
       "Forum.Example.NET|Forum|erin|pw2|1,0|"},
      // A BOM, tabs, non-ASCII.
      {F::kOnePassword,
       "\xEF\xBB\xBFTitle\tUrl\tUsername\tPassword\tOTPAuth\tFavorite\tArchived\tTags\tNotes\n"
       "B\u00FCcher\thttps://b\u00FCcher.example/\tj\u00FCrgen\tp\u00E4ss\t\t\t\t\t\n",
       "b\u00FCcher.example|B\u00FCcher|j\u00FCrgen|p\u00E4ss|1,0|"},
      // Aliases, spaces and case in the header.
      {F::kGeneric, " Website ; LOGIN ;Password\nhttp://10.0.0.1/x;root;toor\n",
       "10.0.0.1|10.0.0.1|root|toor|1,0|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(CsvFormatName(c.format));
    LoginStore store;
    LoginImport import;
    ASSERT_TRUE(import.Read(c.text)) << import.error();
    EXPECT_EQ(import.format(), c.format);
    import.Apply(store, false);
    EXPECT_EQ(Shown(store), std::vector<std::string>{c.record});
    EXPECT_EQ(import.skipped(), 0) << import.Summary();
  }
}

TEST(LoginImportTest, AFileThatCannotBeReadWholeImportsNothingAndNamesTheLine) {
  const std::string h = "url,username,password\n";
  std::string many = h;
  for (size_t i = 0; i <= kMaxImportRows; ++i)
    many += "https://e.com,u" + std::to_string(i) + ",p\n";
  const struct {
    std::string text;
    std::string error;  // the start of the message
    std::optional<CsvFormat> format = {};
  } cases[] = {
      {h + "https://e.com,J\xFCrgen,p\n", "line 2 is not UTF-8 text (export the file as UTF-8)"},
      {h + "\nhttps://e.com,a\0b,p\n"s, "line 3 holds a NUL"},
      {h + "https://e.com,ann,p\nhttps://f.com,\"bob,p\n\n", "line 3 starts a quoted value that"},
      {h + "https://e.com,an\"n,p\n", "line 2 has a quote inside a value"},
      {"\n\nsite,password\n", "line 3: the header has the columns site, password; a file of"},
      {h,
       "line 1: the header has the columns url, username, password; a bitwarden file needs type, "
       "name, login_uri, login_username and login_password",
       CsvFormat::kBitwarden},
      {"\xEF\xBB\xBF\r\n", "the file is empty"},
      {many, "the file has more than 100000 rows"},
  };
  for (const auto& c : cases) {
    LoginStore store;
    EXPECT_EQ(Import(store, c.text, false, c.format).rfind("error: " + c.error, 0), 0u) << c.error;
    EXPECT_EQ(store.Count(), 0) << c.error;
  }
}

TEST(LoginImportTest, BadRowsAreListedWithoutTheirPasswordAndGoodOnesStillCome) {
  LoginStore store;
  std::string summary = Import(store,
                               "name,url,username,password,note\n"
                               "A,https://a.example,alice,,\n"
                               "\n"
                               "B,,bob,secret-b,\n"
                               "C,android://app.example,carl,secret-c,\n"
                               "D,https://d.example,\"dan\nny\",secret-d,,extra\n"
                               "E,https://e.example,eve,ok-e,\n"
                               ",https://,fay,secret-f,\n");
  EXPECT_EQ(summary,
            "6 logins: 1 new, 0 already stored, 0 with another password, 5 rows skipped\n"
            "Read as a chromium file.\n"
            "Skipped:\n"
            "row 1 (line 2): password is empty, url https://a.example, user alice\n"
            "row 2 (line 4): url is empty, user bob\n"
            "row 3 (line 5): url is not a web address (http or https), url android://app.example, "
            "user carl\n"
            "row 4 (line 6): has 6 values, the header 5, url https://d.example, user dan\\nny\n"
            "row 6 (line 9): url has no host, url https://, user fay\n");
  EXPECT_EQ(summary.find("secret"), std::string::npos);
  EXPECT_EQ(Shown(store), std::vector<std::string>{"e.example|E|eve|ok-e|1,0|"});
}

// The same login twice in one file is one login; a replaced password keeps the record's flags.
TEST(LoginImportTest, StoredLoginsAreNotAddedAgainAndPasswordsChangeOnlyWhenAsked) {
  LoginStore store;
  EXPECT_EQ(Import(store,
                   "url,username,password\nhttps://www.e.com/,ann,one\n"
                   "https://f.org/,ann,two\nhttps://f.org/,ann,two\n"),
            "3 logins: 2 new, 1 already stored, 0 with another password, 0 rows skipped\n"
            "Read as a generic file.\n");
  store.GetAt(0)->set_fill_automatically(0);
  const std::string changed = "url,username,password\nhttps://www.e.com/x,ann,ONE\n";
  EXPECT_NE(Import(store, changed).find("Their stored passwords were kept"), std::string::npos);
  EXPECT_NE(Import(store, changed, true).find("passwords of 1 login were replaced"),
            std::string::npos);
  EXPECT_EQ(Show(*store.GetAt(0)), "www.e.com|www.e.com|ann|ONE|0,0|");
}

// Stored: a.example ann "one". The plan changes nothing and says what Apply
// then does; a later row of the file is compared with an earlier one.
const struct PlanCase {
  std::string rows;
  bool update;
  std::string plan;                 // its first line, from the count of new on
  std::vector<std::string> stored;  // site|user|password after Apply
} kPlanCases[] = {
    {"https://a.example,ann,one\nhttps://b.example,bob,two\n",
     false,
     "1 new, 1 already stored, 0 with another password",
     {"a.example|ann|one", "b.example|bob|two"}},
    {"https://a.example,ann,NEW\nhttps://c.example,cy,3\nhttps://c.example/x,cy,4\n",
     true,
     "1 new, 0 already stored, 2 with another password",
     {"a.example|ann|NEW", "c.example|cy|4"}},
    {"https://a.example,ann,NEW\nhttps://c.example,cy,3\nhttps://c.example/x,cy,4\n",
     false,
     "1 new, 0 already stored, 2 with another password",
     {"a.example|ann|one", "c.example|cy|3"}},
    {"https://d.example,d1,1\nhttps://d.example,d2,2\nhttps://e.example,ann,one\n"
     "https://f.example,f,3\nhttps://a.example,ann,one\n",
     true,
     "4 new, 1 already stored, 0 with another password",
     {"a.example|ann|one", "d.example|d1|1", "d.example|d2|2", "e.example|ann|one",
      "f.example|f|3"}},
};

std::vector<std::string> Logins(LoginStore& store) {
  std::vector<std::string> shown;
  store.ForEach([&](LoginRecord& record) {
    shown.push_back(record.site() + "|" + record.GetLoginName().value_or("-") + "|" +
                    record.GetPassword().value_or("-"));
  });
  return shown;
}

void StoreAnn(LoginStore& store) {
  ASSERT_NE(Import(store, "url,username,password\nhttps://a.example,ann,one\n").find("1 new"),
            std::string::npos);
}

TEST(LoginImportTest, ThePlanChangesNothingAndSaysWhatApplyDoes) {
  for (const PlanCase& c : kPlanCases) {
    SCOPED_TRACE(c.rows);
    LoginStore store;
    StoreAnn(store);
    LoginImport import;
    ASSERT_TRUE(import.Read("url,username,password\n" + c.rows));
    import.Plan(store);
    const std::string plan = import.Summary();
    EXPECT_NE(plan.find(c.plan), std::string::npos) << plan;
    EXPECT_EQ(plan.find("passwords"), std::string::npos) << "nothing was kept or replaced yet";
    EXPECT_EQ(Logins(store), std::vector<std::string>{"a.example|ann|one"});
    import.Apply(store, c.update);
    EXPECT_NE(import.Summary().find(c.plan), std::string::npos);
    EXPECT_EQ(Logins(store), c.stored);
  }
}

// A login stored between the plan and the apply (the window's question lets
// other calls run) is not added twice.
TEST(LoginImportTest, ApplyComparesWithTheStoreAsItIsThen) {
  LoginStore store;
  LoginImport import;
  ASSERT_TRUE(import.Read("url,username,password\nhttps://a.example,ann,one\n"));
  import.Plan(store);
  EXPECT_EQ(import.added(), 1);
  StoreAnn(store);
  import.Apply(store, false);
  EXPECT_EQ(import.added(), 0);
  EXPECT_EQ(import.already_stored(), 1);
  EXPECT_EQ(store.Count(), 1);
}

// Each allocation of Apply fails in turn: the store is then as it was, never
// half imported; once none fails it is the whole import.
TEST(LoginImportTest, ApplyThatRunsOutOfMemoryLeavesTheStoreAsItWas) {
  for (const PlanCase& c : kPlanCases) {
    SCOPED_TRACE(c.rows);
    int failures = 0;
    for (long allowed = 0;; ++allowed) {
      LoginStore store;
      StoreAnn(store);
      LoginImport import;
      ASSERT_TRUE(import.Read("url,username,password\n" + c.rows));
      bool failed = false;
      g_allocations_left = allowed;
      try {
        import.Apply(store, c.update);
      } catch (const std::bad_alloc&) {
        failed = true;
      }
      g_allocations_left = -1;
      if (!failed) {
        EXPECT_EQ(Logins(store), c.stored);
        break;
      }
      ++failures;
      ASSERT_EQ(Logins(store), std::vector<std::string>{"a.example|ann|one"}) << allowed;
    }
    EXPECT_GT(failures, 3) << "Apply allocates, so some allocation must have failed";
  }
}

TEST(LoginImportTest, LongValuesAreCutAsACaptureCutsThemAndCounted) {
  LoginStore store;
  std::string summary = Import(store, "url,username,password\nhttps://e.com," +
                                          std::string(1500, 'u') + "," + std::string(3000, 'p'));
  EXPECT_NE(summary.find("2 values longer than 1024 bytes"), std::string::npos) << summary;
  EXPECT_EQ(store.GetAt(0)->GetPassword()->size(), 1024u);
}

// Stored texts are in the code page: a value it cannot hold would be stored
// as '?', so its row is skipped; the export gives UTF-8 back.
TEST(LoginImportTest, ValuesAreHeldInTheCodePageAndRowsItCannotHoldAreSkipped) {
  testing::ScopedLocale latin1({"en_US.ISO-8859-1", "en_US.iso88591", "en_US"}, "ISO-8859-1");
  if (!latin1.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed";
  LoginStore store;
  const std::string summary = Import(store,
                                     "url,username,password\n"
                                     "https://a.example,j\xC3\xBCrgen,p\xC3\xA4ss\n"
                                     "https://b.example,bob,\xE2\x82\xAC-secret\n");
  EXPECT_NE(summary.find("row 2 (line 3): password has characters that the code page ISO-8859-1 "
                         "cannot hold, url https://b.example, user bob\n"),
            std::string::npos)
      << summary;
  ASSERT_EQ(store.Count(), 1);
  EXPECT_EQ(*store.GetAt(0)->GetLoginName(), "j\xFCrgen");
  EXPECT_NE(LoginExport::Write(store, CsvFormat::kChromium)
                .text()
                .find("\"j\xC3\xBCrgen\",\"p\xC3\xA4ss\""),
            std::string::npos);
}

TEST(LoginImportTest, WhatIsExportedImportsIntoAnEmptyStoreAsTheSameLogins) {
  LoginStore store;
  ASSERT_NE(Import(store,
                   "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,"
                   "login_password,login_totp\n"
                   ",,login,\"Quote \"\" and, comma\",,\"PIN: 12\",1,https://a.example,ann,"
                   "\"p;w\nx\",\n"
                   ",,login,B\xC3\xA9,,,0,https://b.example:8443/,b\xC3\xA9la,\"\"\"\",\n")
                .find("2 new"),
            std::string::npos);
  auto no_password = std::make_unique<LoginRecord>();
  no_password->set_site("c.example");
  no_password->AddField("user", "cy", "text");
  store.AddOrMerge(std::move(no_password));
  for (CsvFormat format : {CsvFormat::kChromium, CsvFormat::kBitwarden}) {
    LoginExport file = LoginExport::Write(store, format);
    EXPECT_EQ(file.written(), 2);
    EXPECT_EQ(file.without_password(), 1);
    LoginStore empty;
    ASSERT_NE(Import(empty, file.text()).find("2 new"), std::string::npos) << file.text();
    std::vector<std::string> expected = Shown(store);
    expected.pop_back();
    if (format == CsvFormat::kChromium) {  // chromium has no place for the other two
      expected[0] = "a.example|Quote \" and, comma|ann|p;w\nx|1,0|";
    }
    EXPECT_EQ(Shown(empty), expected) << CsvFormatName(format);
  }
  EXPECT_EQ(LoginExport::Write(store, CsvFormat::kChromium).text().substr(0, 43),
            "\"name\",\"url\",\"username\",\"password\",\"note\"\r\n");
}

}  // namespace
}  // namespace zr
