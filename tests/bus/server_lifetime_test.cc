// The server process on a private bus: registration from the command line,
// activation on the first call, the singletons shared by every client, and
// the end 5 seconds after the last reference, also when clients vanish.
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "bus_test_support.h"
#include "platform/registry_store.h"

namespace zr::bus_test {
namespace {

using std::chrono::milliseconds;

std::string ServiceFile(const std::string& name) {
  return DataHome() + "/dbus-1/services/" + name + ".service";
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Registered() {
  RegistryStore classes(Hive::kClassesRoot);
  classes.Load();
  return classes.KeyExists("ZRForm.ZRBarHelper\\CLSID") &&
         std::filesystem::exists(ServiceFile("ZRForm.ZRBarHelper"));
}

TEST(ServerLifetimeTest, CommandLineRegistersOnlyForAWholeKeyword) {
  // A switch followed by more text is no keyword: the About box (no display
  // here) and nothing registered.
  EXPECT_EQ(RunServerCommand({QStringLiteral("-RegServer"), QStringLiteral("now")}), 0);
  EXPECT_FALSE(Registered());
  EXPECT_EQ(RunServerCommand({}), 0);
  EXPECT_FALSE(Registered());

  EXPECT_EQ(RunServerCommand({QStringLiteral("/regserver")}), 0);
  ASSERT_TRUE(Registered());
  for (const char* name : {"ZRForm.ZRBarHelper", "ZRForm.History"}) {
    std::string service = ReadAll(ServiceFile(name));
    EXPECT_NE(service.find(std::string("Name=") + name + "\n"), std::string::npos) << service;
    EXPECT_NE(service.find(std::string(ZRFORM_EXE) + " -Embedding"), std::string::npos) << service;
  }
  EXPECT_EQ(RunServerCommand({QStringLiteral("-UnregServer")}), 0);
  EXPECT_FALSE(Registered());
  EXPECT_FALSE(std::filesystem::exists(ServiceFile("ZRForm.History")));
}

TEST(ServerLifetimeTest, APathWithDashesStillFindsTheKeyword) {
  // The program path runs through a folder whose name holds "-" and "/".
  std::string folder = Scratch() + "/zr-tools -x";
  std::filesystem::create_directories(folder);
  std::filesystem::create_symlink(ZRFORM_EXE, folder + "/zrform");
  QString program = QString::fromStdString(folder + "/zrform");
  QDBusConnection bus = Connect(QStringLiteral("watcher"));
  QProcess server;
  server.start(program, {QStringLiteral("-Embedding")});
  ASSERT_TRUE(server.waitForStarted());
  bool serving = false;
  for (int i = 0; i < 500 && !serving; ++i) {
    serving = bus.interface()->isServiceRegistered(kBarHelperName).value();
    Pump(milliseconds(20));
  }
  EXPECT_TRUE(serving);
  server.terminate();  // ends as the quiet period would
  EXPECT_TRUE(server.waitForFinished(20000));
  EXPECT_EQ(server.exitCode(), 0);
}

TEST(ServerLifetimeTest, ActivatedOnFirstCallAndSharedByEveryClient) {
  RegisterServer();
  QDBusConnection first = Connect(QStringLiteral("first"));
  QDBusConnection second = Connect(QStringLiteral("second"));
  EXPECT_EQ(OwnerPid(first, kBarHelperName), 0u);

  Instance a = CreateBarHelper(first);
  ASSERT_EQ(a.hr, 0);
  EXPECT_EQ(a.path, QStringLiteral("/ZRBarHelper"));
  unsigned pid = OwnerPid(first, kBarHelperName);
  ASSERT_NE(pid, 0u);
  Instance b = CreateBarHelper(second);
  EXPECT_EQ(b.path, a.path);
  EXPECT_EQ(OwnerPid(second, kHistoryName), pid);

  // The History of one process: what one client adds the other reads.
  Instance ha = CreateHistory(first);
  Instance hb = CreateHistory(second);
  ASSERT_EQ(ha.hr, 0);
  EXPECT_EQ(Hr(Call(first, kHistoryName, ha.path, QStringLiteral("ZRForm.IHistory"),
                    QStringLiteral("AddItem"), {QStringLiteral("shared"), 4})), 0);
  QDBusMessage item = Call(second, kHistoryName, hb.path, QStringLiteral("ZRForm.IHistory"),
                           QStringLiteral("Item"), {1});
  ASSERT_EQ(Hr(item), 0);
  EXPECT_EQ(item.arguments().at(1).toInt(), 4);
  EXPECT_EQ(item.arguments().at(2).toString(), QStringLiteral("shared"));

  // Aggregation and unknown interfaces are refused and take no reference.
  EXPECT_EQ(static_cast<uint32_t>(CreateBarHelper(first, true).hr), 0x80040110u);
  EXPECT_EQ(static_cast<uint32_t>(CreateBarHelper(first, false, QStringLiteral("IFoo")).hr),
            0x80004002u);

  for (QDBusConnection* c : {&first, &second}) {
    Release(*c, kBarHelperName, QStringLiteral("/ZRBarHelper"));
    Release(*c, kHistoryName, QStringLiteral("/History"));
  }
  EXPECT_TRUE(WaitUntilUnowned(first, kBarHelperName, milliseconds(20000), nullptr));
  EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(10000)));
}

TEST(ServerLifetimeTest, EndsFiveSecondsAfterTheLastReleaseUnlessANewClientComes) {
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("client"));
  ASSERT_EQ(CreateBarHelper(client).hr, 0);
  unsigned pid = OwnerPid(client, kBarHelperName);
  // Releasing more than it holds changes nothing for the others.
  EXPECT_EQ(Release(client, kBarHelperName, QStringLiteral("/ZRBarHelper")), 0u);
  EXPECT_EQ(Release(client, kBarHelperName, QStringLiteral("/ZRBarHelper")), 0u);

