// Case folding of Unicode (UTF-8) page and bus text, the same in every
// process locale: each character lower-cased by the "C.UTF-8" classes.
#ifndef ZRFORM_PLATFORM_UNICODE_CASE_H_
#define ZRFORM_PLATFORM_UNICODE_CASE_H_

#include <string>
#include <string_view>

namespace zr {

// Each character of text lower-cased. A byte that is not part of well-formed
// UTF-8 becomes a unit of its own that only equals itself.
std::u32string FoldCaseUtf8(std::string_view text);

// Whether a and b are equal ignoring the case of their characters.
bool EqualsIgnoringCaseUtf8(std::string_view a, std::string_view b);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_UNICODE_CASE_H_
