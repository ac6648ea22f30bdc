// Login capture: reading the filled text and password inputs of a page into a
// login record, and offering to remember it (AutoRecord, RecordPassword).
#ifndef ZRFORM_FORMS_CAPTURE_H_
#define ZRFORM_FORMS_CAPTURE_H_

#include <string>

#include "forms/outcome.h"
#include "forms/page_forms.h"
#include "forms/prompts.h"
#include "store/protected_file.h"

namespace zr {

class LoginRecord;
struct DataSet;

// The most fields a captured record holds (besides one password that comes
// after them): a login form has a handful, a page may have any number.
inline constexpr int kMaxCapturedFields = 64;

// Walks the forms (passing over those whose non-empty name differs from a
// non-empty filter, ASCII case ignored) and adds every filled text or
// password input to record, up to kMaxCapturedFields. In detect mode the
// walk stops at the first password input, record is left alone and the
// result is whether there was one; otherwise the result is whether the page
// has a password input and a filled field, in which case record's site
// becomes the page address.
bool CaptureLogin(PageDocument& document, LoginRecord& record, FormName filter, bool detect);

// Shows the remember-password prompt for record (its site reduced by
// SiteKey) and applies the answer: store the record, reject the site, or
// turn automatic recording off for every site. False when a file could not
// be written; the user has then been told which, in a message.
[[nodiscard]] bool OfferToRemember(DataSet& data, Prompts& prompts, WindowId owner,
                                   LoginRecord& record, const std::string& description);

// The login of a submitted form. Nothing without a document or form, on a
// rejected site, or when nothing was captured; Done otherwise.
Outcome AutoRecord(DataSet& data, Prompts& prompts, WindowId owner, PageDocument* document,
                   PageForm* form);

// The login of the page on request. Nothing (and found untouched) without a
// document; otherwise Done with found 1 when a login was offered, else 0.
Outcome RecordPassword(DataSet& data, Prompts& prompts, WindowId owner, PageBrowser* browser,
                       long* found);

}  // namespace zr

#endif  // ZRFORM_FORMS_CAPTURE_H_
