// Tests of Base64Codec: the encoder against a bit-by-bit reference, and the
// strict piece-wise decoder (padding forms, "=3D" spellings, 640-character
// pieces, rejected characters).
#include "store/base64_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zr {
namespace {

// Reference encoder: takes the input as a bit string, six bits at a time.
std::string ReferenceEncode(std::string_view bytes) {
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const size_t bits = bytes.size() * 8;
  std::string text;
  for (size_t start = 0; start < bits; start += 6) {
    int value = 0;
    for (size_t bit = start; bit < start + 6; ++bit) {
      const int b = bit < bits ? (static_cast<uint8_t>(bytes[bit / 8]) >> (7 - bit % 8)) & 1 : 0;
      value = value * 2 + b;
    }
    text.push_back(alphabet[value]);
  }
  while (text.size() % 4 != 0) text.push_back('=');
  return text;
}

std::string RandomBytes(std::mt19937& rng, size_t n) {
  std::string bytes(n, '\0');
  for (auto& b : bytes) b = static_cast<char>(rng());
  return bytes;
}

// Decodes text, giving "<fail>" when the decoder refuses it.
std::string DecodeOrFail(std::string_view text) {
  std::string out;
  const long n = Base64Codec::Decode(text, out);
  if (n < 0) return "<fail>";
  EXPECT_EQ(static_cast<size_t>(n), out.size());
  return out;
}

TEST(Base64CodecTest, EncodesKnownVectors) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"\xff\xfe\xfd", "//79"},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(Base64Codec::Encode(bytes), text);
    EXPECT_EQ(DecodeOrFail(text), bytes) << text;
  }
}

TEST(Base64CodecTest, RoundTripsAndMatchesReferenceAtEveryLength) {
  std::mt19937 rng(42);
  for (size_t n = 0; n <= 2000; ++n) {
    const std::string bytes = RandomBytes(rng, n);
    const std::string text = Base64Codec::Encode(bytes);
    ASSERT_EQ(text, ReferenceEncode(bytes)) << n;
    ASSERT_EQ(DecodeOrFail(text), bytes) << n;
  }
}

TEST(Base64CodecTest, DecodesFinalGroupForms) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"Zg==", "f"},
      {"Zg=3D=3D", "f"},
      {"Zg=3D=", "f"},  // each "=" is spelled independently
      {"Zg==3D", "f"},
      {"Zm8=", "fo"},
      {"Zm8=3D", "fo"},
      {"Zm9vZg=3D=3D", "foof"},
      {"Zh==", "f"},  // bits below the last whole byte are ignored
      // Failures.
      {"Zg", "<fail>"},  // incomplete group
      {"Zm8", "<fail>"},
      {"Z", "<fail>"},
      {"Zg=", "<fail>"},
      {"Zm8==", "<fail>"},
      {"Zg===", "<fail>"},
      {"Z===", "<fail>"},
      {"====", "<fail>"},
      {"Zg==Zm9v", "<fail>"},  // padding before the end of the piece
      {"Zm8=Zm9v", "<fail>"},
      {"Zg=3D=3D=3D", "<fail>"},
      {"Zg=3D", "<fail>"},
      {"Zm8=3DA", "<fail>"},
      {"Zm8=3d", "<fail>"},  // the spelling is exactly "=3D"
      {"Zm8=3", "<fail>"},
      {"Zm9v\n", "<fail>"},  // no white space or line breaks anywhere
      {"Zm\r\n9v", "<fail>"},
      {" Zm9v", "<fail>"},
      {"Zm9v Zm9v", "<fail>"},
      {"Zm9-", "<fail>"},  // URL-safe alphabet is not accepted
      {"Zm9_", "<fail>"},
      {std::string("Zm\0v", 4), "<fail>"},
      {"Zm9v\xc3\xa9", "<fail>"},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(DecodeOrFail(text), bytes) << text;
}

// The decoder cuts the text every 640 characters and decodes each piece alone.
TEST(Base64CodecTest, DecodesInPiecesOf640Characters) {
  std::mt19937 rng(3);
  const std::string bytes480 = RandomBytes(rng, 480);
  const std::string full = Base64Codec::Encode(bytes480);  // exactly 640 characters
  ASSERT_EQ(full.size(), 640u);
  EXPECT_EQ(DecodeOrFail(full), bytes480);

  // A 640-character text whose last group is padding.
  const std::string bytes478 = bytes480.substr(0, 478);
  const std::string padded = Base64Codec::Encode(bytes478);
  ASSERT_EQ(padded.size(), 640u);
  EXPECT_EQ(DecodeOrFail(padded), bytes478);

  // Padding that ends the first piece of a longer text is that piece's last
  // group, so it is valid; the next piece decodes by itself.
  EXPECT_EQ(DecodeOrFail(padded + "Zm9v"), bytes478 + "foo");

  // Padding anywhere inside the first piece of a longer text fails.
  const std::string early = Base64Codec::Encode(bytes480.substr(0, 475));  // 636 chars, "=="
  ASSERT_EQ(early.size(), 636u);
  EXPECT_EQ(DecodeOrFail(early), bytes480.substr(0, 475));
  EXPECT_EQ(DecodeOrFail(early + "Zm9v"), "<fail>");

  // A second piece too short for a group fails, as does a lone padding group.
  EXPECT_EQ(DecodeOrFail(full + "Zg"), "<fail>");
  EXPECT_EQ(DecodeOrFail(full + "=="), "<fail>");
  EXPECT_EQ(DecodeOrFail(full + "Zg=="), bytes480 + "f");

  // A spelled final group that fits in its piece is valid; one cut by the
  // piece boundary leaves an incomplete group in both pieces.
  const std::string body632 = full.substr(0, 632);
  EXPECT_EQ(DecodeOrFail(body632 + "Zg=3D=3D"), bytes480.substr(0, 474) + "f");
  EXPECT_EQ(DecodeOrFail(full.substr(0, 636) + "Zg=3D=3D"), "<fail>");
  EXPECT_EQ(DecodeOrFail(full.substr(0, 636) + "Zg=3D"), "<fail>");

  // Longer texts: the pieces are concatenated; a bad character in a later
  // piece still fails the whole text.
  const std::string bytes1500 = RandomBytes(rng, 1500);
  std::string text = Base64Codec::Encode(bytes1500);
  EXPECT_EQ(DecodeOrFail(text), bytes1500);
  text[1500] = '.';
  EXPECT_EQ(DecodeOrFail(text), "<fail>");
}

}  // namespace
}  // namespace zr
