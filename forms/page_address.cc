// The page address: URL in the code page, without its query part.
#include "forms/page_address.h"

#include <cwchar>

#include "platform/code_page.h"

namespace zr {

std::string CutBeforeQuery(const std::string& text) {
  // No byte of a multibyte UTF-8 character is below 0x80, so "?" is exact there.
  if (CodePageName() == "UTF-8") return text.substr(0, text.find('?'));
  std::mbstate_t state{};
  size_t position = 0;
  while (position < text.size()) {
    if (text[position] == '?') return text.substr(0, position);
    size_t length = std::mbrlen(text.data() + position, text.size() - position, &state);
    if (length == 0 || length > text.size() - position) {
      // Not a valid character here: step over one byte and start afresh.
      length = 1;
      state = std::mbstate_t{};
    }
    position += length;
  }
  return text;
}

std::string PageAddress(PageDocument& document) {
  return CutBeforeQuery(Utf8ToCodePage(document.Url()));
}

}  // namespace zr
