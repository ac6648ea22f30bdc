// Before a client hands a page to the server, it checks that the owner of the
// server's bus name runs the registered zrform executable (the LocalServer32
// path that registration writes under HKEY_CLASSES_ROOT), so that a program
// that took the name first never sees a page. Shared by the clients.
#ifndef ZRFORM_TOOLS_SERVER_CHECK_H_
#define ZRFORM_TOOLS_SERVER_CHECK_H_

#include <QDBusConnection>
#include <QString>
#include <string>
#include <string_view>

namespace zr {

struct ServerCheck {
  bool genuine = false;
  QString owner;        // the unique name that owns the bus name, when genuine
  std::string message;  // why not, when not genuine
};

// Checks the owner of bus_name against the registered server of class_id.
// The caller then sends its calls to owner, so that the name cannot change
// hands between the check and the call.
ServerCheck CheckServerOwner(QDBusConnection& connection, const QString& bus_name,
                             std::string_view class_id);

}  // namespace zr

#endif  // ZRFORM_TOOLS_SERVER_CHECK_H_
