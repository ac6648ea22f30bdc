// FileCipher: GOST 28147-89 in electronic-codebook mode under the fixed program
// key, with Base64 text as the stored form of every data-file string but the
// history's. Its lookup tables are built at compile time; it is thread-safe.
#ifndef ZRFORM_STORE_FILE_CIPHER_H_
#define ZRFORM_STORE_FILE_CIPHER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zr {

// The fixed program key; only its first 32 bytes are used.
inline constexpr std::string_view kStoreKey = "Sealphrase(s) 1987 Tarnwick Holdings";
// The largest ciphertext (and so plaintext) one stored string holds.
inline constexpr size_t kMaxCipherBytes = 1024;

class FileCipher {
 public:
  // Uses the first 32 bytes of kStoreKey.
  FileCipher();
  // Uses the first 32 bytes of key (tests); a shorter key is zero-filled.
  explicit FileCipher(std::string_view key);

  // The bytes of plain up to its first zero byte, enciphered (zero-padded to a
  // multiple of 8) and Base64-encoded. The stored form holds at most
  // kMaxCipherBytes of ciphertext: cutting a longer text (at a character
  // boundary) is the caller's job; Encrypt itself enciphers all it is given.
  std::string Encrypt(std::string_view plain) const;
  // Base64-decodes text and deciphers it, returning the bytes up to the first
  // zero byte. Text that is not valid Base64, or that decodes to more than
  // kMaxCipherBytes, gives the empty string.
  std::string Decrypt(std::string_view text) const;

  // Enciphers or deciphers length bytes in place, in 8-byte blocks.
  // REQUIRES: length is a multiple of 8.
  void EncryptBlocks(uint8_t* data, size_t length) const;
  void DecryptBlocks(uint8_t* data, size_t length) const;

 private:
  std::array<uint32_t, 8> key_;
};

}  // namespace zr

#endif  // ZRFORM_STORE_FILE_CIPHER_H_
