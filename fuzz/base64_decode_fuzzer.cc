// Fuzz target: Base64Codec::Decode on arbitrary text. A decoded size must fit
// the text; encoding the input bytes and decoding them must give them back.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "store/base64_codec.h"

namespace zr {
namespace {

void RunInput(std::string_view text) {
  std::string out;
  long decoded = Base64Codec::Decode(text, out);
  ZR_FUZZ_CHECK(decoded >= -1);
  if (decoded >= 0) {
    ZR_FUZZ_CHECK(static_cast<size_t>(decoded) == out.size());
    ZR_FUZZ_CHECK(out.size() <= text.size() / 4 * 3);
  }

  std::string encoded =
      Base64Codec::Encode(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  ZR_FUZZ_CHECK(encoded.size() == (text.size() + 2) / 3 * 4);
  std::string back;
  ZR_FUZZ_CHECK(Base64Codec::Decode(encoded, back) == static_cast<long>(text.size()));
  ZR_FUZZ_CHECK(back == text);
}

}  // namespace
}  // namespace zr

// The decoder has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput)
