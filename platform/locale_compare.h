// The user locale's string comparisons, as the stored objects order and
// compare texts: case-sensitive collation with a byte-order tie-break, and a
// case-insensitive variant.
#ifndef ZRFORM_PLATFORM_LOCALE_COMPARE_H_
#define ZRFORM_PLATFORM_LOCALE_COMPARE_H_

#include <string_view>

namespace zr {

// Case-sensitive comparison in the user's locale (strcoll on LC_COLLATE).
// Texts that collate equal are ordered by their bytes, so only identical
// texts compare equal. Returns <0, 0 or >0.
int LocaleCompare(std::string_view a, std::string_view b);

// Case-insensitive comparison in the user's locale: both texts are case-folded
// as characters of the code page, then compared as LocaleCompare does.
int LocaleCompareNoCase(std::string_view a, std::string_view b);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_LOCALE_COMPARE_H_
