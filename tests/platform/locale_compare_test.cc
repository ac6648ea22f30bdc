// Tests of the locale comparisons: collation order, the byte-order tie-break
// that leaves only identical texts equal, and case folding.
#include "platform/locale_compare.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedLocale;

constexpr std::initializer_list<const char*> kEnUsUtf8 = {"en_US.UTF-8", "en_US.utf8"};

// Texts that some locales collate equal or nearly so: case, accents,
// punctuation and characters that collation may ignore.
// clang-format off
const std::vector<std::string> kTricky = {
    "",         "a",           "A",           "b",          "B",
    "ab",       "a-b",         "a b",         "a\xe2\x80\x8b" "b",  // zero-width space
    "\xc3\xa9", "e",           "E",           "\xc3\x89",   "co-op",
    "coop",     "Coop",        std::string(200, 'x'),       std::string(200, 'x') + "y",
    "\xff",     "\xff\xfe",    "1",           "10",         "9",
};
// clang-format on

int Sign(int value) { return (value > 0) - (value < 0); }

// Checks, over every pair of kTricky, that only identical texts compare equal,
// that the order is antisymmetric, and that collation-equal texts fall back
// to byte order.
void ExpectTotalOrder() {
  for (const std::string& a : kTricky) {
    for (const std::string& b : kTricky) {
      int order = LocaleCompare(a, b);
      EXPECT_EQ(order == 0, a == b) << '"' << a << "\" vs \"" << b << '"';
      EXPECT_EQ(Sign(order), -Sign(LocaleCompare(b, a))) << a << " / " << b;
      int collated = Sign(std::strcoll(a.c_str(), b.c_str()));
      EXPECT_EQ(Sign(order), collated != 0 ? collated : Sign(a.compare(b))) << a << " / " << b;
    }
  }
}

TEST(LocaleCompareTest, CLocaleIsByteOrderAndOnlyIdenticalTextsAreEqual) {
  ScopedLocale locale({"C.UTF-8", "C.utf8"});
  ASSERT_TRUE(locale.ok());
  EXPECT_LT(LocaleCompare("B", "a"), 0);
  EXPECT_LT(LocaleCompare("a", "ab"), 0);
  EXPECT_GT(LocaleCompare("\xc3\xa9", "z"), 0);
  ExpectTotalOrder();
}

TEST(LocaleCompareTest, EnUsCollatesLettersBeforeCase) {
  ScopedLocale locale(kEnUsUtf8);
  if (!locale.ok()) GTEST_SKIP() << "en_US.UTF-8 is not installed (locale-gen en_US.UTF-8)";
  EXPECT_LT(LocaleCompare("a", "B"), 0);  // byte order would put 'B' first
  EXPECT_GT(LocaleCompare("B", "a"), 0);
  EXPECT_LT(LocaleCompare("\xc3\xa9t\xc3\xa9", "ete2"), 0);
  EXPECT_NE(LocaleCompare("a", "A"), 0);
  ExpectTotalOrder();
}

TEST(LocaleCompareTest, LongTextsCompareLikeShortOnes) {
  ScopedLocale locale({"C.UTF-8", "C.utf8"});
  ASSERT_TRUE(locale.ok());
  std::string long_a(1000, 'q'), long_b(1000, 'q');
  long_b.back() = 'r';
  EXPECT_LT(LocaleCompare(long_a, long_b), 0);
  EXPECT_EQ(LocaleCompare(long_a, std::string(1000, 'q')), 0);
  EXPECT_LT(LocaleCompare(long_a.substr(0, 127), long_a.substr(0, 128)), 0);
}

struct NoCaseCase {
  const char* a;
  const char* b;
  int expected;  // sign
};

TEST(LocaleCompareTest, NoCaseFoldsAsciiAndCodePageLetters) {
  ScopedLocale locale({"C.UTF-8", "C.utf8"});
  ASSERT_TRUE(locale.ok());
  // clang-format off
  const std::vector<NoCaseCase> cases = {
      {"Password", "PASSWORD", 0},
      {"abc", "ABD", -1},
      {"ABD", "abc", 1},
      {"Zorvane", "zorvanE", 0},
      {"a", "", 1},
      {"\xc3\x89" "cole", "\xc3\xa9" "COLE", 0},  // É / é
      {"stra\xc3\x9f" "e", "STRA\xc3\x9f" "E", 0},
      {"x\xff", "X\xff", 0},  // a malformed byte is kept and compared as it is
      {"x\xff", "X\xfe", 1},
  };
  // clang-format on
  for (const NoCaseCase& c : cases) {
    EXPECT_EQ(Sign(LocaleCompareNoCase(c.a, c.b)), c.expected) << c.a << " / " << c.b;
  }
}

TEST(LocaleCompareTest, NoCaseInLatin1FoldsAccentedLetters) {
  ScopedLocale locale({"en_US.ISO-8859-1", "en_US.iso88591", "de_DE.ISO-8859-1", "en_US"},
                      "ISO-8859-1");
  if (!locale.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed (e.g. en_US.ISO-8859-1)";
  EXPECT_EQ(LocaleCompareNoCase("\xc9"
                                "COLE",
                                "\xe9"
                                "cole"),
            0);
  EXPECT_NE(LocaleCompare("\xc9"
                          "COLE",
                          "\xe9"
                          "cole"),
            0);
}

TEST(LocaleCompareTest, NoCaseInEnUsOrdersByLetters) {
  ScopedLocale locale(kEnUsUtf8);
  if (!locale.ok()) GTEST_SKIP() << "en_US.UTF-8 is not installed (locale-gen en_US.UTF-8)";
  EXPECT_LT(LocaleCompareNoCase("apple", "BANANA"), 0);
  EXPECT_GT(LocaleCompareNoCase("Cherry", "banana"), 0);
  EXPECT_EQ(LocaleCompareNoCase("Apple", "aPPLE"), 0);
}

}  // namespace
}  // namespace zr
