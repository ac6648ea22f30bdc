// The system code page: the codeset of the user's locale, as the narrow text
// of every data file is held. Conversions to and from UTF-8 (the bus, the
// terminal, JSON) go through here; characters the target cannot hold become '?'.
#ifndef ZRFORM_PLATFORM_CODE_PAGE_H_
#define ZRFORM_PLATFORM_CODE_PAGE_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace zr {

// Sets the process locale from the environment (setlocale(LC_ALL, "")).
// Call once at start-up, before any other function here.
void InitUserLocale();

// The codeset name of the code page, e.g. "UTF-8" or "ISO-8859-1".
// The plain "C"/"POSIX" locale (ANSI_X3.4-1968) counts as UTF-8.
std::string CodePageName();

// Text in the code page to UTF-8. Bytes that are not valid in the code page
// become '?'.
std::string CodePageToUtf8(std::string_view text);

// UTF-8 to the code page. Characters the code page cannot hold, and bytes that
// are not valid UTF-8, become '?'.
std::string Utf8ToCodePage(std::string_view text);

// The largest length <= limit at which text can be cut without splitting a
// character of the code page. A byte that does not start a valid character
// counts as a character of its own.
size_t CharBoundaryAtOrBefore(std::string_view text, size_t limit);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_CODE_PAGE_H_
