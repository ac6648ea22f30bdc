// Helpers of the tests on a private session bus.
#include "bus_test_support.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QThread>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "server/client_trust.h"
#include "tests/support/trust_registry.h"

namespace zr::bus_test {

std::string Scratch() {
  const char* scratch = std::getenv("ZR_TEST_SCRATCH");
  return scratch ? scratch : "";
}

std::string DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  return data ? data : "";
}

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

std::string DataFolder() { return DataHome() + "/Zorvane/ToolBar"; }

void WriteSampleData() {
  std::filesystem::create_directories(DataHome() + "/Zorvane");
  ASSERT_EQ(RunServerCommand({QStringLiteral("sample"), QString::fromStdString(DataFolder())},
                             QStringLiteral(ZRDATA_EXE)),
            0);
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

namespace {

Instance Create(QDBusConnection connection, const QString& service, const QString& class_path,
                bool aggregate, const QString& riid) {
  QDBusMessage reply = Call(connection, service, class_path, QStringLiteral("ZRForm.IClassFactory"),
                            QStringLiteral("CreateInstance"), {aggregate, riid});
  Instance instance;
  instance.hr = Hr(reply);
  if (reply.arguments().size() == 2) {
    instance.path = reply.arguments().at(1).value<QDBusObjectPath>().path();
  }
  return instance;
}

}  // namespace

Instance CreateBarHelper(QDBusConnection connection, bool aggregate, const QString& riid) {
  return Create(connection, kBarHelperName, QStringLiteral("/ZRBarHelper/ClassObject"), aggregate,
                riid);
}

Instance CreateHistory(QDBusConnection connection) {
  return Create(connection, kHistoryName, QStringLiteral("/History/ClassObject"), false,
                QStringLiteral("ZRForm.IHistory"));
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

bool WaitUntilUnowned(QDBusConnection connection, const QString& name,
                      std::chrono::milliseconds deadline, std::chrono::milliseconds* took) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < deadline.count()) {
    QDBusReply<bool> owned = connection.interface()->isServiceRegistered(name);
    if (owned.isValid() && !owned.value()) {
      if (took) *took = std::chrono::milliseconds(timer.elapsed());
      return true;
    }
    Pump(std::chrono::milliseconds(20));
  }
  return false;
}

bool WaitForProcessEnd(unsigned pid, std::chrono::milliseconds deadline) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < deadline.count()) {
    if (::kill(static_cast<pid_t>(pid), 0) != 0) return true;
    Pump(std::chrono::milliseconds(20));
  }
  return false;
}

void Pump(std::chrono::milliseconds duration) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < duration.count()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}

}  // namespace zr::bus_test
