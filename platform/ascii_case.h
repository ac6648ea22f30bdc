// ASCII case folding: A-Z fold to a-z and every other byte stays as it is.
// The one rule for names that ignore case byte by byte (field and form names,
// registry keys, HTML attribute values, site addresses).
#ifndef ZRFORM_PLATFORM_ASCII_CASE_H_
#define ZRFORM_PLATFORM_ASCII_CASE_H_

#include <string>
#include <string_view>

namespace zr {

constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// text with A-Z lowered; 8 bytes at a time, since a page can send megabytes.
std::string AsciiLower(std::string_view text);
void AsciiLowerInPlace(std::string& text);
// Whether text holds any of A-Z (so that lowering it would change it).
bool HasAsciiUpper(std::string_view text);

// Equality and byte-wise order (-1, 0, 1, bytes unsigned) with A-Z folded.
bool AsciiEqualNoCase(std::string_view a, std::string_view b);
int AsciiCompareNoCase(std::string_view a, std::string_view b);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_ASCII_CASE_H_
