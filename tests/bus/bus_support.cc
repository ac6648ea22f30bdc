// Helpers of the tests on a private session bus, and the client mode that
// holds a reference until it is killed.
#include "bus_support.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "pages/page_exporter.h"
#include "server/client_trust.h"
#include "tests/support/trust_registry.h"

namespace zr::bus_test {

std::string Scratch() { return std::getenv("ZR_TEST_SCRATCH") ? std::getenv("ZR_TEST_SCRATCH") : ""; }
std::string DataFolder() { return Scratch() + "/data/Zorvane/ToolBar"; }

int RunProgram(const QStringList& arguments, const QString& program, QByteArray* output) {
  QProcess process;
  process.setProcessChannelMode(output ? QProcess::ForwardedErrorChannel : QProcess::ForwardedChannels);
  process.start(program, arguments);
  process.closeWriteChannel();
  const bool finished = process.waitForFinished(60000);
  if (!finished) process.kill(), process.waitForFinished();
  if (output) *output = process.readAllStandardOutput();
  return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void RegisterServer(bool allow) {
  ASSERT_EQ(RunProgram({QStringLiteral("-RegServer")}), 0);
  if (allow) {
    ASSERT_TRUE(AllowProgram(testing::ThisExecutable()));
  }
}

void WriteSampleData() {
  std::filesystem::create_directories(Scratch() + "/data/Zorvane");
  ASSERT_EQ(RunProgram({QStringLiteral("sample"), QString::fromStdString(DataFolder())}, ZRDATA_EXE), 0);
}

QDBusMessage Call(QDBusConnection connection, const QString& service, const QString& path,
                  const QString& interface, const QString& member, const QList<QVariant>& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, member);
  message.setArguments(arguments);
  return connection.call(message, QDBus::BlockWithGui, INT_MAX);
}

QDBusMessage CallHelper(QDBusConnection connection, const QString& member, const QList<QVariant>& arguments) {
  return Call(connection, kBarHelperName, kHelperPath, kBarIface, member, arguments);
}

int Hr(const QDBusMessage& reply) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0x7FFFFFFF;
  return reply.arguments().at(0).toInt();
}

std::pair<int, QString> Create(QDBusConnection connection, const QString& service) {
  const bool helper = service == kBarHelperName;
  QDBusMessage reply = Call(connection, service, (helper ? kHelperPath : kHistoryPath) + "/ClassObject",
                            QStringLiteral("ZRForm.IClassFactory"), QStringLiteral("CreateInstance"),
                            {false, helper ? kBarIface : kHistoryIface});
  return {Hr(reply), reply.arguments().value(1).value<QDBusObjectPath>().path()};
}

unsigned Release(QDBusConnection connection, const QString& service) {
  QDBusMessage reply = Call(connection, service, service == kBarHelperName ? kHelperPath : kHistoryPath,
                            QStringLiteral("ZRForm.IUnknown"), QStringLiteral("Release"));
  return reply.arguments().isEmpty() ? UINT_MAX : reply.arguments().at(0).toUInt();
}

unsigned OwnerPid(QDBusConnection connection, const QString& name) {
  QDBusReply<uint> pid = connection.interface()->servicePid(name);
  return pid.isValid() ? pid.value() : 0;
}

bool Await(const std::function<bool()>& done, const std::function<void(QEventLoop&)>& arm, milliseconds deadline) {
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(deadline);
  arm(loop);
  while (!done() && timer.isActive()) loop.exec();
  return done();
}

bool WaitForOwner(QDBusConnection connection, const QString& name, bool owned, milliseconds deadline) {
  QDBusServiceWatcher watcher(name, connection);
  return Await([&] { return connection.interface()->isServiceRegistered(name).value() == owned; },
               [&](QEventLoop& loop) {
                 QObject::connect(&watcher, &QDBusServiceWatcher::serviceOwnerChanged, &loop, &QEventLoop::quit);
               },
               deadline);
}

bool WaitForProcessEnd(unsigned pid, milliseconds deadline) {
  // A pidfd becomes readable when the process ends.
  int fd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
  if (fd < 0) return errno == ESRCH;
  QSocketNotifier notifier(fd, QSocketNotifier::Read);
  bool result = Await([fd] { pollfd ended{fd, POLLIN, 0}; return ::poll(&ended, 1, 0) == 1; },
                      [&](QEventLoop& loop) { QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit); },
                      deadline);
  ::close(fd);
  return result;
}

std::unique_ptr<QProcess> StartClient(const QString& mode, QByteArray* first_line) {
  auto process = std::make_unique<QProcess>();
  process->start(QCoreApplication::applicationFilePath(), {mode});
  EXPECT_TRUE(process->waitForReadyRead(30000) && (process->canReadLine() || process->waitForReadyRead(30000)))
      << "the client printed nothing";
  QByteArray line = process->readLine();
  if (first_line) *first_line = line;
  return process;
}

QDBusMessage CallWhile(QDBusConnection connection, const QString& member, const QList<QVariant>& arguments,
                       const std::function<bool()>& driver, bool* driven) {
  static QEventLoop* waiting = nullptr;  // set and read on this thread only
  QDBusMessage message = QDBusMessage::createMethodCall(kBarHelperName, kHelperPath, kBarIface, member);
  message.setArguments(arguments);
  QDBusPendingCallWatcher pending(connection.asyncCall(message, INT_MAX));
  std::atomic<bool> finished = false;
  std::thread thread([&] {
    *driven = driver();
    finished = true;
    QMetaObject::invokeMethod(qApp, [] { if (waiting) waiting->quit(); }, Qt::QueuedConnection);
  });
  Await([&] { return finished && pending.isFinished(); },
        [&](QEventLoop& loop) {
          waiting = &loop;
          QObject::connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        },
        milliseconds(120000));
  waiting = nullptr;
  thread.join();
  return pending.reply();
}

namespace {

// A browser whose document never comes: the client stops itself first.
class StallingBrowser final : public PageBrowser {
 public:
  std::unique_ptr<PageDocument> Document() override {
    ::raise(SIGSTOP);
    return nullptr;
  }
};

}  // namespace

// --hold: takes a reference and waits to be killed; --dialog: opens the Login
// Manager; --stall: asks for a fill and stops itself in the page's first callback.
std::optional<int> RunClientMode(int argc, char** argv) {
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (mode != "--hold" && mode != "--dialog" && mode != "--stall") return std::nullopt;
  QDBusConnection bus = QDBusConnection::sessionBus();
  auto [hr, path] = Create(bus);
  std::printf("ready %d %s\n", hr, qPrintable(path));
  std::fflush(stdout);
  if (mode == "--hold") ::pause();  // until killed
  StallingBrowser browser;
  PageExporter exporter(bus);
  const bool stall = mode == "--stall";
  QList<QVariant> arguments{qlonglong(0)};
  if (stall) arguments += {Path(exporter.ExportBrowser(browser)), 2, 1, 0};
  QDBusMessage reply = Call(bus, kBarHelperName, path, kBarIface,
                            stall ? QStringLiteral("FillInForm") : QStringLiteral("PasswordManager"), arguments);
  std::printf("answered %d\n", Hr(reply));
  return 0;
}

}  // namespace zr::bus_test
