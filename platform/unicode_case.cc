// Case folding of UTF-8 text that does not depend on the process locale.
#include "platform/unicode_case.h"

#include <locale.h>
#include <wctype.h>

#include "platform/utf8.h"

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
// its length, or 0 when there is none.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& code) {
  size_t length = Utf8SequenceLength(text, pos);
  if (length == 0) return 0;
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  code = static_cast<unsigned char>(text[pos]) & kLeadBits[length];
  for (size_t i = 1; i < length; ++i) {
    code = (code << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  }
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
