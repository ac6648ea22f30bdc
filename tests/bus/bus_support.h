// Shared pieces of the tests that run the real server on a private session bus
// (tests/run_on_bus.sh): calling its objects the way a toolbar does, waiting
// for its name and process to go, the client modes that the tests start as
// processes of their own, and a virtual display driven with xdotool.
#ifndef ZRFORM_TESTS_BUS_BUS_SUPPORT_H_
#define ZRFORM_TESTS_BUS_BUS_SUPPORT_H_

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStringList>
#include <QVariant>
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

// The scratch folder of this run, $XDG_DATA_HOME, and the data folder in it.
std::string Scratch();
std::string DataHome();
std::string DataFolder();

// Runs zrform (or program) with arguments; its exit status, or -1 when it
// did not finish within a minute.
int RunServerCommand(const QStringList& arguments, const QString& program = QString());
// Registers the built server and allows this program as its client, as a
// user's Yes in the allow window would (fails the test when it cannot).
void RegisterServer();
// The sample data folder (tools/sample_data.cc) written by zrdata.
void WriteSampleData();
// zrdata's JSON dump of a data file, with stdin_text typed in; nullopt when
// zrdata cannot read the file.
std::optional<std::string> Dump(const std::string& file, const QByteArray& stdin_text = {});

// A connection of its own, as a separate toolbar would have.
QDBusConnection Connect(const QString& name);
// One method call with no timeout while the event loop keeps running.
QDBusMessage Call(QDBusConnection connection, const QString& service, const QString& path,
                  const QString& interface, const QString& member,
                  const QList<QVariant>& arguments = {});
// The HRESULT of a reply (its first argument), or 0x7FFFFFFF for an error reply.
int Hr(const QDBusMessage& reply);
inline QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }

// CreateInstance on a class object; the object path and the HRESULT.
struct Instance {
  int hr = 0;
  QString path;
};
Instance CreateBarHelper(QDBusConnection connection, bool aggregate = false,
                         const QString& riid = QStringLiteral("ZRForm.IZRBarHelper"));
Instance CreateHistory(QDBusConnection connection);
unsigned Release(QDBusConnection connection, const QString& service, const QString& path);

// The process id of the owner of name, or 0 when nobody owns it.
unsigned OwnerPid(QDBusConnection connection, const QString& name);
// Waits (serving events, asking NameHasOwner) until name is owned (or not);
// false after the deadline.
bool WaitForOwner(QDBusConnection connection, const QString& name, bool owned,
                  milliseconds deadline = milliseconds(30000));
// Waits until the process (not a child of this one) has ended.
bool WaitForProcessEnd(unsigned pid, milliseconds deadline = milliseconds(30000));
// Runs the event loop until done() or the deadline; done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, milliseconds deadline = milliseconds(30000));

// This program started in a client mode ("--dialog", "--stall", "--hold"), once it printed its first line (returned in first_line).
std::unique_ptr<QProcess> StartClient(const QStringList& mode, QByteArray* first_line = nullptr);
// Runs the mode named by argv[1]; none when argv names no mode.
std::optional<int> RunClientMode(int argc, char** argv);

// A virtual display (Xvfb) of this process's own, handed to the bus's
// activation environment; windows are found by exact title.
class Desktop {
 public:
  Desktop();
  ~Desktop();
  bool ok() const { return pid_ > 0; }
  // A visible window titled title that is none of known; "" after the deadline.
  static std::string WaitForWindow(const std::string& title,
                                   const std::vector<std::string>& known = {},
                                   milliseconds deadline = milliseconds(30000));
  static bool HasWindow(const std::string& title);
  static bool Focus(const std::string& window);
  // Key presses ("Return", "alt+y"), paced for Qt's mnemonics.
  static void Keys(const std::vector<std::string>& keys);
  static void Type(const std::string& text);
  static void Click(const std::string& window, int x, int y, int count = 1);
  // Waits for the window, focuses it and sends keys; false when it never came.
  static bool Answer(const std::string& title, const std::vector<std::string>& keys);

 private:
  int pid_ = -1;
};

// Calls member on /ZRBarHelper asynchronously while driver answers the
// windows on a thread of its own; the reply once both are done, and
// *driven what driver returned.
QDBusMessage CallWhile(QDBusConnection connection, const QString& member,
                       const QList<QVariant>& arguments, const std::function<bool()>& driver,
                       bool* driven);

}  // namespace zr::bus_test

#endif  // ZRFORM_TESTS_BUS_BUS_SUPPORT_H_
