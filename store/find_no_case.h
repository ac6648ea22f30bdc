// FindNoCase: the one rule for matching site addresses. A piece occurs in a
// text when it is a substring with ASCII letters compared regardless of case
// and every other byte exactly; the empty piece occurs everywhere.
#ifndef ZRFORM_STORE_FIND_NO_CASE_H_
#define ZRFORM_STORE_FIND_NO_CASE_H_

#include <cstddef>
#include <string_view>

namespace zr {

bool FindNoCase(std::string_view text, std::string_view piece);

// Where piece first occurs in text at or after from (ASCII case ignored), or npos.
size_t FindNoCasePosition(std::string_view text, std::string_view piece, size_t from = 0);

// Equality with ASCII letters compared regardless of case.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace zr

#endif  // ZRFORM_STORE_FIND_NO_CASE_H_
