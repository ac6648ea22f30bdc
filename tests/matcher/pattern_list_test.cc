// Field-name pattern lists: the default lists in profile order, list rules, sorted merging.
#include "matcher/pattern_list.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace zr {
namespace {

// The 1-based order of the first default list that fills name, or 0; one RegExp for all.
int DecidingList(const std::string& name) {
  constexpr std::string_view kLists[] = {
      kJobTitlePatterns, kCompanyPatterns, kTitlePatterns,    kFirstNamePatterns,
      kLastNamePatterns, kAddressPatterns, kAddress1Patterns, kAddress2Patterns,
      kCityPatterns,     kStatePatterns,   kCountryPatterns,  kZipPatterns,
      kTelPatterns,      kFaxPatterns,     kEmailPatterns,    kLoginNamePatterns};
  RegExp regexp;
  for (int i = 0; i < 16; ++i) {
    std::string field = name;
    if (MatchPatternList(regexp, field, kLists[i], "value")) return field == "value" ? i + 1 : -1;
    if (field != name) return -1;
  }
  return 0;
}

TEST(PatternListTest, DefaultListsInProfileOrderAndListRules) {
  for (const auto& [name, list] : {std::pair<const char*, int>{"jobtitle", 1},
                                   {"fullname", 4},
                                   {"hotel", 13},
                                   {"email_address", 6},
                                   {"E-Mail", 15},
                                   {"the_user", 16},
                                   {"password", 0}})
    EXPECT_EQ(DecidingList(name), list) << name;
  const std::tuple<const char*, std::string, bool> rows[] = {
      {";;;", "anything", false},   {";;city;;", "city", true},
      {"(;city", "city", true},     {"[z-a];a**;city", "city", true},
      {"(city", "city", false},     {"^EMAIL$", "Email", true},
      {"^email$", "emails", false}, {"\xc9T\xc9", "\xc9t\xc9", true} /* only A-Z change case */,
      {"\xc9", "\xe9", false},      {"^X*CITY$", std::string(1000, 'x') + "city", true},
  };
  RegExp regexp;
  for (const auto& [list, name, matches] : rows) {
    std::string field = name;
    EXPECT_EQ(MatchPatternList(regexp, field, list, "filled"), matches) << list << " on " << name;
    EXPECT_EQ(field, matches ? "filled" : name);
  }
  std::string field = "city";  // a failed item must not reuse an earlier call's program
  EXPECT_FALSE(MatchPatternList(regexp, field, "zzz;ci(ty", "v"));
}

TEST(PatternListTest, MergeKeepsOneOfEachSortedWithoutTrailingSemicolon) {
  testing::ScopedLocale locale({"C"});
  ASSERT_TRUE(locale.ok());
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"state;province;", "county", "county;province;state"},
      {";;", ";", ""},
      {"b;a;b", "a", "a;b"},
      {"zip.*;post.*;", "post.*;;zip", "post.*;zip;zip.*"},
      {"B;a", "", "B;a"} /* byte order */,
  };
  for (const auto& [list, added, merged] : rows) {
    std::string text = list;
    MergePatternList(text, added);
    EXPECT_EQ(text, merged) << added << " into " << list;
  }
  testing::ScopedLocale en_us({"en_US.UTF-8", "en_US.utf8"});
  if (!en_us.ok()) GTEST_SKIP() << "en_US.UTF-8 is not installed";
  std::string text = "Zip;";
  MergePatternList(text, "apple;zip;Apple");
  EXPECT_EQ(text, "apple;Apple;zip;Zip");
}

}  // namespace
}  // namespace zr
