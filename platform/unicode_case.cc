// Case folding of UTF-8 text that does not depend on the process locale.
#include "platform/unicode_case.h"

#include <locale.h>
#include <wctype.h>

namespace zr {

namespace {

// Units for bytes that are not part of well-formed UTF-8: above every code
// point, so such a byte only ever equals itself.
constexpr char32_t kStrayByteBase = 0x110000;

// The "C.UTF-8" character classes, opened once for the process, so that case
// folding does not depend on the process locale. Null when unavailable.
locale_t Utf8CharacterClasses() {
  static const locale_t classes = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return classes;
}

// Decodes the well-formed UTF-8 sequence at text[pos] into code and returns
// its length, or 0 when there is none (overlong forms, surrogates and values
// above U+10FFFF are not well formed).
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

// Each character of UTF-8 text mapped to its lower-case form.
std::u32string FoldCaseUtf8(std::string_view text) {
  const locale_t classes = Utf8CharacterClasses();
  std::u32string folded;
  folded.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t code;
    size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) {
      folded += kStrayByteBase + static_cast<unsigned char>(text[pos]);
      ++pos;
      continue;
    }
    if (classes != locale_t{}) {
      code = static_cast<char32_t>(towlower_l(static_cast<wint_t>(code), classes));
    } else if (code >= U'A' && code <= U'Z') {
      code += U'a' - U'A';  // without the locale, at least ASCII folds
    }
    folded += code;
    pos += length;
  }
  return folded;
}


bool EqualsIgnoringCaseUtf8(std::string_view a, std::string_view b) {
  return FoldCaseUtf8(a) == FoldCaseUtf8(b);
}

}  // namespace zr
