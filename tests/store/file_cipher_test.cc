// The stored text of protected strings: FileCipher against libgcrypt's
// GOST 28147-89 (whose default S-boxes are the same test parameter set) and a
// published vector, and Base64Codec against a bit-by-bit reference encoder and
// the strict piece-wise decoding rules.
#include "store/file_cipher.h"

#include <gcrypt.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "store/base64_codec.h"

namespace zr {
namespace {

std::string RandomBytes(std::mt19937& rng, size_t n, bool no_zero = false) {
  std::string bytes(n, '\0');
  for (auto& b : bytes) b = static_cast<char>(no_zero ? 1 + rng() % 255 : rng());
  return bytes;
}

// libgcrypt's GOST 28147-89 in codebook mode, given the same 32 key bytes.
std::string Reference(std::string_view key, std::string data, bool decrypt) {
  static const bool initialised = [] {
    gcry_check_version(nullptr);
    return gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0) == 0;
  }();
  EXPECT_TRUE(initialised);
  gcry_cipher_hd_t handle = nullptr;
  EXPECT_EQ(gcry_cipher_open(&handle, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, 0), 0u);
  EXPECT_EQ(gcry_cipher_setkey(handle, key.data(), 32), 0u);
  EXPECT_EQ(decrypt ? gcry_cipher_decrypt(handle, data.data(), data.size(), nullptr, 0)
                    : gcry_cipher_encrypt(handle, data.data(), data.size(), nullptr, 0),
            0u);
  gcry_cipher_close(handle);
  return data;
}

std::string Ours(const FileCipher& cipher, std::string data, bool decrypt) {
  auto* bytes = reinterpret_cast<uint8_t*>(data.data());
  decrypt ? cipher.DecryptBlocks(bytes, data.size()) : cipher.EncryptBlocks(bytes, data.size());
  return data;
}

TEST(FileCipherTest, BlocksMatchLibgcryptAndThePublishedVector) {
  std::mt19937 rng(1987);
  std::vector<std::string> keys = {std::string(kStoreKey.substr(0, 32))};
  for (int i = 0; i < 4; ++i) keys.push_back(RandomBytes(rng, 32));
  // Lengths cover the single-block path, the four-block path and mixtures.
  for (const auto& key : keys) {
    const FileCipher cipher(key);
    for (size_t blocks = 0; blocks <= 12; ++blocks) {
      const std::string data = RandomBytes(rng, blocks * 8);
      ASSERT_EQ(Ours(cipher, data, false), Reference(key, data, false)) << blocks << " blocks";
      ASSERT_EQ(Ours(cipher, data, true), Reference(key, data, true)) << blocks << " blocks";
    }
  }
  const std::string key(
      "\xbe\x5e\xc2\x00\x6c\xff\x9d\xcf\x52\x35\x49\x59\xf1\xff\x0c\xbf"
      "\xe9\x50\x61\xb5\xa6\x48\xc1\x03\x87\x06\x9c\x25\x99\x7c\x06\x72",
      32);
  EXPECT_EQ(Ours(FileCipher(key), "\x0d\xf8\x28\x02\xb7\x41\xa2\x92", false),
            "\x07\xf9\x02\x7d\xf7\xf7\xdf\x89");
  // The program's key is the first 32 bytes of the key text.
  std::string other(kStoreKey);
  other.replace(32, 4, "XXXX");
  EXPECT_EQ(FileCipher().Encrypt("secret"), FileCipher(other).Encrypt("secret"));
}

TEST(FileCipherTest, StoredTextRoundTripsAndEndsAtTheFirstZeroByte) {
  const FileCipher cipher;
  EXPECT_EQ(cipher.Encrypt(std::string(1024, 'x')).size(), 1368u);
  std::mt19937 rng(7);
  for (size_t n = 0; n <= kMaxCipherBytes; n += 7) {
    const std::string plain = RandomBytes(rng, n, true);
    ASSERT_EQ(cipher.Decrypt(cipher.Encrypt(plain)), plain) << n;
  }
  EXPECT_EQ(cipher.Decrypt(cipher.Encrypt(std::string("ab\0cd", 5))), "ab");
  // Deciphered bytes end at their first zero; a partial block is zero-padded first.
  std::string block("ab\0cdefg", 8);
  EXPECT_EQ(cipher.Decrypt(Base64Codec::Encode(Ours(cipher, block, false))), "ab");
  const std::string padded = Ours(cipher, std::string("\x11\x22\x33\x44\x55\0\0\0", 8), true);
  EXPECT_EQ(cipher.Decrypt(Base64Codec::Encode("\x11\x22\x33\x44\x55")),
            padded.substr(0, padded.find('\0')));
}

TEST(FileCipherTest, InvalidOrOversizedTextDecryptsToEmpty) {
  const FileCipher cipher;
  const std::string good = cipher.Encrypt("password");
  const std::string longest = cipher.Encrypt(std::string(1024, 'p'));
  const std::string too_long = cipher.Encrypt(std::string(1025, 'p'));  // encoding is not limited
  ASSERT_EQ(too_long.size(), 1376u);
  for (const std::string& text : {good.substr(0, 5) + "\n" + good.substr(5), good + "\r\n",
                                  " " + good, good.substr(0, good.size() - 1), too_long,
                                  longest + longest}) {
    EXPECT_EQ(cipher.Decrypt(text), "") << text;
  }
  // Padding spelled "=3D" decrypts the same.
  const std::string two = cipher.Encrypt(std::string(10, 'a'));
  EXPECT_EQ(cipher.Decrypt(cipher.Encrypt("a").substr(0, 11) + "=3D"), "a");
  EXPECT_EQ(cipher.Decrypt(two.substr(0, 22) + "=3D=3D"), std::string(10, 'a'));
}

// Reference encoder: takes the input as a bit string, six bits at a time.
std::string ReferenceEncode(std::string_view bytes) {
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (size_t start = 0; start < bytes.size() * 8; start += 6) {
    int value = 0;
    for (size_t bit = start; bit < start + 6; ++bit) {
      const bool in = bit < bytes.size() * 8;
      value = value * 2 + (in ? (static_cast<uint8_t>(bytes[bit / 8]) >> (7 - bit % 8)) & 1 : 0);
    }
    text.push_back(alphabet[value]);
  }
  while (text.size() % 4 != 0) text.push_back('=');
  return text;
}

// Decodes text, giving "<fail>" when the decoder refuses it.
std::string DecodeOrFail(std::string_view text) {
  std::string out;
  const long n = Base64Codec::Decode(text, out);
  if (n < 0) return "<fail>";
  EXPECT_EQ(static_cast<size_t>(n), out.size());
  return out;
}

TEST(Base64CodecTest, EncodesLikeTheReferenceAtEveryLength) {
  std::mt19937 rng(42);
  for (size_t n = 0; n <= 700; ++n) {
    const std::string bytes = RandomBytes(rng, n);
    const std::string text = Base64Codec::Encode(bytes);
    ASSERT_EQ(text, ReferenceEncode(bytes)) << n;
    ASSERT_EQ(DecodeOrFail(text), bytes) << n;
  }
}

TEST(Base64CodecTest, DecodesOnlyStrictFinalGroupsInPiecesOf640) {
  std::mt19937 rng(3);
  const std::string bytes480 = RandomBytes(rng, 480);
  const std::string full = Base64Codec::Encode(bytes480);  // exactly 640 characters
  const std::string padded = Base64Codec::Encode(bytes480.substr(0, 478));  // 640, ends "="
  const std::string early = Base64Codec::Encode(bytes480.substr(0, 475));   // 636, ends "=="
  const std::pair<std::string, std::string> rows[] = {
      {"Zg==", "f"},        {"Zg=3D=3D", "f"},   {"Zm8=3D", "fo"},     {"//79", "\xff\xfe\xfd"},
      {"Zg", "<fail>"},     {"Zm8==", "<fail>"}, {"Zg==Zm9v", "<fail>"}, {"Zm8=3d", "<fail>"},
      {"Zm9v\n", "<fail>"}, {"Zm9-", "<fail>"},  {std::string("Zm\0v", 4), "<fail>"},
      // Padding that ends the first piece is its last group; the next piece decodes alone.
      {padded + "Zm9v", bytes480.substr(0, 478) + "foo"},
      {early + "Zm9v", "<fail>"},
      {full + "Zg==", bytes480 + "f"},
      {full.substr(0, 636) + "Zg=3D=3D", "<fail>"},  // cut by the piece boundary
      {full + full.substr(0, 100) + ".AAA", "<fail>"},  // a bad byte in a later piece
  };
  for (const auto& [text, bytes] : rows) EXPECT_EQ(DecodeOrFail(text), bytes) << text.substr(0, 40);
}

}  // namespace
}  // namespace zr
