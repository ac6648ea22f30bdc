// Case-insensitive (ASCII) substring search and equality for site addresses.
#include "store/find_no_case.h"

#include <algorithm>

namespace zr {

namespace {

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool SameNoCase(char a, char b) { return Lower(a) == Lower(b); }

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

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameNoCase);
}

}  // namespace zr
