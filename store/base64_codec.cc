// Base64Codec: standard Base64 for the stored strings. The decoder works in
// fixed 640-character pieces and is strict: no white space, padding only at
// the end of a piece.
#include "store/base64_codec.h"

#include <array>

namespace zr {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Decoding reads the text in pieces of this many characters, each decoded by
// itself. Encoding in pieces of 480 bytes (3/4 of it) gives exactly the text of
// encoding the whole input at once, because 480 is a multiple of 3; so the
// encoder works on the whole input.
constexpr size_t kDecodePiece = 640;

constexpr uint8_t kInvalid = 0xFF;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (auto& entry : table) entry = kInvalid;
  for (uint8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<uint8_t, 256> kDecode = MakeDecodeTable();

inline uint8_t Value(char c) { return kDecode[static_cast<uint8_t>(c)]; }

// Consumes one padding mark at pos: "=" or its spelling "=3D".
bool SkipPad(std::string_view group, size_t& pos) {
  if (pos >= group.size() || group[pos] != '=') return false;
  // "=" followed by "3D" can only be the spelling: after a padding mark only
  // another mark or the end of the piece is valid.
  pos += group.compare(pos, 3, "=3D") == 0 ? 3 : 1;
  return true;
}

// Decodes the last group of a piece, which is the only place padding may stand:
// two alphabet characters and two marks (1 byte) or three and one (2 bytes).
// Each mark is "=" or "=3D" independently, so "xx==", "xx=3D=", "xx==3D",
// "xx=3D=3D", "xxx=" and "xxx=3D" are the valid forms. The group must reach
// exactly the end of the piece.
bool DecodeFinalGroup(std::string_view group, std::string& out) {
  size_t letters = 0;
  uint8_t v[3] = {0, 0, 0};
  while (letters < 3 && letters < group.size() && Value(group[letters]) != kInvalid) {
    v[letters] = Value(group[letters]);
    ++letters;
  }
  if (letters < 2) return false;
  size_t pos = letters;
  for (size_t marks = 4 - letters; marks > 0; --marks) {
    if (!SkipPad(group, pos)) return false;
  }
  if (pos != group.size()) return false;
  // Bits of the last character below the last whole byte are ignored.
  out.push_back(static_cast<char>((v[0] << 2) | (v[1] >> 4)));
  if (letters == 3) out.push_back(static_cast<char>((v[1] << 4) | (v[2] >> 2)));
  return true;
}

// Decodes one piece and appends its bytes to out.
bool DecodePiece(std::string_view piece, std::string& out) {
  size_t i = 0;
  while (i < piece.size()) {
    if (piece.size() - i >= 4) {
      const uint8_t a = Value(piece[i]);
      const uint8_t b = Value(piece[i + 1]);
      const uint8_t c = Value(piece[i + 2]);
      const uint8_t d = Value(piece[i + 3]);
      if (((a | b | c | d) & 0xC0) == 0) {  // every invalid value has these bits
        const uint32_t bits = (uint32_t{a} << 18) | (uint32_t{b} << 12) | (uint32_t{c} << 6) | d;
        out.push_back(static_cast<char>(bits >> 16));
        out.push_back(static_cast<char>(bits >> 8));
        out.push_back(static_cast<char>(bits));
        i += 4;
        continue;
      }
    }
    // A group that is not four alphabet characters: only padding that ends
    // the piece is valid; anything else (including an incomplete group) fails.
    return DecodeFinalGroup(piece.substr(i), out);
  }
  return true;
}

}  // namespace

std::string Base64Codec::Encode(const uint8_t* bytes, size_t length) {
  std::string text;
  text.reserve((length + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    const uint32_t bits = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    text.push_back(kAlphabet[(bits >> 18) & 63]);
    text.push_back(kAlphabet[(bits >> 12) & 63]);
    text.push_back(kAlphabet[(bits >> 6) & 63]);
    text.push_back(kAlphabet[bits & 63]);
  }
  const size_t rest = length - i;
  if (rest > 0) {
    uint32_t bits = uint32_t{bytes[i]} << 16;
    if (rest == 2) bits |= uint32_t{bytes[i + 1]} << 8;
    text.push_back(kAlphabet[(bits >> 18) & 63]);
    text.push_back(kAlphabet[(bits >> 12) & 63]);
    text.push_back(rest == 2 ? kAlphabet[(bits >> 6) & 63] : '=');
    text.push_back('=');
  }
  return text;
}

// The text is cut into pieces every 640 raw characters, whatever they hold, and
// each piece must decode by itself. A "=3D" spelling makes a final group longer
// than 4 characters; a group cut by a piece boundary fails like any other
// incomplete group. (For ciphertexts, whose lengths are multiples of 8, the
// final group never straddles a boundary.) Padding at the end of a piece that
// is not the last one is valid: that piece decodes by itself.
long Base64Codec::Decode(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size() / 4 * 3 + 3);
  for (size_t pos = 0; pos < text.size(); pos += kDecodePiece) {
    if (!DecodePiece(text.substr(pos, kDecodePiece), out)) return -1;
  }
  return static_cast<long>(out.size());
}

}  // namespace zr
