// Tests of field-name pattern lists: the default lists in profile order, the
// list rules (empty items, invalid items, case), merging and lower-casing.
#include "matcher/pattern_list.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace zr {
namespace {

// The default lists in the order a profile tries them.
constexpr std::string_view kProfileLists[] = {
    kJobTitlePatterns, kCompanyPatterns,  kTitlePatterns,    kFirstNamePatterns, kLastNamePatterns,
    kAddressPatterns,  kAddress1Patterns, kAddress2Patterns, kCityPatterns,      kStatePatterns,
    kCountryPatterns,  kZipPatterns,      kTelPatterns,      kFaxPatterns,       kEmailPatterns,
};

// The 1-based order of the list that decides a field, or 0, trying the lists
// as a profile does: one RegExp for all of them, the first match wins.
int DecidingList(const std::string& name) {
  RegExp regexp;
  for (int i = 0; i < 15; ++i) {
    std::string field = name;
    if (MatchPatternList(regexp, field, kProfileLists[i], "value")) {
      EXPECT_EQ(field, "value");
      return i + 1;
    }
    EXPECT_EQ(field, name);
  }
  return 0;
}

TEST(PatternListTest, DefaultListsInProfileOrder) {
  struct Case {
    const char* name;
    int list;
  };
  const Case kCases[] = {
      {"jobtitle", 1},    {"COMPANYNAME", 2},
      {"title", 3},       {"FirstName", 4},
      {"fullname", 4},    {"last_name", 5},
      {"address", 6},     {"address1", 6},
      {"ADDR_2", 6},      {"billing_city", 9},
      {"CityName", 9},    {"state", 10},
      {"Province", 10},   {"country", 11},
      {"region", 11},     {"zipcode", 12},
      {"postal", 12},     {"hotel", 13},
      {"Telephone", 13},  {"fax", 14},
      {"E-Mail", 15},     {"email_address", 6} /* "addr" first */,
      {"hemail", 15},     {"username", 0},
      {"password", 0},    {"", 0},
      {"yourmailbox", 0},
  };
  for (const Case& c : kCases) EXPECT_EQ(DecidingList(c.name), c.list) << c.name;
}

TEST(PatternListTest, LoginNamePatterns) {
  const char* const kLoginNames[] = {"login", "Login_ID", "USERNAME", "usr", "the_user"};
  const char* const kOthers[] = {"password", "pass", "email", "us_r"};
  RegExp regexp;
  for (const char* name : kLoginNames) {
    std::string field = name;
    EXPECT_TRUE(MatchPatternList(regexp, field, kLoginNamePatterns, "v")) << name;
  }
  for (const char* name : kOthers) {
    std::string field = name;
    EXPECT_FALSE(MatchPatternList(regexp, field, kLoginNamePatterns, "v")) << name;
  }
}

TEST(PatternListTest, ListRules) {
  struct Case {
    const char* list;
    const char* name;
    bool matches;
  };
  const Case kCases[] = {
      {"", "anything", false},          {";", "anything", false}, {";;;", "anything", false},
      {";;city;;", "city", true},       {"(;city", "city", true},  // an invalid item is skipped
      {"[z-a];a**;city", "city", true}, {"(city", "city", false},  // and matches nothing itself
      {"^EMAIL$", "Email", true},                                  // both sides lower-cased
      {"^email$", "emails", false},     {"x*", "name", true},     {"$", "name", true},
      {"\xc9T\xc9", "\xc9t\xc9", true},  // only A-Z change case
      {"\xc9", "\xe9", false},          {"tel", "HOTEL", true},
  };
  RegExp regexp;
  for (const Case& c : kCases) {
    std::string field = c.name;
    EXPECT_EQ(MatchPatternList(regexp, field, c.list, "filled"), c.matches)
        << "'" << c.list << "' on '" << c.name << "'";
    EXPECT_EQ(field, c.matches ? "filled" : c.name);
  }
}

// An item that fails to compile must not reuse the program of an earlier item
// or an earlier call.
TEST(PatternListTest, FailedItemDoesNotReusePreviousProgram) {
  RegExp regexp;
  std::string field = "city";
  ASSERT_TRUE(MatchPatternList(regexp, field, "city;", "v"));
  field = "city";
  EXPECT_FALSE(MatchPatternList(regexp, field, "(", "v"));
  EXPECT_FALSE(MatchPatternList(regexp, field, "zzz;ci(ty", "v"));
  EXPECT_EQ(field, "city");
}

TEST(PatternListTest, AsciiLower) {
  EXPECT_EQ(AsciiLower("AbC-XyZ_09@[`{"), "abc-xyz_09@[`{");
  EXPECT_EQ(AsciiLower("\xc0\xc9\xde"), "\xc0\xc9\xde");
  EXPECT_EQ(AsciiLower(""), "");
  // Every byte value at every offset: only A-Z change.
  std::string all;
  for (int i = 0; i < 3 * 256; ++i) all += static_cast<char>((i * 7 + i / 256) & 0xff);
  const std::string lower = AsciiLower(all);
  ASSERT_EQ(lower.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(all[i]);
    const unsigned char expected = (c >= 'A' && c <= 'Z') ? c + 32 : c;
    EXPECT_EQ(static_cast<unsigned char>(lower[i]), expected) << "byte " << int{c};
  }
}

TEST(PatternListTest, LongNames) {
  RegExp regexp;
  std::string field = std::string(1000, 'x') + "CITY";
  EXPECT_TRUE(MatchPatternList(regexp, field, "^x*city$", "v"));
  field = std::string(1000, 'x') + "city";
  EXPECT_TRUE(MatchPatternList(regexp, field, "^X*CITY$", "v"));
  field = std::string(1000, 'x') + "\xc9";
  EXPECT_FALSE(MatchPatternList(regexp, field, "\xe9", "v"));
}

// Runs the test body with LC_COLLATE set to locale, restoring it afterwards.
class CollateScope {
 public:
  explicit CollateScope(const char* locale) {
    saved_ = std::setlocale(LC_COLLATE, nullptr);
    ok_ = std::setlocale(LC_COLLATE, locale) != nullptr;
  }
  ~CollateScope() { std::setlocale(LC_COLLATE, saved_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_;
};

TEST(PatternListTest, MergeKeepsOneOfEachSortedWithoutTrailingSemicolon) {
  CollateScope scope("C");
  ASSERT_TRUE(scope.ok());
  struct Case {
    const char* list;
    const char* added;
    const char* merged;
  };
  const Case kCases[] = {
      {"city;", "city;town", "city;town"},
      {"state;province;", "county", "county;province;state"},
      {"", "", ""},
      {";;", ";", ""},
      {"b;a;b", "a", "a;b"},
      {"zip.*;post.*;", "post.*;;zip", "post.*;zip;zip.*"},
      {"B;a", "", "B;a"},  // byte order in the C locale
  };
  for (const Case& c : kCases) {
    std::string list = c.list;
    MergePatternList(list, c.added);
    EXPECT_EQ(list, c.merged) << "'" << c.added << "' into '" << c.list << "'";
  }
}

TEST(PatternListTest, MergeSortsByUserLocale) {
  CollateScope scope("en_US.UTF-8");
  if (!scope.ok()) GTEST_SKIP() << "locale en_US.UTF-8 is not installed (locale-gen en_US.UTF-8)";
  std::string list = "a;";
  MergePatternList(list, "B;a");
  EXPECT_EQ(list, "a;B");
  list = "Zip;";
  MergePatternList(list, "apple;zip;Apple");
  EXPECT_EQ(list, "apple;Apple;zip;Zip");
}

}  // namespace
}  // namespace zr
