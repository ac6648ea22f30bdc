// The system code page (the codeset of the user's locale) and its conversions
// to and from UTF-8 with iconv. Descriptors are cached per thread and codeset,
// and re-opened when the locale's codeset changes.
#include "platform/code_page.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <cwchar>

#include "platform/utf8.h"

namespace zr {

namespace {

// The codeset glibc reports for the plain "C"/"POSIX" locale.
constexpr const char kAsciiCodeset[] = "ANSI_X3.4-1968";
constexpr char kReplacement = '?';
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

bool IsUtf8Name(const std::string& name) { return name == "UTF-8" || name == "utf8"; }

// UTF-8 text with every byte that is not part of a well-formed sequence
// replaced by '?'.
std::string SanitizeUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t length = Utf8SequenceLength(text, pos);
    if (length == 0) {
      out += kReplacement;
      ++pos;
    } else {
      out.append(text, pos, length);
      pos += length;
    }
  }
  return out;
}

// The iconv descriptors of one thread for the current codeset.
struct IconvCache {
  std::string codeset;
  iconv_t to_utf8 = kNoDescriptor;
  iconv_t from_utf8 = kNoDescriptor;

  ~IconvCache() { Close(); }
  void Close() {
    if (to_utf8 != kNoDescriptor) iconv_close(to_utf8);
    if (from_utf8 != kNoDescriptor) iconv_close(from_utf8);
    to_utf8 = from_utf8 = kNoDescriptor;
  }
  void Select(const std::string& name) {
    if (name == codeset) return;
    Close();
    codeset = name;
    to_utf8 = iconv_open("UTF-8", name.c_str());
    from_utf8 = iconv_open(name.c_str(), "UTF-8");
  }
};

IconvCache& CacheFor(const std::string& codeset) {
  thread_local IconvCache cache;
  cache.Select(codeset);
  return cache;
}

// Converts text with cd. At an input byte sequence that cannot be converted,
// one '?' is written and skip(text, pos) bytes are passed over (at least one).
template <typename SkipFn>
std::string Convert(iconv_t cd, std::string_view text, SkipFn skip) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // initial shift state
  char buffer[4096];
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  for (;;) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    size_t result = in_left == 0 ? iconv(cd, nullptr, nullptr, &out_ptr, &out_left)
                                 : iconv(cd, &in, &in_left, &out_ptr, &out_left);
    int error = errno;
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (result != static_cast<size_t>(-1)) {
      if (in_left == 0 && out_ptr == buffer) break;  // flushed, nothing more to write
      continue;
    }
    if (error == E2BIG) continue;
    if (in_left == 0) break;  // a failed flush: nothing left to convert
    // EILSEQ (invalid or unconvertible) or EINVAL (incomplete at the end).
    size_t pos = text.size() - in_left;
    size_t n = skip(text, pos);
    if (n == 0 || n > in_left) n = 1;
    out += kReplacement;
    in += n;
    in_left -= n;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

// Used when iconv does not know the codeset: ASCII passes, everything else
// becomes '?' (one per UTF-8 character when from_utf8).
std::string AsciiOnly(std::string_view text, bool from_utf8) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    unsigned char byte = static_cast<unsigned char>(text[pos]);
    size_t length = from_utf8 ? Utf8SequenceLength(text, pos) : 1;
    out += byte < 0x80 ? static_cast<char>(byte) : kReplacement;
    pos += length == 0 ? 1 : length;
  }
  return out;
}

size_t Utf8BoundaryAtOrBefore(std::string_view text, size_t limit) {
  // Every byte that is not a continuation byte starts a character. Only a
  // well-formed sequence that starts in the last three bytes before limit can
  // straddle it; stray continuation bytes are characters of their own.
  for (size_t back = 1; back <= 3 && back <= limit; ++back) {
    size_t start = limit - back;
    if (IsUtf8Continuation(static_cast<unsigned char>(text[start]))) continue;
    size_t length = Utf8SequenceLength(text, start);
    return length > back ? start : limit;
  }
  return limit;
}

size_t MultiByteBoundaryAtOrBefore(std::string_view text, size_t limit) {
  std::mbstate_t state{};
  size_t pos = 0;
  while (pos < limit) {
    wchar_t wc;
    size_t length = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &state);
    if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2)) {
      length = 1;  // a byte that does not start a valid character stands alone
      state = std::mbstate_t{};
    } else if (length == 0) {
      length = 1;  // an embedded zero byte
    }
    if (pos + length > limit) break;
    pos += length;
  }
  return pos;
}

}  // namespace

void InitUserLocale() { std::setlocale(LC_ALL, ""); }

std::string CodePageName() {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, kAsciiCodeset) == 0) {
    return "UTF-8";
  }
  return codeset;
}

std::string CodePageToUtf8(std::string_view text) {
  std::string codeset = CodePageName();
  if (IsUtf8Name(codeset)) return SanitizeUtf8(text);
  IconvCache& cache = CacheFor(codeset);
  if (cache.to_utf8 == kNoDescriptor) return AsciiOnly(text, false);
  return Convert(cache.to_utf8, text, [](std::string_view, size_t) { return size_t{1}; });
}

std::string Utf8ToCodePage(std::string_view text) {
  std::string codeset = CodePageName();
  if (IsUtf8Name(codeset)) return SanitizeUtf8(text);
  IconvCache& cache = CacheFor(codeset);
  if (cache.from_utf8 == kNoDescriptor) return AsciiOnly(text, true);
  // A well-formed character the code page cannot hold is passed over whole;
  // a malformed byte alone.
  return Convert(cache.from_utf8, text, Utf8SequenceLength);
}

size_t CharBoundaryAtOrBefore(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  if (IsUtf8Name(CodePageName())) return Utf8BoundaryAtOrBefore(text, limit);
  return MultiByteBoundaryAtOrBefore(text, limit);
}

}  // namespace zr
