// ASCII case folding, with a word-at-a-time lowering for long texts.
#include "platform/ascii_case.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zr {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

// For each of the 8 bytes in word: 0x80 when it is an ASCII capital, else 0.
// Bytes are compared as 7-bit values and those with the high bit excluded.
std::uint64_t CapitalMask(std::uint64_t word) {
  const std::uint64_t low7 = word & (0x7f * kOnes);
  const std::uint64_t at_least_a = low7 + (0x80 - 'A') * kOnes;
  const std::uint64_t above_z = low7 + (0x80 - 'Z' - 1) * kOnes;
  return at_least_a & ~above_z & ~word & (0x80 * kOnes);
}

}  // namespace

void AsciiLowerInPlace(std::string& text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    word |= CapitalMask(word) >> 2;  // 0x80 >> 2 is the case bit 0x20
    std::memcpy(text.data() + i, &word, 8);
  }
  for (; i < text.size(); ++i) text[i] = AsciiLower(text[i]);
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  AsciiLowerInPlace(lower);
  return lower;
}

bool HasAsciiUpper(std::string_view text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if (CapitalMask(word) != 0) return true;
  }
  for (; i < text.size(); ++i) {
    if (AsciiLower(text[i]) != text[i]) return true;
  }
  return false;
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

int AsciiCompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t length = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace zr
