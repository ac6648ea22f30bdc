// Tests of the code page: its name, conversions with '?' for what cannot be
// held or is malformed, and cutting text at character boundaries.
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedLocale;

constexpr std::initializer_list<const char*> kLatin1Locales = {
    "en_US.ISO-8859-1", "en_US.iso88591", "de_DE.ISO-8859-1", "de_DE.iso88591", "en_US"};
constexpr std::initializer_list<const char*> kEucJpLocales = {"ja_JP.EUC-JP", "ja_JP.eucJP",
                                                              "ja_JP.eucjp", "ja_JP"};

struct ConversionCase {
  const char* name;
  std::string input;
  std::string expected;
};

TEST(CodePageTest, PlainCLocaleCountsAsUtf8) {
  ScopedLocale locale({"C"});
  ASSERT_TRUE(locale.ok());
  EXPECT_EQ(CodePageName(), "UTF-8");
  EXPECT_EQ(CodePageToUtf8("caf\xc3\xa9"), "caf\xc3\xa9");
  EXPECT_EQ(CharBoundaryAtOrBefore("\xc3\xa9", 1), 0u);
}

TEST(CodePageTest, Utf8PassesWellFormedTextAndReplacesEachMalformedByte) {
  ScopedLocale locale({"C.UTF-8", "C.utf8"});
  ASSERT_TRUE(locale.ok()) << "C.UTF-8 is not installed";
  ASSERT_EQ(CodePageName(), "UTF-8");
  // clang-format off
  const std::vector<ConversionCase> cases = {
      {"ascii", "plain text = 1", "plain text = 1"},
      {"all lengths", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
      {"stray byte", "a\xff" "b", "a?b"},
      {"lone continuation", "\x80x", "?x"},
      {"cut sequence at end", "ab\xe2\x82", "ab??"},
      {"cut sequence inside", "\xe2\x82z", "??z"},
      {"overlong slash", "\xc0\xaf", "??"},
      {"overlong three bytes", "\xe0\x80\xaf", "???"},
      {"surrogate", "\xed\xa0\x80", "???"},
      {"above U+10FFFF", "\xf4\x90\x80\x80", "????"},
      {"embedded zero", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  // clang-format on
  for (const ConversionCase& c : cases) {
    EXPECT_EQ(CodePageToUtf8(c.input), c.expected) << c.name;
    EXPECT_EQ(Utf8ToCodePage(c.input), c.expected) << c.name;
  }
}

TEST(CodePageTest, Latin1ConvertsAndReplacesWhatItCannotHold) {
  ScopedLocale locale(kLatin1Locales, "ISO-8859-1");
  if (!locale.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed (e.g. en_US.ISO-8859-1)";
  // clang-format off
  const std::vector<ConversionCase> to_code_page = {
      {"accent", "caf\xc3\xa9", "caf\xe9"},
      {"euro sign is not Latin-1", "5 \xe2\x82\xac!", "5 ?!"},
      {"emoji is one character", "a\xf0\x9f\x98\x80" "b", "a?b"},
      {"malformed byte", "a\xff" "b", "a?b"},
      {"cut sequence at end", "a\xe2\x82", "a??"},
      {"surrogate", "\xed\xa0\x80", "???"},
  };
  // clang-format on
  for (const ConversionCase& c : to_code_page) {
    EXPECT_EQ(Utf8ToCodePage(c.input), c.expected) << c.name;
  }
  EXPECT_EQ(CodePageToUtf8("caf\xe9 \xff"), "caf\xc3\xa9 \xc3\xbf");
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(every_byte)), every_byte);
  EXPECT_EQ(CharBoundaryAtOrBefore("\xe9\xe9\xe9", 2), 2u);  // single-byte codeset
}

TEST(CodePageTest, ConversionFollowsLocaleChanges) {
  ScopedLocale utf8({"C.UTF-8", "C.utf8"});
  ASSERT_TRUE(utf8.ok());
  EXPECT_EQ(Utf8ToCodePage("\xc3\xa9"), "\xc3\xa9");
  {
    ScopedLocale latin1(kLatin1Locales, "ISO-8859-1");
    if (!latin1.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed (e.g. en_US.ISO-8859-1)";
    EXPECT_EQ(Utf8ToCodePage("\xc3\xa9"), "\xe9");
  }
  EXPECT_EQ(Utf8ToCodePage("\xc3\xa9"), "\xc3\xa9");
}

TEST(CodePageTest, EucJpMultiByteConversionAndBoundaries) {
  ScopedLocale locale(kEucJpLocales, "EUC-JP");
  if (!locale.ok()) GTEST_SKIP() << "no EUC-JP locale installed (e.g. ja_JP.EUC-JP)";
  const std::string nihon = "\xc6\xfc\xcb\xdc";  // two characters of two bytes
  EXPECT_EQ(Utf8ToCodePage("\xe6\x97\xa5\xe6\x9c\xac"), nihon);
  EXPECT_EQ(CodePageToUtf8(nihon), "\xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_EQ(CodePageToUtf8("a\xc6"), "a?");  // cut character at the end
  const std::string text = "a" + nihon;      // characters at 0, 1, 3; ends at 5
  const size_t expected[] = {0, 1, 1, 3, 3, 5, 5};
  for (size_t limit = 0; limit < std::size(expected); ++limit) {
    EXPECT_EQ(CharBoundaryAtOrBefore(text, limit), expected[limit]) << "limit " << limit;
  }
}

TEST(CodePageTest, Utf8BoundaryNeverSplitsACharacter) {
  ScopedLocale locale({"C.UTF-8", "C.utf8"});
  ASSERT_TRUE(locale.ok());
  const std::vector<std::string> characters = {
      "a", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xe2\x82\xac", "b", "\xf0\x9f\x98\x80"};
  std::string text;
  std::vector<size_t> boundaries = {0};
  for (const std::string& c : characters) {
    text += c;
    boundaries.push_back(text.size());
  }
  for (size_t limit = 0; limit <= text.size() + 2; ++limit) {
    size_t expected = 0;
    for (size_t b : boundaries) {
      if (b <= limit) expected = b;
    }
    EXPECT_EQ(CharBoundaryAtOrBefore(text, limit), expected) << "limit " << limit;
  }
}

TEST(CodePageTest, Utf8BoundaryCountsMalformedBytesAsCharacters) {
  ScopedLocale locale({"C.UTF-8", "C.utf8"});
  ASSERT_TRUE(locale.ok());
  struct Case {
    std::string text;
    size_t limit;
    size_t expected;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"\xe2\x82\xac", 2, 0},       // inside a well-formed character
      {"\x80\x80\x80\x80", 2, 2},   // stray continuation bytes
      {"a\xe2\x82" "b", 2, 2},      // a cut sequence is single bytes
      {"a\xe2\x82" "b", 3, 3},
      {"\xff\x80\x80", 1, 1},       // invalid lead byte
      {"\xc0\xaf", 1, 1},           // overlong form
      {"\xed\xa0\x80", 2, 2},       // surrogate
      {"x\xf0\x9f\x98\x80", 4, 1},  // four-byte character, cut after three
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(CharBoundaryAtOrBefore(c.text, c.limit), c.expected)
        << "text of " << c.text.size() << " bytes, limit " << c.limit;
  }
}

}  // namespace
}  // namespace zr
