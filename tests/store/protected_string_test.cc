// ProtectedString layout, limits and damaged input.
#include "store/protected_string.h"

#include <gtest/gtest.h>

#include "store/file_cipher.h"

namespace zr {
namespace {

std::string Stored(std::string_view s) {
  ByteWriter writer;
  EXPECT_TRUE(WriteProtectedString(writer, s));
  return writer.data();
}

std::string Uint32Bytes(uint32_t value) {
  ByteWriter writer;
  writer.WriteUint32(value);
  return writer.data();
}

TEST(ProtectedStringTest, LayoutIsLengthThenBase64OfCiphertext) {
  EXPECT_EQ(Stored(""), std::string(4, '\0'));
  std::string one = Stored("a");
  ASSERT_EQ(one.size(), 4u + 12u);
  EXPECT_EQ(one.substr(0, 4), Uint32Bytes(12));
  EXPECT_EQ(one.back(), '=');
  EXPECT_NE(one[one.size() - 2], '=');
  // Eight bytes need no padding block: 8 bytes of ciphertext, 12 characters.
  EXPECT_EQ(Stored("12345678").substr(0, 4), Uint32Bytes(12));
  EXPECT_EQ(Stored("123456789").substr(0, 4), Uint32Bytes(24));
  EXPECT_EQ(one.substr(4), FileCipher().Encrypt("a"));
}

TEST(ProtectedStringTest, RoundTripsAndReadsToTheEnd) {
  const std::string texts[] = {"", "a", "12345678", "p\xC3\xA4ssw\xC3\xB6rd", std::string(1024, 'x')};
  ByteWriter writer;
  for (const std::string& text : texts) ASSERT_TRUE(WriteProtectedString(writer, text));
  ByteReader reader(writer.data());
  for (const std::string& text : texts) {
    std::string read = "unchanged";
    ASSERT_TRUE(ReadProtectedString(reader, read));
    EXPECT_EQ(read, text);
  }
  std::string after_end = "unchanged";
  EXPECT_FALSE(ReadProtectedString(reader, after_end));
  EXPECT_EQ(after_end, "unchanged");
}

TEST(ProtectedStringTest, TextBeyondTheBufferIsCutAtACharacterBoundary) {
  // 1023 ASCII bytes then a two-byte UTF-8 character: cutting at 1024 would split it.
  std::string text = std::string(1023, 'a') + "\xC3\xA9" + "tail";
  ByteWriter writer;
  ASSERT_TRUE(WriteProtectedString(writer, text));
  ByteReader reader(writer.data());
  std::string read;
  ASSERT_TRUE(ReadProtectedString(reader, read));
  EXPECT_EQ(read, std::string(1023, 'a'));
  // A zero byte ends the stored text.
  EXPECT_EQ(Stored(std::string("ab\0cd", 5)), Stored("ab"));
}

TEST(ProtectedStringTest, UntrustedLengthsReadAsEmptyAndReadingGoesOn) {
  // A length above the largest text, with its bytes present: passed over.
  std::string oversized = Uint32Bytes(2000) + std::string(2000, 'A') + Stored("next");
  ByteReader reader(oversized);
  std::string read = "unchanged";
  ASSERT_TRUE(ReadProtectedString(reader, read));
  EXPECT_EQ(read, "");
  ASSERT_TRUE(ReadProtectedString(reader, read));
  EXPECT_EQ(read, "next");

  // A huge length at the end of the data allocates nothing and ends reading there.
  std::string huge = Uint32Bytes(0xFFFFFFF0u) + "AAAA";
  ByteReader huge_reader(huge);
  ASSERT_TRUE(ReadProtectedString(huge_reader, read));
  EXPECT_TRUE(huge_reader.AtEnd());
}

TEST(ProtectedStringTest, DamagedTextsAndTruncation) {
  struct Case {
    const char* name;
    std::string bytes;
    bool result;
    std::string text;
  };
  std::string good = Stored("secret");
  std::string with_line_break = good.substr(4, 6) + "\n" + good.substr(10);
  const Case cases[] = {
      {"empty data", "", false, "unchanged"},
      {"half a length", std::string("\x0c\x00", 2), false, "unchanged"},
      {"length without text", Uint32Bytes(12), false, "unchanged"},
      {"text cut short", good.substr(0, 10), true, ""},
      {"line break in text", Uint32Bytes(13) + with_line_break, true, ""},
      {"not Base64", Uint32Bytes(4) + "!!!!", true, ""},
      {"text decoding to more than 1024 bytes", Uint32Bytes(1368) + std::string(1368, 'A'), true,
       ""},
  };
  for (const Case& c : cases) {
    ByteReader reader(c.bytes);
    std::string read = "unchanged";
    EXPECT_EQ(ReadProtectedString(reader, read), c.result) << c.name;
    EXPECT_EQ(read, c.text) << c.name;
  }
}

}  // namespace
}  // namespace zr
