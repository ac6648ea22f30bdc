// The code page and the locale: '?' for what cannot be held or is malformed,
// cuts at character boundaries, and a collation whose byte-order tie-break
// leaves only identical texts equal.
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/locale_compare.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedLocale;
constexpr std::initializer_list<const char*> kUtf8 = {"C.UTF-8", "C.utf8"};
constexpr std::initializer_list<const char*> kEnUs = {"en_US.UTF-8", "en_US.utf8"};
int Sign(int value) { return (value > 0) - (value < 0); }

TEST(CodePageTest, Utf8KeepsWellFormedTextReplacesEachMalformedByteAndNeverSplitsACharacter) {
  ScopedLocale locale(kUtf8);
  ASSERT_TRUE(locale.ok());
  const std::pair<std::string, std::string> rows[] = {
      {"a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"}, {"a\xff" "b", "a?b"},
      {"ab\xe2\x82", "ab??"}, {"\xc0\xaf", "??"}, {"\xed\xa0\x80", "???"}, {"\xf4\x90\x80\x80", "????"}};
  for (const auto& [input, expected] : rows) {
    EXPECT_EQ(CodePageToUtf8(input), expected) << input;
    EXPECT_EQ(Utf8ToCodePage(input), expected) << input;
  }
  const std::tuple<std::string, size_t, size_t> cuts[] = {
      {"\xe2\x82\xac", 2, 0}, {"x\xf0\x9f\x98\x80", 5, 5}, {"a\xe2\x82" "b", 2, 2}, {"ab", 9, 2}};
  for (const auto& [text, limit, expected] : cuts) EXPECT_EQ(CharBoundaryAtOrBefore(text, limit), expected) << text;
}

TEST(CodePageTest, Latin1RoundTripsEveryByte) {
  ScopedLocale latin1({"en_US.ISO-8859-1", "en_US.iso88591", "de_DE.ISO-8859-1", "en_US"}, "ISO-8859-1");
  if (!latin1.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed";
  EXPECT_EQ(Utf8ToCodePage("caf\xc3\xa9 \xe2\x82\xac \xff"), "caf\xe9 ? ?");
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(every_byte)), every_byte);
  EXPECT_EQ(LocaleCompareNoCase("\xc9" "COLE", "\xe9" "cole"), 0);
}

TEST(LocaleCompareTest, FollowsStrcollAndOnlyIdenticalTextsAreEqual) {
  const std::vector<std::string> texts = {"", "a", "A", "B", "a-b", "a b", "\xc3\xa9", "e", "co-op", "coop", "\xff", "10", "9"};
  for (auto names : {kUtf8, kEnUs}) {
    ScopedLocale locale(names);
    if (!locale.ok()) continue;
    for (const std::string& a : texts) {
      for (const std::string& b : texts) {
        const int collated = Sign(std::strcoll(a.c_str(), b.c_str()));
        EXPECT_EQ(Sign(LocaleCompare(a, b)), collated != 0 ? collated : Sign(a.compare(b))) << a << " / " << b;
      }
    }
  }
  ScopedLocale locale(kUtf8);
  const std::tuple<const char*, const char*, int> no_case[] = {
      {"Password", "PASSWORD", 0}, {"abc", "ABD", -1}, {"a", "", 1}, {"\xc3\x89" "cole", "\xc3\xa9" "COLE", 0}, {"x\xff", "X\xfe", 1}};
  for (const auto& [a, b, sign] : no_case) EXPECT_EQ(Sign(LocaleCompareNoCase(a, b)), sign) << a << " / " << b;
}

}  // namespace
}  // namespace zr
