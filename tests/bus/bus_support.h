// Shared pieces of the tests of the real server on a private session bus (tests/run_on_bus.sh):
// calls as a toolbar makes them, waits for names, processes and replies by their events with a
// deadline, and a virtual display driven with xdotool (which waits for windows and focus itself).
#ifndef ZRFORM_TESTS_BUS_BUS_SUPPORT_H_
#define ZRFORM_TESTS_BUS_BUS_SUPPORT_H_

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <thread>

#include "server/client_trust.h"
#include "tests/support/trust_registry.h"

namespace zr::bus_test {

using std::chrono::milliseconds;

inline const QString kBarHelperName = QStringLiteral("ZRForm.ZRBarHelper");
inline const QString kHistoryName = QStringLiteral("ZRForm.History");
inline const QString kHelperPath = QStringLiteral("/ZRBarHelper");
inline const QString kHistoryPath = QStringLiteral("/History");

inline QDBusConnection Connect(const QString& name) {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}
inline std::string Scratch() { return qEnvironmentVariable("ZR_TEST_SCRATCH").toStdString(); }
inline std::string DataFolder() { return Scratch() + "/data/Zorvane/ToolBar"; }

// The exit status of program, -1 when it failed or took a minute; its output into *output.
inline int RunProgram(const QStringList& arguments, const QString& program = ZRFORM_EXE,
                      QByteArray* output = nullptr) {
  QProcess process;
  process.setProcessChannelMode(output ? QProcess::ForwardedErrorChannel
                                       : QProcess::ForwardedChannels);
  process.start(program, arguments);
  process.closeWriteChannel();
  const bool finished = process.waitForFinished(60000);
  if (!finished) process.kill(), process.waitForFinished();
  if (output) *output = process.readAllStandardOutput();
  return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Registers the built server and, with allow, this program as a client the user allowed.
inline void RegisterServer(bool allow = true) {
  ASSERT_EQ(RunProgram({QStringLiteral("-RegServer")}), 0);
  ASSERT_TRUE(!allow || AllowProgram(testing::ThisExecutable()));
}

inline void WriteSampleData() {  // tools/sample_data.cc's folder, written by zrdata
  std::filesystem::create_directories(Scratch() + "/data/Zorvane");
  ASSERT_EQ(RunProgram({"sample", QString::fromStdString(DataFolder())}, ZRDATA_EXE), 0);
}

// A call with no timeout while the event loop runs; the interface follows from the path.
inline QDBusMessage Call(QDBusConnection connection, const QString& member,
                         const QList<QVariant>& arguments = {},
                         const QString& service = kBarHelperName, const QString& path = kHelperPath,
                         QString interface = {}) {
  if (interface.isEmpty())
    interface = path.startsWith(kHistoryPath) ? "ZRForm.IHistory" : "ZRForm.IZRBarHelper";
  QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, member);
  message.setArguments(arguments);
  return connection.call(message, QDBus::BlockWithGui, INT_MAX);
}

// The HRESULT of a reply (its first argument), or 0x7FFFFFFF for an error reply.
inline int Hr(const QDBusMessage& reply) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0x7FFFFFFF;
  return reply.arguments().at(0).toInt();
}

inline QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }
// CreateInstance on the class object of service: the HRESULT, and the object path.
inline std::pair<int, QString> Create(QDBusConnection connection,
                                      const QString& service = kBarHelperName) {
  const bool helper = service == kBarHelperName;
  QDBusMessage reply = Call(
      connection, "CreateInstance", {false, helper ? "ZRForm.IZRBarHelper" : "ZRForm.IHistory"},
      service, (helper ? kHelperPath : kHistoryPath) + "/ClassObject", "ZRForm.IClassFactory");
  return {Hr(reply), reply.arguments().value(1).value<QDBusObjectPath>().path()};
}

inline unsigned Release(QDBusConnection connection, const QString& service = kBarHelperName) {
  const QString path = service == kBarHelperName ? kHelperPath : kHistoryPath;
  return Call(connection, "Release", {}, service, path, "ZRForm.IUnknown")
      .arguments()
      .value(0, UINT_MAX)
      .toUInt();
}

inline unsigned OwnerPid(QDBusConnection connection, const QString& name = kBarHelperName) {
  QDBusReply<uint> pid = connection.interface()->servicePid(name);
  return pid.isValid() ? pid.value() : 0;
}

// Runs an event loop until done() or the deadline; arm connects the events that
// may make done() true to the loop's quit().
inline bool Await(const std::function<bool()>& done, const std::function<void(QEventLoop&)>& arm,
                  milliseconds deadline = milliseconds(30000)) {
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(deadline);
  arm(loop);
  while (!done() && timer.isActive()) loop.exec();
  return done();
}

inline bool WaitForOwner(QDBusConnection connection, const QString& name, bool owned,
                         milliseconds deadline = milliseconds(30000)) {
  QDBusServiceWatcher watcher(name, connection);
  return Await([&] { return connection.interface()->isServiceRegistered(name).value() == owned; },
               [&](QEventLoop& loop) {
                 QObject::connect(&watcher, &QDBusServiceWatcher::serviceOwnerChanged, &loop,
                                  &QEventLoop::quit);
               },
               deadline);
}

