// Shared pieces of the tests that run the real server on a private session bus
// (tests/run_on_bus.sh): registering it, calling its objects the way a toolbar
// does (no timeout, serving the bus while waiting), and watching it end.
#ifndef ZRFORM_TESTS_BUS_BUS_TEST_SUPPORT_H_
#define ZRFORM_TESTS_BUS_BUS_TEST_SUPPORT_H_

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <chrono>
#include <string>

namespace zr::bus_test {

// The scratch folder of this run (XDG_DATA_HOME and XDG_CONFIG_HOME lie in it).
std::string Scratch();
std::string DataHome();

// Runs zrform (or program) with arguments; its exit status, or -1 when it
// did not finish within a minute.
int RunServerCommand(const QStringList& arguments, const QString& program = QString());
// Registers the built server and allows this program as its client, as a
// user's Yes in the allow window would (fails the test when it cannot).
void RegisterServer();
// The data folder of this run ($XDG_DATA_HOME/Zorvane/ToolBar).
std::string DataFolder();
// Writes the sample data folder with zrdata: two logins (mail.example.com,
// automatic, "ann" / "correct horse"; shop.example.org, "ann.lee" / "battery
// staple"), both profiles (Home: Ann Lee, Portsmouth) and three history entries.
void WriteSampleData();

// A connection of its own, as a separate toolbar would have.
QDBusConnection Connect(const QString& name);
// One method call with no timeout while the event loop keeps running.
QDBusMessage Call(QDBusConnection connection, const QString& service, const QString& path,
                  const QString& interface, const QString& member,
                  const QList<QVariant>& arguments = {});
// The HRESULT of a reply (its first argument), or 0x7FFFFFFF for an error reply.
int Hr(const QDBusMessage& reply);

// CreateInstance on the class object of ZRBarHelper or History; the object path
// ("/" on failure) and the HRESULT.
struct Instance {
  int hr = 0;
  QString path;
};
Instance CreateBarHelper(QDBusConnection connection, bool aggregate = false,
                         const QString& riid = QStringLiteral("ZRForm.IZRBarHelper"));
Instance CreateHistory(QDBusConnection connection);
// Release on an object of the bus name service.
unsigned Release(QDBusConnection connection, const QString& service, const QString& path);

// The process id of the owner of name, or 0 when nobody owns it.
unsigned OwnerPid(QDBusConnection connection, const QString& name);
// Waits (serving events) until nobody owns name; the time it took, or none
// after the deadline.
bool WaitUntilUnowned(QDBusConnection connection, const QString& name,
                      std::chrono::milliseconds deadline, std::chrono::milliseconds* took);
// Waits until the process has ended; false after the deadline.
bool WaitForProcessEnd(unsigned pid, std::chrono::milliseconds deadline);
// Runs the event loop for a while.
void Pump(std::chrono::milliseconds duration);

inline const QString kBarHelperName = QStringLiteral("ZRForm.ZRBarHelper");
inline const QString kHistoryName = QStringLiteral("ZRForm.History");

}  // namespace zr::bus_test

#endif  // ZRFORM_TESTS_BUS_BUS_TEST_SUPPORT_H_
