// FileCipher: GOST 28147-89 (S-boxes of the GOST R 34.11-94 test parameter set)
// in codebook mode, and the Base64 stored form. The round tables are compile-time
// constants: no initialisation, safe to share between threads.
#include "store/file_cipher.h"

#include <algorithm>
#include <cstring>

#include "store/base64_codec.h"

namespace zr {
namespace {

constexpr size_t kBlockBytes = 8;
constexpr size_t kKeyBytes = 32;

// S-boxes K1..K8 of the GOST R 34.11-94 test parameter set; box i substitutes
// nibble i-1 of the round function's input (K1 the least significant).
constexpr uint8_t kSbox[8][16] = {
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
};

constexpr uint32_t RotateLeft11(uint32_t x) { return (x << 11) | (x >> 21); }

// Table j maps byte j of x to the two substituted nibbles in place, already
// rotated; the round function is the XOR of the four lookups (their bits never
// overlap, and the rotation distributes over XOR).
struct RoundTables {
  uint32_t t[4][256];
};

constexpr RoundTables MakeRoundTables() {
  RoundTables tables{};
  for (int j = 0; j < 4; ++j) {
    for (uint32_t b = 0; b < 256; ++b) {
      const uint32_t low = kSbox[2 * j][b & 15];
      const uint32_t high = kSbox[2 * j + 1][b >> 4];
      tables.t[j][b] = RotateLeft11(((high << 4) | low) << (8 * j));
    }
  }
  return tables;
}

constexpr RoundTables kTables = MakeRoundTables();

inline uint32_t F(uint32_t x) {
  return kTables.t[0][x & 0xFF] ^ kTables.t[1][(x >> 8) & 0xFF] ^ kTables.t[2][(x >> 16) & 0xFF] ^
         kTables.t[3][x >> 24];
}

// Key word used by each round: W0..W7 three times then W7..W0 to encipher; the
// reverse (W0..W7 once then W7..W0 three times) to decipher.
constexpr std::array<uint8_t, 32> MakeOrder(bool decrypt) {
  std::array<uint8_t, 32> order{};
  for (int r = 0; r < 32; ++r) {
    const int forward_rounds = decrypt ? 8 : 24;
    order[r] = static_cast<uint8_t>(r < forward_rounds ? r % 8 : 7 - r % 8);
  }
  return order;
}
constexpr std::array<uint8_t, 32> kEncryptOrder = MakeOrder(false);
constexpr std::array<uint8_t, 32> kDecryptOrder = MakeOrder(true);

inline uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline void StoreLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// GCC otherwise turns the lanes into SSE vectors whose table lookups are
// emulated gathers, at half the speed of plain scalar code.
#if defined(__GNUC__) && !defined(__clang__)
#define ZR_SCALAR_LANES [[gnu::optimize("no-tree-slp-vectorize", "no-tree-vectorize")]]
#else
#define ZR_SCALAR_LANES
#endif

// Runs the 32 rounds on kLanes consecutive blocks at once. The blocks are
// independent (codebook mode), so interleaving them hides the latency of the
// table lookups that bounds a single block's chain of rounds.
template <size_t kLanes, const std::array<uint8_t, 32>& kOrder>
ZR_SCALAR_LANES inline void CryptLanes(const uint32_t* key, uint8_t* data) {
  uint32_t n1[kLanes];
  uint32_t n2[kLanes];
  for (size_t b = 0; b < kLanes; ++b) {
    n1[b] = LoadLE32(data + kBlockBytes * b);
    n2[b] = LoadLE32(data + kBlockBytes * b + 4);
  }
#pragma GCC unroll 16
  for (size_t r = 0; r < 32; r += 2) {
    const uint32_t even_key = key[kOrder[r]];
    const uint32_t odd_key = key[kOrder[r + 1]];
#pragma GCC unroll 16
    for (size_t b = 0; b < kLanes; ++b) n2[b] ^= F(n1[b] + even_key);
#pragma GCC unroll 16
    for (size_t b = 0; b < kLanes; ++b) n1[b] ^= F(n2[b] + odd_key);
  }
  for (size_t b = 0; b < kLanes; ++b) {
    StoreLE32(data + kBlockBytes * b, n2[b]);
    StoreLE32(data + kBlockBytes * b + 4, n1[b]);
  }
}

template <const std::array<uint8_t, 32>& kOrder>
void CryptBlocks(const uint32_t* key, uint8_t* data, size_t length) {
  constexpr size_t kLanes = 8;
  size_t blocks = length / kBlockBytes;
  for (; blocks >= kLanes; blocks -= kLanes, data += kLanes * kBlockBytes) {
    CryptLanes<kLanes, kOrder>(key, data);
  }
  // The last 1 to 7 blocks (all of a typical short string) run as one group of
  // 4 or 8 lanes in a scratch buffer: a single pass costs about as much as one
  // block's chain of rounds.
  if (blocks == 0) return;
  uint8_t scratch[kLanes * kBlockBytes] = {};
  std::memcpy(scratch, data, blocks * kBlockBytes);
  if (blocks == 1) {
    CryptLanes<1, kOrder>(key, scratch);
  } else if (blocks == 2) {
    CryptLanes<2, kOrder>(key, scratch);
  } else if (blocks <= 4) {
    CryptLanes<4, kOrder>(key, scratch);
  } else {
    CryptLanes<kLanes, kOrder>(key, scratch);
  }
  std::memcpy(data, scratch, blocks * kBlockBytes);
}

// The bytes before the first zero byte (all of them when there is none).
std::string_view UpToFirstZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

size_t RoundUpToBlock(size_t n) { return (n + kBlockBytes - 1) / kBlockBytes * kBlockBytes; }

}  // namespace

FileCipher::FileCipher() : FileCipher(kStoreKey) {}

FileCipher::FileCipher(std::string_view key) {
  static_assert(kKeyBytes == 4 * std::tuple_size_v<decltype(key_)>);
  // A short key is zero-filled rather than read past its end.
  uint8_t bytes[kKeyBytes] = {};
  std::memcpy(bytes, key.data(), std::min(key.size(), kKeyBytes));
  for (size_t i = 0; i < key_.size(); ++i) key_[i] = LoadLE32(bytes + 4 * i);
}

void FileCipher::EncryptBlocks(uint8_t* data, size_t length) const {
  CryptBlocks<kEncryptOrder>(key_.data(), data, length);
}

void FileCipher::DecryptBlocks(uint8_t* data, size_t length) const {
  CryptBlocks<kDecryptOrder>(key_.data(), data, length);
}

std::string FileCipher::Encrypt(std::string_view plain) const {
  plain = UpToFirstZero(plain);
  std::string buffer(RoundUpToBlock(plain.size()), '\0');
  std::memcpy(buffer.data(), plain.data(), plain.size());
  EncryptBlocks(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size());
  return Base64Codec::Encode(buffer);
}

std::string FileCipher::Decrypt(std::string_view text) const {
  std::string buffer;
  if (Base64Codec::Decode(text, buffer) < 0) return {};
  // The stored form never holds more than one buffer of ciphertext; a larger
  // text is damaged or hostile, and reads as empty rather than being trusted.
  if (buffer.size() > kMaxCipherBytes) return {};
  buffer.resize(RoundUpToBlock(buffer.size()), '\0');
  DecryptBlocks(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size());
  return std::string(UpToFirstZero(buffer));
}

}  // namespace zr
