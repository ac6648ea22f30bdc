// Base64Codec: the Base64 text of the data files. Encoding works in 480-byte
// pieces; decoding works in 640-character pieces, each of which may end with
// "=" padding, also written "=3D".
#ifndef ZRFORM_STORE_BASE64_CODEC_H_
#define ZRFORM_STORE_BASE64_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zr {

class Base64Codec {
 public:
  // Standard Base64 ("A-Za-z0-9+/", "=" padding, no line breaks).
  static std::string Encode(const uint8_t* bytes, size_t length);
  static std::string Encode(std::string_view bytes) {
    return Encode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  // Decodes text into out and returns the number of bytes, or -1 when text is
  // not valid (out is then unspecified). An empty text decodes to 0 bytes.
  // The text is cut every 640 characters and each piece decodes by itself: only
  // its last group may be padding ("xx==" or "xxx=", each "=" also "=3D").
  // Any other character (white space included), an incomplete group or padding
  // before the end of a piece fails.
  static long Decode(std::string_view text, std::string& out);
};

}  // namespace zr

#endif  // ZRFORM_STORE_BASE64_CODEC_H_
