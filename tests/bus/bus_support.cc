// Helpers of the tests on a private session bus, and the client modes: a
// client that leaves a window open, one that stops answering its page's
// callbacks, and one that holds a reference until it is killed.
#include "bus_support.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QEventLoop>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "pages/page_exporter.h"
#include "server/client_trust.h"
#include "tests/support/trust_registry.h"

namespace zr::bus_test {

static std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}
std::string Scratch() { return Env("ZR_TEST_SCRATCH"); }
std::string DataHome() { return Env("XDG_DATA_HOME"); }
std::string DataFolder() { return DataHome() + "/Zorvane/ToolBar"; }

int RunServerCommand(const QStringList& arguments, const QString& program) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.start(program.isEmpty() ? QStringLiteral(ZRFORM_EXE) : program, arguments);
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return -1;
  }
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void RegisterServer() {
  ASSERT_EQ(RunServerCommand({QStringLiteral("-RegServer")}), 0);
  // This program calls the server as a client that the user has allowed.
  ASSERT_TRUE(AllowProgram(testing::ThisExecutable()));
}

void WriteSampleData() {
  std::filesystem::create_directories(DataHome() + "/Zorvane");
  ASSERT_EQ(RunServerCommand({QStringLiteral("sample"), QString::fromStdString(DataFolder())},
                             QStringLiteral(ZRDATA_EXE)),
            0);
}

std::optional<std::string> Dump(const std::string& file, const QByteArray& stdin_text) {
  QProcess dump;
  dump.start(QStringLiteral(ZRDATA_EXE), {QStringLiteral("dump"), QString::fromStdString(file)});
  dump.write(stdin_text);
  dump.closeWriteChannel();
  if (!dump.waitForFinished(60000) || dump.exitCode() != 0) return std::nullopt;
  return dump.readAllStandardOutput().toStdString();
}

QDBusConnection Connect(const QString& name) {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}

QDBusMessage Call(QDBusConnection connection, const QString& service, const QString& path,
                  const QString& interface, const QString& member,
                  const QList<QVariant>& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, member);
  message.setArguments(arguments);
  return connection.call(message, QDBus::BlockWithGui, INT_MAX);
}

int Hr(const QDBusMessage& reply) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0x7FFFFFFF;
  return reply.arguments().at(0).toInt();
}

static Instance Create(QDBusConnection connection, const QString& service,
                       const QString& class_path, bool aggregate, const QString& riid) {
  QDBusMessage reply = Call(connection, service, class_path, QStringLiteral("ZRForm.IClassFactory"),
                            QStringLiteral("CreateInstance"), {aggregate, riid});
  Instance instance{Hr(reply), QString()};
  if (reply.arguments().size() == 2) {
    instance.path = reply.arguments().at(1).value<QDBusObjectPath>().path();
  }
  return instance;
}

Instance CreateBarHelper(QDBusConnection connection, bool aggregate, const QString& riid) {
  return Create(connection, kBarHelperName, QStringLiteral("/ZRBarHelper/ClassObject"), aggregate,
                riid);
}

Instance CreateHistory(QDBusConnection connection) {
  return Create(connection, kHistoryName, QStringLiteral("/History/ClassObject"), false,
                kHistoryIface);
}

unsigned Release(QDBusConnection connection, const QString& service, const QString& path) {
  QDBusMessage reply = Call(connection, service, path, QStringLiteral("ZRForm.IUnknown"),
                            QStringLiteral("Release"));
  return reply.arguments().isEmpty() ? UINT_MAX : reply.arguments().at(0).toUInt();
}

unsigned OwnerPid(QDBusConnection connection, const QString& name) {
  QDBusReply<uint> pid = connection.interface()->servicePid(name);
  return pid.isValid() ? pid.value() : 0;
}

bool PumpUntil(const std::function<bool()>& done, milliseconds deadline) {
  QElapsedTimer timer;
  timer.start();
  for (;;) {
    if (done()) return true;
    if (timer.elapsed() >= deadline.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(milliseconds(5));  // the poll interval
  }
}

bool WaitForOwner(QDBusConnection connection, const QString& name, bool owned,
                  milliseconds deadline) {
  return PumpUntil(
      [&] {
        QDBusReply<bool> has = connection.interface()->isServiceRegistered(name);
        return has.isValid() && has.value() == owned;
      },
      deadline);
}

bool WaitForProcessEnd(unsigned pid, milliseconds deadline) {
  return PumpUntil([pid] { return ::kill(static_cast<pid_t>(pid), 0) != 0; }, deadline);
}

std::unique_ptr<QProcess> StartClient(const QStringList& mode, QByteArray* first_line) {
  auto process = std::make_unique<QProcess>();
  process->start(QCoreApplication::applicationFilePath(), mode);
  EXPECT_TRUE(PumpUntil([&] {
    process->waitForReadyRead(10);
    return process->canReadLine();
  })) << "the client printed nothing";
  QByteArray line = process->readLine();
  if (first_line) *first_line = line;
  return process;
}

QDBusMessage CallWhile(QDBusConnection connection, const QString& member,
                       const QList<QVariant>& arguments, const std::function<bool()>& driver,
                       bool* driven) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      kBarHelperName, QStringLiteral("/ZRBarHelper"), kBarIface, member);
  message.setArguments(arguments);
  QDBusPendingCall pending = connection.asyncCall(message, INT_MAX);
  std::atomic<bool> finished = false;
  std::thread thread([&] {
    *driven = driver();
    finished = true;
  });
  PumpUntil([&] { return finished && pending.isFinished(); }, milliseconds(120000));
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

std::optional<int> RunClientMode(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  const std::string mode = argv[1];
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (mode != "--dialog" && mode != "--stall" && mode != "--hold") return std::nullopt;
  Instance helper = CreateBarHelper(bus);
  std::printf("ready %d %s\n", helper.hr, qPrintable(helper.path));
  std::fflush(stdout);
  if (mode == "--hold") ::pause();  // until killed
  QList<QVariant> arguments{qlonglong(0)};
  StallingBrowser browser;
  PageExporter exporter(bus);
  if (mode == "--stall") arguments += {Path(exporter.ExportBrowser(browser)), 2, 1, 0};
  QDBusMessage reply = Call(bus, kBarHelperName, helper.path, kBarIface,
                            mode == "--stall" ? QStringLiteral("FillInForm")
                                              : QStringLiteral("PasswordManager"),
                            arguments);
  std::printf("answered %d\n", Hr(reply));
  return 0;
}

}  // namespace zr::bus_test
