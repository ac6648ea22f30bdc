// Writing an edited text back into a login record's byte string without
// disturbing what the user did not change.
#ifndef ZRFORM_UI_LOGIN_TEXT_H_
#define ZRFORM_UI_LOGIN_TEXT_H_

#include <QString>
#include <string>

namespace zr {

// Replaces stored with shown (in the code page, cut to a stored string's
// limit) unless shown is what stored already shows, so that bytes the code
// page cannot show are not rewritten as '?' by an edit that left them alone.
// Returns whether stored changed.
bool StoreIfChanged(std::string& stored, const QString& shown);

}  // namespace zr

#endif  // ZRFORM_UI_LOGIN_TEXT_H_
