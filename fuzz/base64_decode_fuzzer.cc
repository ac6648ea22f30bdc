// Fuzz target: Base64Codec::Decode on arbitrary text. A decoded size must fit
// the text; encoding the input bytes and decoding them must give them back.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "store/base64_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zr;
  // The decoder has no size limit of its own.
  if (size > fuzz::kMaxInputSize) return 0;
  std::string_view text = fuzz::AsText(data, size);

  std::string out;
  long decoded = Base64Codec::Decode(text, out);
  ZR_FUZZ_CHECK(decoded >= -1);
  if (decoded >= 0) {
    ZR_FUZZ_CHECK(static_cast<size_t>(decoded) == out.size());
    ZR_FUZZ_CHECK(out.size() <= text.size() / 4 * 3);
  }

  std::string encoded = Base64Codec::Encode(data, size);
  ZR_FUZZ_CHECK(encoded.size() == (size + 2) / 3 * 4);
  std::string back;
  ZR_FUZZ_CHECK(Base64Codec::Decode(encoded, back) == static_cast<long>(size));
  ZR_FUZZ_CHECK(back == text);
  return 0;
}
