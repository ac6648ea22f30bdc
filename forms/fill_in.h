// Form fill-in: filling a page's forms from a chosen login record or from the
// Home or Work profile, choosing the login, and the smaller entries that share
// its decisions (FindPasswordByURL, UpdateFormFields).
#ifndef ZRFORM_FORMS_FILL_IN_H_
#define ZRFORM_FORMS_FILL_IN_H_

#include <string>
#include <string_view>

#include "forms/outcome.h"
#include "forms/page_forms.h"
#include "forms/prompts.h"

namespace zr {

class FormProfile;
class LoginRecord;
class LoginStore;
struct DataSet;

// The data sets a page can be filled from.
enum class DatabaseType {
  kPassword = 1,
  kHome = 2,
  kWork = 3,
  kCustomize = 4,
  kUrl = 5,
  kUnknown = 6
};

// Fills the page of browser from the data set of type (see the results of the
// toolbar helper's FillInForm: Done for its S_OK).
Outcome FillInForm(DataSet& data, Prompts& prompts, WindowId owner, PageBrowser* browser, int type,
                   bool force_fill_in, bool automatic);

// The id of the record to fill the page at address with, or -1: in automatic
// mode, and only in a secure context (IsSecureContext), the one record set to
// fill automatically with the longest matching site; otherwise the user's choice. A record that
// requires the master password is chosen only after it has been given.
int ChooseLogin(Prompts& prompts, WindowId owner, LoginStore& store, std::string_view address,
                bool automatic);

// Writes record's login name and password into each form's text and password
// inputs by position. Works on its own copy of record: every page call may
// run other calls, which may change or delete the stored record.
void FillLoginPair(PageDocument& document, LoginRecord record);

// Whether an automatic fill of address would choose a record by itself.
bool HasAutomaticChoice(LoginStore& store, std::string_view address);

// 1 when stored logins match url and an automatic fill would not choose one.
long FindPasswordByURL(LoginStore& store, std::string_view url_utf8);

// How many stored logins fit the page at url (the ones a fill may offer).
long CountLoginsByURL(LoginStore& store, std::string_view url_utf8);

// Merges the field-name patterns of the "<HOME>" and "<WORK>" sections of
// text into the profiles and saves each profile whose section was found:
// kNotSaved when a save failed (the merged patterns stay in memory).
Outcome UpdateFormFields(DataSet& data, std::string_view text_utf8);

// Merges patterns into the list that internal_name (ASCII case ignored)
// stands for; unknown names are ignored.
void AddFieldPatterns(FormProfile& profile, std::string_view internal_name,
                      std::string_view patterns);

}  // namespace zr

#endif  // ZRFORM_FORMS_FILL_IN_H_
