// Locale-aware comparisons: strcoll on LC_COLLATE with a byte-order tie-break,
// and a case-insensitive variant that folds characters of the code page first.
#include "platform/locale_compare.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

#include "platform/ascii_case.h"

namespace zr {

namespace {

// A NUL-terminated copy of a text, on the stack when it is short.
class CString {
 public:
  explicit CString(std::string_view text) {
    if (text.size() < sizeof inline_) {
      std::memcpy(inline_, text.data(), text.size());
      inline_[text.size()] = '\0';
      data_ = inline_;
    } else {
      heap_.assign(text);
      data_ = heap_.c_str();
    }
  }
  CString(const CString&) = delete;
  CString& operator=(const CString&) = delete;

  const char* get() const { return data_; }

 private:
  char inline_[128];
  std::string heap_;
  const char* data_;
};

int Sign(int value) { return (value > 0) - (value < 0); }

// Case-folds text as characters of the code page: towlower on each character
// that mbrtowc decodes; bytes that do not decode are kept as they are.
std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    return AsciiLower(text);
  }
  std::mbstate_t in_state{};
  size_t pos = 0;
  while (pos < text.size()) {
    wchar_t wc;
    size_t length = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &in_state);
    if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2) || length == 0) {
      out += text[pos++];
      in_state = std::mbstate_t{};
      continue;
    }
    char folded[MB_LEN_MAX];
    std::mbstate_t out_state{};
    size_t written = std::wcrtomb(folded, static_cast<wchar_t>(std::towlower(wc)), &out_state);
    if (written == static_cast<size_t>(-1)) {
      out.append(text, pos, length);
    } else {
      out.append(folded, written);
    }
    pos += length;
  }
  return out;
}

}  // namespace

int LocaleCompare(std::string_view a, std::string_view b) {
  CString ca(a), cb(b);
  int order = Sign(std::strcoll(ca.get(), cb.get()));
  if (order != 0) return order;
  return Sign(a.compare(b));
}

int LocaleCompareNoCase(std::string_view a, std::string_view b) {
  std::string fa = FoldCase(a), fb = FoldCase(b);
  int order = Sign(std::strcoll(fa.c_str(), fb.c_str()));
  if (order != 0) return order;
  return Sign(fa.compare(fb));
}

}  // namespace zr
