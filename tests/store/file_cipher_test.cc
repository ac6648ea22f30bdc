// Stored text: FileCipher against libgcrypt's GOST 28147-89 (its default S-boxes are the same
// test parameter set), Base64Codec against a bit-by-bit encoder and the strict decoding rules.
#include "store/file_cipher.h"

#include <gcrypt.h>
#include <gtest/gtest.h>

#include <random>

#include "store/base64_codec.h"

namespace zr {
namespace {

std::string RandomBytes(std::mt19937& rng, size_t n, bool no_zero = false) {
  std::string bytes(n, '\0');
  for (auto& b : bytes) b = static_cast<char>(no_zero ? 1 + rng() % 255 : rng());
  return bytes;
}

// Runs data through our cipher, or libgcrypt's GOST 28147-89 in codebook mode.
std::string Blocks(std::string_view key, std::string data, bool decrypt, bool gcrypt = false) {
  auto* p = reinterpret_cast<uint8_t*>(data.data());
  const FileCipher ours(key);
  if (!gcrypt) decrypt ? ours.DecryptBlocks(p, data.size()) : ours.EncryptBlocks(p, data.size());
  static const bool ready =
      gcry_check_version(nullptr) && !gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  auto run = decrypt ? gcry_cipher_decrypt : gcry_cipher_encrypt;
  gcry_cipher_hd_t h = nullptr;
  EXPECT_TRUE(!gcrypt || (ready && !gcry_cipher_open(&h, GCRY_CIPHER_GOST28147, 1 /* ECB */, 0) &&
                          !gcry_cipher_setkey(h, key.data(), 32) && !run(h, p, data.size(), 0, 0)));
  gcry_cipher_close(h);
  return data;
}

TEST(FileCipherTest, BlocksMatchLibgcryptAndTheKeyIsTheFirst32BytesOfTheKeyText) {
  std::mt19937 rng(1987);
  for (int k = 0; k < 5; ++k) {
    const std::string key = k == 0 ? std::string(kStoreKey.substr(0, 32)) : RandomBytes(rng, 32);
    for (size_t blocks = 0; blocks <= 12; ++blocks) {  // one- and four-block paths and mixtures
      const std::string data = RandomBytes(rng, blocks * 8);
      for (bool decrypt : {false, true})
        ASSERT_EQ(Blocks(key, data, decrypt), Blocks(key, data, decrypt, true)) << blocks;
    }
  }
  EXPECT_EQ(FileCipher().Encrypt("s"),
            FileCipher(std::string(kStoreKey.substr(0, 32)) + "X").Encrypt("s"));
}

TEST(FileCipherTest, StoredTextRoundTripsEndsAtZeroAndRejectsBadText) {
  const FileCipher cipher;
  const std::string key(kStoreKey.substr(0, 32)), block("ab\0cdefg", 8);
  std::mt19937 rng(7);
  for (size_t n = 0; n <= kMaxCipherBytes; n += 7) {
    const std::string plain = RandomBytes(rng, n, true);
    ASSERT_EQ(cipher.Decrypt(cipher.Encrypt(plain)), plain) << n;
  }
  EXPECT_EQ(cipher.Decrypt(Base64Codec::Encode(Blocks(key, block, false))), "ab");
  const std::string padded = Blocks(key, std::string("\x11\x22\x33\x44\x55\0\0\0", 8), true);
  EXPECT_EQ(cipher.Decrypt(Base64Codec::Encode("\x11\x22\x33\x44\x55")),
            padded.substr(0, padded.find('\0')))
      << "a partial block is zero-padded";
  const std::string good = cipher.Encrypt("password"), max = cipher.Encrypt(std::string(1024, 'p'));
  for (const std::string& text :
       {good.substr(0, 5) + "\n" + good.substr(5), good + "\r\n", " " + good, max + max,
        good.substr(0, good.size() - 1), cipher.Encrypt(std::string(1025, 'p')) /* not limited */})
    EXPECT_EQ(cipher.Decrypt(text), "") << text.substr(0, 40);
}

// Takes the input as a bit string, six bits at a time.
std::string ReferenceEncode(std::string_view bytes) {
  std::string text;
  for (size_t start = 0; start < bytes.size() * 8; start += 6) {
    int value = 0;
    for (size_t bit = start; bit < start + 6; ++bit)
      value = 2 * value + (bit < bytes.size() * 8 && uint8_t(bytes[bit / 8]) >> (7 - bit % 8) & 1);
    text.push_back("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[value]);
  }
  return text + std::string((4 - text.size() % 4) % 4, '=');
}

std::string DecodeOrFail(std::string_view text) {
  std::string out;
  const long n = Base64Codec::Decode(text, out);
  return n < 0 ? "<fail>" : n == long(out.size()) ? out : "<wrong length>";
}

TEST(Base64CodecTest, EncodesLikeTheReferenceAndDecodesOnlyStrictGroupsInPiecesOf640) {
  std::mt19937 rng(42);
  for (size_t n = 0; n <= 700; ++n) {
    const std::string bytes = RandomBytes(rng, n);
    ASSERT_EQ(Base64Codec::Encode(bytes), ReferenceEncode(bytes)) << n;
    ASSERT_EQ(DecodeOrFail(ReferenceEncode(bytes)), bytes) << n;
  }
  const std::string b480 = RandomBytes(rng, 480), full = Base64Codec::Encode(b480);  // 640 long
  const std::pair<std::string, std::string> rows[] = {
      {"Zg=3D=3D", "f"},
      {"Zg", "<fail>"},
      {"Zm8==", "<fail>"},
      {"Zg==Zm9v", "<fail>"},
      {"Zm8=3d", "<fail>"},
      {"Zm9v\n", "<fail>"},
      {std::string("Zm\0v", 4), "<fail>"},
      // Padding that ends the first piece is its last group; the next piece decodes alone.
      {Base64Codec::Encode(b480.substr(0, 478)) + "Zm9v", b480.substr(0, 478) + "foo"},
      {Base64Codec::Encode(b480.substr(0, 475)) + "Zm9v", "<fail>"},  // "==" before the boundary
      {full + "Zg==", b480 + "f"},
      {full.substr(0, 636) + "Zg=3D=3D", "<fail>"},     // cut by it
      {full + full.substr(0, 100) + ".AAA", "<fail>"},  // a bad byte in a later piece
  };
  for (const auto& [text, bytes] : rows) EXPECT_EQ(DecodeOrFail(text), bytes) << text.substr(0, 40);
}

}  // namespace
}  // namespace zr
