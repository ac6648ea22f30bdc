// Shared pieces of the tests that run the real server on a private session bus
// (tests/run_on_bus.sh): calling its objects the way a toolbar does, waiting
// for names, processes, replies and windows by their events with a deadline,
// the client modes the tests start as processes of their own, and a virtual
// display driven with xdotool.
#ifndef ZRFORM_TESTS_BUS_BUS_SUPPORT_H_
#define ZRFORM_TESTS_BUS_BUS_SUPPORT_H_

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QProcess>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zr::bus_test {

using std::chrono::milliseconds;

inline const QString kBarHelperName = QStringLiteral("ZRForm.ZRBarHelper");
inline const QString kHistoryName = QStringLiteral("ZRForm.History");
inline const QString kBarIface = QStringLiteral("ZRForm.IZRBarHelper");
inline const QString kHistoryIface = QStringLiteral("ZRForm.IHistory");
inline const QString kHelperPath = QStringLiteral("/ZRBarHelper");
inline const QString kHistoryPath = QStringLiteral("/History");

std::string Scratch();     // this run's scratch folder
std::string DataFolder();  // the data folder in $XDG_DATA_HOME

// Runs program (zrform by default); its exit status, -1 when it failed or took a
// minute; its standard output into *output when given.
int RunProgram(const QStringList& arguments, const QString& program = QStringLiteral(ZRFORM_EXE),
               QByteArray* output = nullptr);
// Registers the built server and, with allow, this program as a client the user allowed.
void RegisterServer(bool allow = true);
void WriteSampleData();  // tools/sample_data.cc's folder, written by zrdata

inline QDBusConnection Connect(const QString& name) {  // a connection of its own, as another toolbar
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}
// A method call with no timeout while the event loop keeps running.
QDBusMessage Call(QDBusConnection connection, const QString& service, const QString& path,
                  const QString& interface, const QString& member, const QList<QVariant>& arguments = {});
QDBusMessage CallHelper(QDBusConnection connection, const QString& member, const QList<QVariant>& arguments = {});
// The HRESULT of a reply (its first argument), or 0x7FFFFFFF for an error reply.
int Hr(const QDBusMessage& reply);
inline QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }
// CreateInstance on the class object of service: the HRESULT, and the object path.
std::pair<int, QString> Create(QDBusConnection connection, const QString& service = kBarHelperName);
unsigned Release(QDBusConnection connection, const QString& service = kBarHelperName);
unsigned OwnerPid(QDBusConnection connection, const QString& name = kBarHelperName);

// Runs an event loop until done() or the deadline. arm connects the events
// that may make done() true to the loop's quit(); done() is asked again at each.
bool Await(const std::function<bool()>& done, const std::function<void(QEventLoop&)>& arm,
           milliseconds deadline = milliseconds(30000));
bool WaitForOwner(QDBusConnection connection, const QString& name, bool owned,
                  milliseconds deadline = milliseconds(30000));
bool WaitForProcessEnd(unsigned pid, milliseconds deadline = milliseconds(30000));

// This program in a client mode ("--hold"), once it printed its first line.
std::unique_ptr<QProcess> StartClient(const QString& mode, QByteArray* first_line = nullptr);
std::optional<int> RunClientMode(int argc, char** argv);

// A virtual display (Xvfb) of this process's own, handed to the bus's
// activation environment; windows are found by exact title.
class Desktop {
 public:
  Desktop();
  ~Desktop();
  bool ok() const { return pid_ > 0; }
  static std::string WaitForWindow(const std::string& title, int seconds = 30);  // "" when none came
  static bool HasWindow(const std::string& title);
  static void Keys(const std::vector<std::string>& keys);  // "Return", "alt+y"
  static void Type(const std::string& text);
  // Waits for the window, focuses it and sends keys; false when it never came.
  static bool Answer(const std::string& title, const std::vector<std::string>& keys);

 private:
  int pid_ = -1;
};

// Calls member on /ZRBarHelper while driver answers the windows on a thread of
// its own; the reply once both are done, and *driven what driver returned.
QDBusMessage CallWhile(QDBusConnection connection, const QString& member, const QList<QVariant>& arguments,
                       const std::function<bool()>& driver, bool* driven);

}  // namespace zr::bus_test

#endif  // ZRFORM_TESTS_BUS_BUS_SUPPORT_H_
