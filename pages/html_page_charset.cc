// DecodePage: the byte-order mark, the <meta> prescan, the labels browsers
// take as UTF-8 or windows-1252, other charsets through iconv.
#include "pages/html_page_charset.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "pages/html_page_tree.h"
#include "platform/ascii_case.h"

namespace zr {
namespace {

constexpr size_t kPrescanBytes = 1024;

// windows-1252 at 0x80-0x9F; the five bytes it leaves undefined map to the
// control character of the same number, as browsers map them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string FromWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    AppendUtf8(out, b >= 0x80 && b <= 0x9F ? kWindows1252High[b - 0x80] : b);
  }
  return out;
}

// UTF-16 with a broken surrogate or an odd last byte read as U+FFFD.
std::string FromUtf16(std::string_view bytes, bool big_endian) {
  auto unit = [&](size_t at) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[at]);
    const auto b = static_cast<unsigned char>(bytes[at + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  std::string out;
  size_t at = 0;
  for (; at + 1 < bytes.size(); at += 2) {
    char32_t c = unit(at);
    if (c >= 0xD800 && c <= 0xDBFF && at + 3 < bytes.size() && unit(at + 2) >= 0xDC00 &&
        unit(at + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
      at += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  if (at < bytes.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

// The bytes in charset through iconv; none when iconv does not know it or a
// byte sequence does not decode.
std::optional<std::string> FromCharset(std::string_view bytes, const std::string& charset) {
  iconv_t converter = iconv_open("UTF-8", charset.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  std::array<char, 16384> buffer;
  bool ok = true;
  for (bool flushed = false; ok && !flushed;) {
    char* to = buffer.data();
    size_t to_left = buffer.size();
    // Once the input is used up, a last call writes what a stateful charset holds back.
    flushed = in_left == 0;
    size_t result = flushed ? iconv(converter, nullptr, nullptr, &to, &to_left)
                            : iconv(converter, &in, &in_left, &to, &to_left);
    out.append(buffer.data(), to - buffer.data());
    if (result == static_cast<size_t>(-1) && errno == E2BIG)
      flushed = false;
    else if (result == static_cast<size_t>(-1))
      ok = false;
  }
  iconv_close(converter);
  if (!ok) return std::nullopt;
  return out;
}

// ASCII runs are passed over eight bytes at a time; the rest is checked by
// ValidUtf8's rules.
bool IsWellFormedUtf8(std::string_view bytes) {
  size_t at = 0;
  for (;;) {
    while (at + 8 <= bytes.size()) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + at, 8);
      if (word & 0x8080808080808080ull) break;
      at += 8;
    }
    while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80) ++at;
    if (at >= bytes.size()) return true;
    // A non-ASCII part: checked up to the next ASCII byte.
    size_t end = at;
    while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x80) ++end;
    const std::string_view part = bytes.substr(at, end - at);
    if (ValidUtf8(part) != part) return false;
    at = end;
  }
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// What a declared label stands for, as browsers read labels: every Latin-1
// and ASCII name is windows-1252, and UTF-16 declared in the page itself is
// UTF-8 (bytes that hold a <meta> in ASCII cannot be UTF-16).
std::string CanonicalLabel(std::string label) {
  static const char* const kUtf8[] = {"utf-8",         "utf8",          "unicode-1-1-utf-8",
                                      "unicode11utf8", "unicode20utf8", "x-unicode20utf8",
                                      "utf-16",        "utf-16le",      "utf-16be"};
  static const char* const kWindows1252[] = {
      "windows-1252", "cp1252", "x-cp1252",   "iso-8859-1",  "iso8859-1",      "iso88591",
      "iso_8859-1",   "latin1", "l1",         "ascii",       "us-ascii",       "ansi_x3.4-1968",
      "cp819",        "ibm819", "iso-ir-100", "csisolatin1", "iso_8859-1:1987"};
  if (std::find(std::begin(kUtf8), std::end(kUtf8), label) != std::end(kUtf8)) return "utf-8";
  if (std::find(std::begin(kWindows1252), std::end(kWindows1252), label) != std::end(kWindows1252))
    return "windows-1252";
  return label;
}

// The charset named in a Content-Type value ("text/html; charset=x").
std::string CharsetInContent(std::string_view content) {
  const std::string lower = AsciiLower(content);
  size_t at = lower.find("charset");
  if (at == std::string::npos) return "";
  at += 7;
  while (at < lower.size() && IsSpace(lower[at])) ++at;
  if (at >= lower.size() || lower[at] != '=') return "";
  ++at;
  while (at < lower.size() && IsSpace(lower[at])) ++at;
  if (at < lower.size() && (lower[at] == '"' || lower[at] == '\'')) {
    const size_t end = lower.find(lower[at], at + 1);
    return end == std::string::npos ? "" : lower.substr(at + 1, end - at - 1);
  }
  size_t end = at;
  while (end < lower.size() && !IsSpace(lower[end]) && lower[end] != ';') ++end;
  return lower.substr(at, end - at);
}

}  // namespace

std::string DeclaredCharset(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, kPrescanBytes);
  for (size_t at = head.find('<'); at != std::string_view::npos; at = head.find('<', at + 1)) {
    if (head.substr(at, 4) == "<!--") {
      at = head.find("-->", at + 4);
      if (at == std::string_view::npos) break;
      continue;
    }
    if (!AsciiEqualNoCase(head.substr(at, 5), "<meta") || at + 5 >= head.size() ||
        !(IsSpace(head[at + 5]) || head[at + 5] == '/')) {
      continue;
    }
    // The attributes up to the tag's end: name[=value], values quoted or not.
    std::string charset, content;
    bool content_type = false;
    size_t pos = at + 5;
    while (pos < head.size() && head[pos] != '>') {
      while (pos < head.size() && (IsSpace(head[pos]) || head[pos] == '/')) ++pos;
      size_t name_end = pos;
      while (name_end < head.size() && !IsSpace(head[name_end]) && head[name_end] != '=' &&
             head[name_end] != '>' && head[name_end] != '/')
        ++name_end;
      const std::string name = AsciiLower(head.substr(pos, name_end - pos));
      pos = name_end;
      while (pos < head.size() && IsSpace(head[pos])) ++pos;
      std::string value;
      if (pos < head.size() && head[pos] == '=') {
        ++pos;
        while (pos < head.size() && IsSpace(head[pos])) ++pos;
        if (pos < head.size() && (head[pos] == '"' || head[pos] == '\'')) {
          const size_t end = head.find(head[pos], pos + 1);
          if (end == std::string_view::npos) return "";
          value = head.substr(pos + 1, end - pos - 1);
          pos = end + 1;
        } else {
          const size_t start = pos;
          while (pos < head.size() && !IsSpace(head[pos]) && head[pos] != '>') ++pos;
          value = head.substr(start, pos - start);
        }
      }
      if (name.empty() && pos < head.size() && head[pos] != '>') ++pos;  // a stray character
      if (name == "charset" && charset.empty()) charset = AsciiLower(value);
      if (name == "http-equiv") content_type = AsciiEqualNoCase(value, "content-type");
      if (name == "content" && content.empty()) content = value;
    }
    if (content_type && charset.empty()) charset = CharsetInContent(content);
    auto trimmed = [](std::string text) {
      const size_t first = text.find_first_not_of(" \t\n\f\r");
      if (first == std::string::npos) return std::string();
      return text.substr(first, text.find_last_not_of(" \t\n\f\r") - first + 1);
    };
    if (!trimmed(charset).empty()) return trimmed(charset);
    at = pos < head.size() ? pos : head.size() - 1;
  }
  return "";
}

DecodedPage DecodePage(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return {"utf-8", false, ValidUtf8(bytes.substr(3))};
  if (bytes.substr(0, 2) == "\xFE\xFF")
    return {"utf-16be", false, FromUtf16(bytes.substr(2), true)};
  if (bytes.substr(0, 2) == "\xFF\xFE")
    return {"utf-16le", false, FromUtf16(bytes.substr(2), false)};
  const std::string declared = CanonicalLabel(DeclaredCharset(bytes));
  if (declared.empty() || declared == "utf-8") {
    if (IsWellFormedUtf8(bytes)) return {"utf-8", true, ""};
  } else if (declared != "windows-1252") {
    if (std::optional<std::string> text = FromCharset(bytes, declared))
      return {declared, false, ValidUtf8(*text)};
  }
  return {"windows-1252", false, FromWindows1252(bytes)};
}

}  // namespace zr