inline bool WaitForProcessEnd(unsigned pid, milliseconds deadline = milliseconds(30000)) {
  // A pidfd becomes readable when the process ends.
  int fd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
  if (fd < 0) return errno == ESRCH;
  QSocketNotifier notifier(fd, QSocketNotifier::Read);
  pollfd ended{fd, POLLIN, 0};
  bool result =
      Await([&] { return ::poll(&ended, 1, 0) == 1; },
            [&](QEventLoop& loop) {
              QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
            },
            deadline);
  ::close(fd);
  return result;
}

// This program in a client mode ("--hold"), once it printed its first line.
inline std::unique_ptr<QProcess> StartClient(const QString& mode,
                                             QByteArray* first_line = nullptr) {
  auto process = std::make_unique<QProcess>();
  process->start(QCoreApplication::applicationFilePath(), {mode});
  EXPECT_TRUE(process->waitForReadyRead(30000) &&
              (process->canReadLine() || process->waitForReadyRead(30000)))
      << "the client printed nothing";
  QByteArray line = process->readLine();
  if (first_line) *first_line = line;
  return process;
}

// A shell command's standard output up to the first line end.
inline std::string Shell(const std::string& command) {
  QByteArray output;
  RunProgram({"-c", QString::fromStdString(command)}, "sh", &output);
  return output.left(output.indexOf('\n')).toStdString();
}

// A virtual display of this process's own, handed to the bus's activation
// environment; windows are found by exact title.
class Desktop {
 public:
  Desktop() {
    // Xvfb writes its display number once it accepts connections.
    xvfb_.setStandardErrorFile(QProcess::nullDevice());
    xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    if (!xvfb_.waitForReadyRead(20000)) return;
    const std::string display = ":" + xvfb_.readAllStandardOutput().trimmed().toStdString();
    ::setenv("DISPLAY", display.c_str(), 1);
    ::unsetenv("QT_QPA_PLATFORM");
    ok_ = RunProgram({"DISPLAY=" + QString::fromStdString(display), "QT_QPA_PLATFORM=xcb"},
                     "dbus-update-activation-environment") == 0;
  }
  ~Desktop() { xvfb_.terminate(), xvfb_.waitForFinished(); }
  bool ok() const { return ok_; }
  static std::string WaitForWindow(const std::string& title, int seconds = 30) {  // "": none
    std::string wait = seconds > 0 ? "timeout " + std::to_string(seconds) + " xdotool search --sync"
                                   : "xdotool search";
    return Shell(wait + " --onlyvisible --name '^" + title + "$' 2>/dev/null");
  }
  // Keys as "alt+y"; "=text" is typed. Qt takes a mnemonic's animated click
  // 100 ms after the key: the pace of the keys, not a wait for an outcome.
  static void Keys(const std::vector<std::string>& keys) {
    for (const std::string& key : keys)
      Shell(key[0] == '=' ? "xdotool type --delay 12 -- '" + key.substr(1) + "'"
                          : "xdotool key " + key + (key.rfind("alt+", 0) == 0 ? " sleep 0.2" : ""));
  }
  // Waits for the window, focuses it and sends keys; false when it never came.
  static bool Answer(const std::string& title, const std::vector<std::string>& keys) {
    std::string window = WaitForWindow(title);
    if (window.empty()) return false;
    Shell("timeout 5 xdotool windowfocus --sync " + window + " 2>/dev/null");
    if (Shell("xdotool getwindowfocus") != window) return false;
    return Keys(keys), true;
  }

 private:
  QProcess xvfb_;
  bool ok_ = false;
};

// Windows to answer in turn, each with its keys.
using Steps = std::vector<std::pair<const char*, std::vector<std::string>>>;
// Calls member on /ZRBarHelper while steps are answered on a thread of their
// own (a failure when a window never came); the reply once both are done.
inline QDBusMessage CallWhile(QDBusConnection connection, const QString& member,
                              const QList<QVariant>& arguments, const Steps& steps) {
  QDBusMessage message =
      QDBusMessage::createMethodCall(kBarHelperName, kHelperPath, "ZRForm.IZRBarHelper", member);
  message.setArguments(arguments);
  QDBusPendingCallWatcher pending(connection.asyncCall(message, INT_MAX));
  QObject relay;  // named "done" on this thread once the steps are through
  std::thread thread([&] {
    for (const auto& [window, keys] : steps)
      EXPECT_TRUE(Desktop::Answer(window, keys)) << window << " did not appear";
    QMetaObject::invokeMethod(
        &relay, [&] { relay.setObjectName("done"); }, Qt::QueuedConnection);
  });
  Await([&] { return relay.objectName() == "done" && pending.isFinished(); },
        [&](QEventLoop& loop) {
          QObject::connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
          QObject::connect(&relay, &QObject::objectNameChanged, &loop, &QEventLoop::quit);
        },
        milliseconds(120000));
  thread.join();
  return pending.reply();
}

}  // namespace zr::bus_test

#endif  // ZRFORM_TESTS_BUS_BUS_SUPPORT_H_
