// Field-name pattern lists: the default lists in profile order, the list rules
// (empty items, invalid items, case), and merging in the user's sort order.
#include "matcher/pattern_list.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace zr {
namespace {

// The default lists in the order a profile tries them.
constexpr std::string_view kProfileLists[] = {
    kJobTitlePatterns, kCompanyPatterns,  kTitlePatterns,    kFirstNamePatterns, kLastNamePatterns,
    kAddressPatterns,  kAddress1Patterns, kAddress2Patterns, kCityPatterns,      kStatePatterns,
    kCountryPatterns,  kZipPatterns,      kTelPatterns,      kFaxPatterns,       kEmailPatterns,
    kLoginNamePatterns,
};

// The 1-based order of the first list that matches name, or 0; one RegExp for
// all of them, as a profile uses it. A list that does not match leaves the name.
int DecidingList(const std::string& name) {
  RegExp regexp;
  for (int i = 0; i < 16; ++i) {
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
  // Only the overlaps decide: a name several lists match goes to the first.
  const std::pair<const char*, int> rows[] = {
      {"jobtitle", 1}, {"fullname", 4},  {"hotel", 13},       {"email_address", 6} /* "addr" */,
      {"E-Mail", 15},  {"the_user", 16}, {"password", 0},     {"yourmailbox", 0},
  };
  for (const auto& [name, list] : rows) EXPECT_EQ(DecidingList(name), list) << name;
}

TEST(PatternListTest, ListRules) {
  struct Row {
    const char* list;
    std::string name;
    bool matches;
  } rows[] = {
      {"", "anything", false},       {";;;", "anything", false},
      {";;city;;", "city", true},    {"(;city", "city", true},  // an invalid item is skipped
      {"[z-a];a**;city", "city", true}, {"(city", "city", false},  // and matches nothing
      {"^EMAIL$", "Email", true},    {"^email$", "emails", false},  // both sides lower-cased
      {"\xc9T\xc9", "\xc9t\xc9", true}, {"\xc9", "\xe9", false},  // only A-Z change case
      {"^X*CITY$", std::string(1000, 'x') + "city", true},
  };
  RegExp regexp;
  for (const Row& row : rows) {
    std::string field = row.name;
    EXPECT_EQ(MatchPatternList(regexp, field, row.list, "filled"), row.matches)
        << "'" << row.list << "' on '" << row.name << "'";
    EXPECT_EQ(field, row.matches ? "filled" : row.name);
  }
  // An item that fails to compile must not reuse the program of an earlier call.
  std::string field = "city";
  ASSERT_TRUE(MatchPatternList(regexp, field, "city;", "v"));
  field = "city";
  EXPECT_FALSE(MatchPatternList(regexp, field, "zzz;ci(ty", "v"));
  EXPECT_EQ(AsciiLower("AbC-XyZ_09@[`{\xc0\xc9\xde"), "abc-xyz_09@[`{\xc0\xc9\xde");
}

TEST(PatternListTest, MergeKeepsOneOfEachSortedWithoutTrailingSemicolon) {
  testing::ScopedLocale locale({"C"});
  ASSERT_TRUE(locale.ok());
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"city;", "city;town", "city;town"},
      {"state;province;", "county", "county;province;state"},
      {";;", ";", ""},
      {"b;a;b", "a", "a;b"},
      {"zip.*;post.*;", "post.*;;zip", "post.*;zip;zip.*"},
      {"B;a", "", "B;a"},  // byte order in the C locale
  };
  for (const auto& [list, added, merged] : rows) {
    std::string text = list;
    MergePatternList(text, added);
    EXPECT_EQ(text, merged) << "'" << added << "' into '" << list << "'";
  }
  testing::ScopedLocale en_us({"en_US.UTF-8", "en_US.utf8"});
  if (!en_us.ok()) GTEST_SKIP() << "en_US.UTF-8 is not installed (locale-gen en_US.UTF-8)";
  std::string text = "Zip;";
  MergePatternList(text, "apple;zip;Apple");
  EXPECT_EQ(text, "apple;Apple;zip;Zip");
}

}  // namespace
}  // namespace zr
