// The Login Manager's "&Import..." and "E&xport..." at work. An import shows
// what the file would add before anything is added and asks once (Cancel adds
// nothing), then adds, saves and shows the result; an export warns that the
// file holds the passwords unencrypted before it is written.
#ifndef ZRFORM_UI_LOGIN_FILE_TRANSFER_H_
#define ZRFORM_UI_LOGIN_FILE_TRANSFER_H_

#include <QWidget>
#include <string>

namespace zr {

class LoginStore;

// Imports the file at path (format found from its header) into store after
// the user has seen the plan and said yes, asking in the same window whether
// stored logins with another password take the file's; saves store once when
// anything changed. Returns whether store changed.
bool ImportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path);

// After the warning and the user's OK, writes every login of store with a
// password to path in the chromium format, atomically and readable by the
// user only. The master password has been given to open the Login Manager.
void ExportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path);

}  // namespace zr

#endif  // ZRFORM_UI_LOGIN_FILE_TRANSFER_H_
