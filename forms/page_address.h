// The address of a page as filling and capturing use it: the document's URL
// in the code page, cut before its first "?".
#ifndef ZRFORM_FORMS_PAGE_ADDRESS_H_
#define ZRFORM_FORMS_PAGE_ADDRESS_H_

#include <string>

#include "forms/page_forms.h"

namespace zr {

std::string PageAddress(PageDocument& document);

// text cut before its first "?", stepping through the characters of the code
// page so that no part of a multibyte character is taken for one.
std::string CutBeforeQuery(const std::string& text);

}  // namespace zr

#endif  // ZRFORM_FORMS_PAGE_ADDRESS_H_
