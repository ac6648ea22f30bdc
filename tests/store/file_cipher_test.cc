// Tests of FileCipher: the block cipher against libgcrypt's GOST 28147-89 (whose
// default S-boxes are the same test parameter set), and the stored text form.
#include "store/file_cipher.h"

#include <gcrypt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "store/base64_codec.h"

namespace zr {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomBytes(std::mt19937& rng, size_t n) {
  Bytes bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(rng());
  return bytes;
}

Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

// libgcrypt's GOST 28147-89 in codebook mode, given the same 32 key bytes.
Bytes Reference(std::string_view key, Bytes data, bool decrypt) {
  static const bool initialised = [] {
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)initialised;
  gcry_cipher_hd_t handle = nullptr;
  EXPECT_EQ(gcry_cipher_open(&handle, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_ECB, 0), 0u);
  EXPECT_EQ(gcry_cipher_setkey(handle, key.data(), 32), 0u);
  const auto err = decrypt ? gcry_cipher_decrypt(handle, data.data(), data.size(), nullptr, 0)
                           : gcry_cipher_encrypt(handle, data.data(), data.size(), nullptr, 0);
  EXPECT_EQ(err, 0u);
  gcry_cipher_close(handle);
  return data;
}

Bytes Ours(const FileCipher& cipher, Bytes data, bool decrypt) {
  if (decrypt) {
    cipher.DecryptBlocks(data.data(), data.size());
  } else {
    cipher.EncryptBlocks(data.data(), data.size());
  }
  return data;
}

TEST(FileCipherTest, MatchesLibgcryptWithProgramAndRandomKeys) {
  std::mt19937 rng(1987);
  std::vector<std::string> keys = {std::string(kStoreKey.substr(0, 32))};
  for (int i = 0; i < 8; ++i) {
    const Bytes k = RandomBytes(rng, 32);
    keys.emplace_back(k.begin(), k.end());
  }
  // Lengths cover the single-block path, the four-block path and mixtures.
  for (const auto& key : keys) {
    const FileCipher cipher(key);
    for (size_t blocks = 0; blocks <= 40; ++blocks) {
      const Bytes data = RandomBytes(rng, blocks * 8);
      const Bytes encrypted = Ours(cipher, data, false);
      ASSERT_EQ(encrypted, Reference(key, data, false)) << blocks << " blocks";
      ASSERT_EQ(Ours(cipher, data, true), Reference(key, data, true)) << blocks << " blocks";
      ASSERT_EQ(Ours(cipher, encrypted, true), data);
    }
  }
}

// A published GOST 28147-89 vector for the test parameter set, independent of
// both implementations.
TEST(FileCipherTest, KnownAnswer) {
  const Bytes key = FromHex("be5ec2006cff9dcf52354959f1ff0cbfe95061b5a648c10387069c25997c0672");
  const FileCipher cipher(std::string_view(reinterpret_cast<const char*>(key.data()), 32));
  EXPECT_EQ(Ours(cipher, FromHex("0df82802b741a292"), false), FromHex("07f9027df7f7df89"));
  EXPECT_EQ(Ours(cipher, FromHex("07f9027df7f7df89"), true), FromHex("0df82802b741a292"));
}

TEST(FileCipherTest, DefaultKeyIsFirst32BytesOfStoreKey) {
  const FileCipher program;
  const FileCipher explicit_key(kStoreKey.substr(0, 32));
  EXPECT_EQ(program.Encrypt("secret"), explicit_key.Encrypt("secret"));
  // The last four characters of the key text take no part.
  std::string other(kStoreKey);
  other.replace(32, 4, "XXXX");
  EXPECT_EQ(program.Encrypt("secret"), FileCipher(other).Encrypt("secret"));
}

TEST(FileCipherTest, StoredTextLengths) {
  struct Case {
    std::string plain;
    size_t text_length;
    size_t padding;  // trailing "=" characters
  };
  const Case cases[] = {
      {"", 0, 0},
      {"a", 12, 1},          // 1 byte -> 8 bytes of ciphertext
      {"12345678", 12, 1},   // a whole block: no zero padding
      {"123456789", 24, 2},  // 16 bytes of ciphertext
      {std::string(1024, 'x'), 1368, 2},
  };
  const FileCipher cipher;
  for (const auto& c : cases) {
    const std::string text = cipher.Encrypt(c.plain);
    EXPECT_EQ(text.size(), c.text_length) << c.plain.size();
    const size_t padding = text.size() - std::min(text.size(), text.find_last_not_of('=') + 1);
    EXPECT_EQ(padding, c.padding) << c.plain.size();
    EXPECT_EQ(cipher.Decrypt(text), c.plain) << c.plain.size();
  }
}

TEST(FileCipherTest, WholeBlockPlaintextHasNoZeroPadding) {
  const FileCipher cipher;
  const std::string text = cipher.Encrypt("12345678");
  std::string ciphertext;
  ASSERT_EQ(Base64Codec::Decode(text, ciphertext), 8);
  cipher.DecryptBlocks(reinterpret_cast<uint8_t*>(ciphertext.data()), ciphertext.size());
  EXPECT_EQ(ciphertext, "12345678");
}

TEST(FileCipherTest, RoundTripsAllLengthsUpToTheBuffer) {
  std::mt19937 rng(7);
  const FileCipher cipher;
  for (size_t n = 0; n <= kMaxCipherBytes; ++n) {
    std::string plain(n, '\0');
    for (auto& c : plain) c = static_cast<char>(1 + rng() % 255);  // no zero bytes
    ASSERT_EQ(cipher.Decrypt(cipher.Encrypt(plain)), plain) << n;
  }
}

TEST(FileCipherTest, PlaintextEndsAtFirstZeroByte) {
  const FileCipher cipher;
  EXPECT_EQ(cipher.Encrypt(std::string_view("ab\0cd", 5)), cipher.Encrypt("ab"));
  EXPECT_EQ(cipher.Encrypt(std::string_view("\0xyz", 4)), "");
}

TEST(FileCipherTest, DecryptStopsAtFirstZeroOfDecipheredBytes) {
  const FileCipher cipher;
  std::string block("ab\0cdefg", 8);
  cipher.EncryptBlocks(reinterpret_cast<uint8_t*>(block.data()), block.size());
  EXPECT_EQ(cipher.Decrypt(Base64Codec::Encode(block)), "ab");
}

TEST(FileCipherTest, PartialBlockIsZeroPaddedBeforeDeciphering) {
  const FileCipher cipher;
  const std::string partial = "\x11\x22\x33\x44\x55";
  Bytes padded(partial.begin(), partial.end());
  padded.resize(8, 0);
  const Bytes plain = Ours(cipher, padded, true);
  const std::string expected(plain.begin(), std::find(plain.begin(), plain.end(), uint8_t{0}));
  EXPECT_EQ(cipher.Decrypt(Base64Codec::Encode(partial)), expected);
}

TEST(FileCipherTest, InvalidOrOversizedTextDecryptsToEmpty) {
  const FileCipher cipher;
  const std::string good = cipher.Encrypt("password");
  const std::string longest = cipher.Encrypt(std::string(1024, 'p'));
  // The encoder is not limited; the decoder refuses more than one buffer.
  const std::string too_long = cipher.Encrypt(std::string(1025, 'p'));
  ASSERT_EQ(too_long.size(), 1376u);
  const std::string cases[] = {
      good.substr(0, 5) + "\n" + good.substr(5), good + "\r\n", " " + good,
      good.substr(0, good.size() - 1),           too_long,      longest + longest,
  };
  for (const auto& text : cases) EXPECT_EQ(cipher.Decrypt(text), "") << text;
  EXPECT_EQ(cipher.Decrypt(longest), std::string(1024, 'p'));
}

TEST(FileCipherTest, EscapedPaddingDecryptsTheSame) {
  const FileCipher cipher;
  const std::string one = cipher.Encrypt("a");                   // 8 bytes: "xxxxxxxxxxx="
  const std::string two = cipher.Encrypt(std::string(10, 'a'));  // 16 bytes: "...xx=="
  ASSERT_EQ(two.substr(two.size() - 2), "==");
  EXPECT_EQ(cipher.Decrypt(one.substr(0, 11) + "=3D"), "a");
  EXPECT_EQ(cipher.Decrypt(two.substr(0, 22) + "=3D=3D"), std::string(10, 'a'));
}

}  // namespace
}  // namespace zr
