// Well-formed UTF-8: the one test of where a character starts and ends,
// shared by the code-page conversions and the case folding.
#ifndef ZRFORM_PLATFORM_UTF8_H_
#define ZRFORM_PLATFORM_UTF8_H_

#include <cstddef>
#include <string_view>

namespace zr {

// Whether byte continues a multibyte character (10xxxxxx) rather than starting one.
constexpr bool IsUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence that starts at text[pos], or 0 when
// the bytes there do not form one (overlong forms, surrogates and code points
// above U+10FFFF are not well formed). REQUIRES: pos < text.size().
size_t Utf8SequenceLength(std::string_view text, size_t pos);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_UTF8_H_
