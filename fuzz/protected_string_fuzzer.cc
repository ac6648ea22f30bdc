// Fuzz target: ReadProtectedString over arbitrary bytes, read to the end of
// the data. Every string read must write and read back unchanged, and any
// text must read back as the stored form FitToStoredString gives it.
// Input: a code-page selector byte, then the data.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "store/file_cipher.h"
#include "store/protected_string.h"

namespace zr {
namespace {

void CheckRoundTrip(std::string_view text) {
  ByteWriter writer;
  ZR_FUZZ_CHECK(WriteProtectedString(writer, text));
  ByteReader reader(writer.data());
  std::string back = "unchanged";
  ZR_FUZZ_CHECK(ReadProtectedString(reader, back));
  ZR_FUZZ_CHECK(back == FitToStoredString(text));
  ZR_FUZZ_CHECK(reader.AtEnd());
}

void RunInput(std::string_view bytes) {
  ByteReader reader(bytes);
  std::string s;
  size_t previous = reader.remaining();
  while (ReadProtectedString(reader, s)) {
    ZR_FUZZ_CHECK(s.size() <= kMaxCipherBytes);
    ZR_FUZZ_CHECK(s.find('\0') == std::string::npos);
    // Each successful read moves on, so the loop ends.
    ZR_FUZZ_CHECK(reader.remaining() < previous);
    previous = reader.remaining();
    CheckRoundTrip(s);
  }
  CheckRoundTrip(bytes);
}

}  // namespace
}  // namespace zr

// The reader has no size limit of its own (it reads what it is given).
ZR_FUZZ_ENTRY(zr::RunInput, .code_page_byte = true)
