// The code page and the locale: conversions with '?' for what cannot be held
// or is malformed, cutting text at character boundaries, and the collation
// order whose byte-order tie-break leaves only identical texts equal.
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
constexpr std::initializer_list<const char*> kLatin1 = {"en_US.ISO-8859-1", "en_US.iso88591",
                                                        "de_DE.ISO-8859-1", "en_US"};

TEST(CodePageTest, Utf8PassesWellFormedTextAndReplacesEachMalformedByte) {
  ScopedLocale locale(kUtf8);
  ASSERT_TRUE(locale.ok());
  ASSERT_EQ(CodePageName(), "UTF-8");
  const std::pair<std::string, std::string> rows[] = {
      {"a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
      {"a\xff" "b", "a?b"},         {"\x80x", "?x"},          {"ab\xe2\x82", "ab??"},
      {"\xe2\x82z", "??z"},         {"\xc0\xaf", "??"},       {"\xed\xa0\x80", "???"},
      {"\xf4\x90\x80\x80", "????"}, {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& [input, expected] : rows) {
    EXPECT_EQ(CodePageToUtf8(input), expected) << input;
    EXPECT_EQ(Utf8ToCodePage(input), expected) << input;
  }
  // Boundaries: a well-formed character is never split; a malformed byte is one character.
  const std::tuple<std::string, size_t, size_t> cuts[] = {
      {"\xe2\x82\xac", 2, 0},     {"x\xf0\x9f\x98\x80", 4, 1}, {"x\xf0\x9f\x98\x80", 5, 5},
      {"\x80\x80\x80\x80", 2, 2}, {"a\xe2\x82" "b", 2, 2},     {"\xc0\xaf", 1, 1},
      {"ab", 9, 2},
  };
  for (const auto& [text, limit, expected] : cuts) {
    EXPECT_EQ(CharBoundaryAtOrBefore(text, limit), expected) << text << " at " << limit;
  }
}

TEST(CodePageTest, Latin1ConvertsAndFollowsLocaleChanges) {
  ScopedLocale latin1(kLatin1, "ISO-8859-1");
  if (!latin1.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed (e.g. en_US.ISO-8859-1)";
  EXPECT_EQ(Utf8ToCodePage("caf\xc3\xa9 5\xe2\x82\xac \xf0\x9f\x98\x80 \xff"), "caf\xe9 5? ? ?");
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(every_byte)), every_byte);
  EXPECT_EQ(CharBoundaryAtOrBefore("\xe9\xe9\xe9", 2), 2u);
  EXPECT_EQ(LocaleCompareNoCase("\xc9" "COLE", "\xe9" "cole"), 0);
  ScopedLocale utf8(kUtf8);
  EXPECT_EQ(Utf8ToCodePage("\xc3\xa9"), "\xc3\xa9");
}

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(LocaleCompareTest, OnlyIdenticalTextsAreEqualInEveryLocale) {
  const std::vector<std::string> tricky = {
      "", "a", "A", "b", "B", "ab", "a-b", "a b", "a\xe2\x80\x8b" "b", "\xc3\xa9", "e", "\xc3\x89",
      "co-op", "coop", "Coop", std::string(200, 'x'), std::string(200, 'x') + "y", "\xff", "10", "9"};
  for (auto names : {kUtf8, kEnUs}) {
    ScopedLocale locale(names);
    if (!locale.ok()) continue;
    SCOPED_TRACE(*names.begin());
    for (const std::string& a : tricky) {
      for (const std::string& b : tricky) {
        const int order = LocaleCompare(a, b);
        const int collated = Sign(std::strcoll(a.c_str(), b.c_str()));
        EXPECT_EQ(Sign(order), collated != 0 ? collated : Sign(a.compare(b))) << a << " / " << b;
        EXPECT_EQ(Sign(order), -Sign(LocaleCompare(b, a))) << a << " / " << b;
      }
    }
  }
  ScopedLocale en_us(kEnUs);
  if (!en_us.ok()) GTEST_SKIP() << "en_US.UTF-8 is not installed (locale-gen en_US.UTF-8)";
  EXPECT_LT(LocaleCompare("a", "B"), 0) << "byte order would put 'B' first";
  EXPECT_LT(LocaleCompareNoCase("apple", "BANANA"), 0);
}

TEST(LocaleCompareTest, NoCaseFoldsAsciiAndCodePageLetters) {
  ScopedLocale locale(kUtf8);
  ASSERT_TRUE(locale.ok());
  const std::tuple<const char*, const char*, int> rows[] = {
      {"Password", "PASSWORD", 0}, {"abc", "ABD", -1},  {"ABD", "abc", 1}, {"a", "", 1},
      {"\xc3\x89" "cole", "\xc3\xa9" "COLE", 0},  // É / é
      {"x\xff", "X\xff", 0},  {"x\xff", "X\xfe", 1},  // malformed bytes compare as they are
  };
  for (const auto& [a, b, sign] : rows) EXPECT_EQ(Sign(LocaleCompareNoCase(a, b)), sign) << a << " / " << b;
}

}  // namespace
}  // namespace zr
