// The Login Manager's "&Import..." and "E&xport..." at work: a CSV file of
// logins imported into the store (asking once whether stored logins with
// another password take the file's) and saved, or the store exported; each
// ends with the summary in a message box over parent.
#ifndef ZRFORM_UI_LOGIN_FILE_TRANSFER_H_
#define ZRFORM_UI_LOGIN_FILE_TRANSFER_H_

#include <QWidget>
#include <string>

namespace zr {

class LoginStore;

// Imports the file at path (format found from its header) into store and
// saves store once when anything changed. Returns whether store changed.
bool ImportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path);

// Writes every login of store with a password to path in the chromium
// format, atomically and readable by the user only. The master password has
// been given to open the Login Manager.
void ExportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path);

}  // namespace zr

#endif  // ZRFORM_UI_LOGIN_FILE_TRANSFER_H_