  // A client that comes back within the quiet period keeps it running.
  Pump(milliseconds(3000));
  ASSERT_EQ(CreateBarHelper(client).hr, 0);
  Pump(milliseconds(4000));
  EXPECT_EQ(OwnerPid(client, kBarHelperName), pid);

  Release(client, kBarHelperName, QStringLiteral("/ZRBarHelper"));
  milliseconds took{0};
  ASSERT_TRUE(WaitUntilUnowned(client, kBarHelperName, milliseconds(30000), &took));
  EXPECT_GE(took.count(), 4900);
  EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(10000)));
}

TEST(ServerLifetimeTest, ReferencesOfVanishedClientsAreGivenBack) {
  RegisterServer();
  QDBusConnection watcher = Connect(QStringLiteral("watcher"));
  // A client killed while it holds a reference.
  QProcess holder;
  holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold")});
  ASSERT_TRUE(holder.waitForReadyRead(30000));
  EXPECT_TRUE(holder.readAll().startsWith("held 0 /ZRBarHelper"));
  unsigned pid = OwnerPid(watcher, kBarHelperName);
  ASSERT_NE(pid, 0u);
  ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
  holder.waitForFinished();
  milliseconds took{0};
  ASSERT_TRUE(WaitUntilUnowned(watcher, kBarHelperName, milliseconds(30000), &took));
  EXPECT_GE(took.count(), 4000);
  ASSERT_TRUE(WaitForProcessEnd(pid, milliseconds(10000)));

  // A client that left the bus before the server could watch it: dbus-send
  // takes a reference and is gone as soon as the reply comes.
  QProcess send;
  send.start(QStringLiteral("dbus-send"),
             {QStringLiteral("--session"), QStringLiteral("--print-reply"),
              QStringLiteral("--dest=ZRForm.ZRBarHelper"),
              QStringLiteral("/ZRBarHelper/ClassObject"),
              QStringLiteral("ZRForm.IClassFactory.CreateInstance"), QStringLiteral("boolean:false"),
              QStringLiteral("string:")});
  ASSERT_TRUE(send.waitForFinished(30000));
  EXPECT_TRUE(send.readAllStandardOutput().contains("/ZRBarHelper"));
  EXPECT_TRUE(WaitUntilUnowned(watcher, kBarHelperName, milliseconds(30000), nullptr));
}

TEST(ServerLifetimeTest, HistoryIsSavedAtTheEndAndReadAtTheNextStart) {
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("client"));
  Instance history = CreateHistory(client);
  ASSERT_EQ(history.hr, 0);
  for (const char* text : {"alpha", "beta"}) {
    Call(client, kHistoryName, history.path, QStringLiteral("ZRForm.IHistory"),
         QStringLiteral("AddItem"), {QString::fromLatin1(text), 2});
  }
  unsigned pid = OwnerPid(client, kHistoryName);
  Release(client, kHistoryName, history.path);
  ASSERT_TRUE(WaitForProcessEnd(pid, milliseconds(30000)));
  std::string file = DataHome() + "/Zorvane/ToolBar/History.txt";
  EXPECT_EQ(ReadAll(file), "02-alpha\r\n02-beta\r\n");

  history = CreateHistory(client);
  QDBusMessage count = Call(client, kHistoryName, history.path, QStringLiteral("ZRForm.IHistory"),
                            QStringLiteral("Count"));
  EXPECT_EQ(count.arguments().value(1).toInt(), 2);
  Release(client, kHistoryName, history.path);
}

}  // namespace
}  // namespace zr::bus_test
