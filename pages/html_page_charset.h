// How a page's bytes become text, the way a browser decides it: a byte-order
// mark first; then the charset the page declares in a <meta> within its first
// 1024 bytes, when the bytes decode in it; a page that declares none and is
// well-formed UTF-8 is UTF-8; anything else is windows-1252, which decodes
// every byte, so the page is always read to its end.
#ifndef ZRFORM_PAGES_HTML_PAGE_CHARSET_H_
#define ZRFORM_PAGES_HTML_PAGE_CHARSET_H_

#include <string>
#include <string_view>

namespace zr {

struct DecodedPage {
  std::string encoding;   // what it was read as: "utf-8", "windows-1252", "shift_jis", ...
  bool as_given = false;  // the bytes are the text already: well-formed UTF-8, no mark
  std::string converted;  // else the text, without a byte-order mark

  // The page's text, for the bytes that were decoded. The well-formed UTF-8
  // of most pages is not copied.
  std::string_view Text(std::string_view bytes) const {
    return as_given ? bytes : std::string_view(converted);
  }
};

DecodedPage DecodePage(std::string_view bytes);

// The charset label that a <meta charset> or <meta http-equiv="Content-Type">
// within the first 1024 bytes declares, in lower case; empty when none does.
std::string DeclaredCharset(std::string_view bytes);

}  // namespace zr

#endif  // ZRFORM_PAGES_HTML_PAGE_CHARSET_H_
