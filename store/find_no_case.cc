// Case-insensitive (ASCII) substring search and equality for site addresses.
#include "store/find_no_case.h"

#include <algorithm>

#include "platform/ascii_case.h"

namespace zr {

namespace {

inline bool SameNoCase(char a, char b) { return AsciiLower(a) == AsciiLower(b); }

}  // namespace

bool FindNoCase(std::string_view text, std::string_view piece) {
  if (piece.empty()) return true;
  return std::search(text.begin(), text.end(), piece.begin(), piece.end(), SameNoCase) !=
         text.end();
}

size_t FindNoCasePosition(std::string_view text, std::string_view piece, size_t from) {
  if (from > text.size()) return std::string_view::npos;
  auto found = std::search(text.begin() + from, text.end(), piece.begin(), piece.end(), SameNoCase);
  if (found == text.end() && !piece.empty()) return std::string_view::npos;
  return static_cast<size_t>(found - text.begin());
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return AsciiEqualNoCase(a, b); }

}  // namespace zr
