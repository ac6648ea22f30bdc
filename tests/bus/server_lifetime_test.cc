// The server process on a private bus: registration from the command line,
// activation on the first call, the singletons shared by every client, and
// the end 5 seconds after the last reference, also when clients vanish.
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <csignal>
#include <filesystem>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "platform/registry_store.h"
#include "tests/support/test_support.h"

namespace zr::bus_test {
namespace {

// The quiet period after the last reference, as a lower bound of a wait
// timed from before the release was sent.
constexpr qint64 kQuietMs = 5000;

std::string ServiceFile(const char* name) {
  return DataHome() + "/dbus-1/services/" + name + ".service";
}

bool Registered() {
  RegistryStore classes(Hive::kClassesRoot);
  classes.Load();
  return classes.KeyExists("ZRForm.ZRBarHelper\\CLSID") &&
         std::filesystem::exists(ServiceFile("ZRForm.ZRBarHelper"));
}

// Releases path and waits until the bus name is free; the milliseconds from
// before the release to then, or -1 when the server did not end.
qint64 ReleaseAndTimeTheEnd(QDBusConnection client, const QString& service, const QString& path) {
  unsigned pid = OwnerPid(client, kBarHelperName);
  QElapsedTimer timer;
  timer.start();
  Release(client, service, path);
  if (!WaitForOwner(client, kBarHelperName, false)) return -1;
  qint64 took = timer.elapsed();
  return WaitForProcessEnd(pid) ? took : -1;
}

TEST(ServerLifetimeTest, CommandLineRegistersOnlyForAWholeKeyword) {
  // A switch followed by more text is no keyword: the About box (no display
  // here) and nothing registered.
  EXPECT_EQ(RunServerCommand({QStringLiteral("-RegServer"), QStringLiteral("now")}), 0);
  EXPECT_EQ(RunServerCommand({}), 0);
  EXPECT_FALSE(Registered());
  // Reached through a folder whose name holds "-" and "/", the keyword is still found.
  std::string folder = Scratch() + "/zr-tools -x";
  std::filesystem::create_directories(folder);
  std::filesystem::create_symlink(ZRFORM_EXE, folder + "/zrform");
  EXPECT_EQ(RunServerCommand({QStringLiteral("/regserver")}, QString::fromStdString(folder + "/zrform")),
            0);
  ASSERT_TRUE(Registered());
  for (const char* name : {"ZRForm.ZRBarHelper", "ZRForm.History"}) {
    std::string service = testing::ReadFile(ServiceFile(name));
    EXPECT_NE(service.find(std::string("Name=") + name + "\n"), std::string::npos) << service;
    EXPECT_NE(service.find(" -Embedding"), std::string::npos) << service;
  }
  EXPECT_EQ(RunServerCommand({QStringLiteral("-UnregServer")}), 0);
  EXPECT_FALSE(Registered());
  EXPECT_FALSE(std::filesystem::exists(ServiceFile("ZRForm.History")));
}

TEST(ServerLifetimeTest, ActivatedOnFirstCallAndSharedByEveryClient) {
  RegisterServer();
  QDBusConnection first = Connect(QStringLiteral("first"));
  QDBusConnection second = Connect(QStringLiteral("second"));
  EXPECT_EQ(OwnerPid(first, kBarHelperName), 0u);
  Instance a = CreateBarHelper(first);
  ASSERT_EQ(a.hr, 0);
  unsigned pid = OwnerPid(first, kBarHelperName);
  ASSERT_NE(pid, 0u);
  EXPECT_EQ(CreateBarHelper(second).path, a.path);
  EXPECT_EQ(OwnerPid(second, kHistoryName), pid);
  // One History in the process: what one client adds the other reads.
  Instance ha = CreateHistory(first);
  Instance hb = CreateHistory(second);
  EXPECT_EQ(Hr(Call(first, kHistoryName, ha.path, kHistoryIface, QStringLiteral("AddItem"),
                    {QStringLiteral("shared"), 4})),
            0);
  QDBusMessage item = Call(second, kHistoryName, hb.path, kHistoryIface, QStringLiteral("Item"), {1});
  ASSERT_EQ(Hr(item), 0);
  EXPECT_EQ(item.arguments().at(2).toString(), QStringLiteral("shared"));
  // Aggregation and unknown interfaces are refused and take no reference.
  EXPECT_EQ(static_cast<uint32_t>(CreateBarHelper(first, true).hr), 0x80040110u);
  EXPECT_EQ(static_cast<uint32_t>(CreateBarHelper(first, false, QStringLiteral("IFoo")).hr),
            0x80004002u);
  // LockServer counts like a reference.
  Call(second, kBarHelperName, QStringLiteral("/ZRBarHelper/ClassObject"),
       QStringLiteral("ZRForm.IClassFactory"), QStringLiteral("LockServer"), {true});
  Release(first, kHistoryName, ha.path);
  Release(second, kHistoryName, hb.path);
  Release(second, kBarHelperName, a.path);
  Release(first, kBarHelperName, a.path);
  EXPECT_FALSE(WaitForOwner(first, kBarHelperName, false, milliseconds(kQuietMs + 1000)))
      << "ended while locked";
  Call(second, kBarHelperName, QStringLiteral("/ZRBarHelper/ClassObject"),
       QStringLiteral("ZRForm.IClassFactory"), QStringLiteral("LockServer"), {false});
  EXPECT_TRUE(WaitForOwner(first, kBarHelperName, false));
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

TEST(ServerLifetimeTest, EndsFiveSecondsAfterTheLastReleaseUnlessANewClientComes) {
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("client"));
  ASSERT_EQ(CreateBarHelper(client).hr, 0);
  unsigned pid = OwnerPid(client, kBarHelperName);
  // Releasing more than it holds changes nothing.
  EXPECT_EQ(Release(client, kBarHelperName, QStringLiteral("/ZRBarHelper")), 0u);
  EXPECT_EQ(Release(client, kBarHelperName, QStringLiteral("/ZRBarHelper")), 0u);
  // A client that comes back within the quiet period keeps it running past it.
  ASSERT_EQ(CreateBarHelper(client).hr, 0);
  EXPECT_EQ(OwnerPid(client, kBarHelperName), pid) << "a new server started";
  EXPECT_FALSE(WaitForOwner(client, kBarHelperName, false, milliseconds(kQuietMs + 1000)));
  qint64 took = ReleaseAndTimeTheEnd(client, kBarHelperName, QStringLiteral("/ZRBarHelper"));
  EXPECT_GE(took, kQuietMs);
}

TEST(ServerLifetimeTest, ReferencesOfVanishedClientsAreGivenBack) {
  RegisterServer();
  QDBusConnection watcher = Connect(QStringLiteral("watcher"));
  QByteArray line;
  auto holder = StartClient({QStringLiteral("--hold")}, &line);
  EXPECT_TRUE(line.startsWith("ready 0 /ZRBarHelper")) << line.toStdString();
  unsigned pid = OwnerPid(watcher, kBarHelperName);
  ASSERT_NE(pid, 0u);
  QElapsedTimer timer;
  timer.start();
  ::kill(static_cast<pid_t>(holder->processId()), SIGKILL);
  ASSERT_TRUE(WaitForOwner(watcher, kBarHelperName, false));
  EXPECT_GE(timer.elapsed(), kQuietMs);
  ASSERT_TRUE(WaitForProcessEnd(pid));

  // A client that left the bus before the server could watch it: dbus-send
  // takes a reference and is gone as soon as the reply comes.
  QProcess send;
  send.start(QStringLiteral("dbus-send"),
             {QStringLiteral("--session"), QStringLiteral("--print-reply"),
              QStringLiteral("--dest=ZRForm.ZRBarHelper"), QStringLiteral("/ZRBarHelper/ClassObject"),
              QStringLiteral("ZRForm.IClassFactory.CreateInstance"), QStringLiteral("boolean:false"),
              QStringLiteral("string:")});
  ASSERT_TRUE(send.waitForFinished(30000));
  EXPECT_TRUE(send.readAllStandardOutput().contains("/ZRBarHelper"));
  EXPECT_TRUE(WaitForOwner(watcher, kBarHelperName, false));
}

TEST(ServerLifetimeTest, HistoryAndSettingAreReadAtEachStartAndHistorySavedAtTheEnd) {
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("client"));
  std::filesystem::remove(DataFolder() + "/History.txt");
  for (uint32_t flag : {0u, 1u}) {
    ASSERT_TRUE(WriteAutoLoginRecord(flag));
    Instance helper = CreateBarHelper(client);
    Instance history = CreateHistory(client);
    QDBusMessage value = Call(client, kBarHelperName, helper.path, kBarIface,
                              QStringLiteral("AutoRecordLogin"));
    EXPECT_EQ(value.arguments().value(1).toUInt(), flag);
    QDBusMessage count = Call(client, kHistoryName, history.path, kHistoryIface, QStringLiteral("Count"));
    EXPECT_EQ(count.arguments().value(1).toInt(), flag == 0 ? 0 : 2) << "read at the start";
    for (const char* text : {"alpha", "beta"}) {
      Call(client, kHistoryName, history.path, kHistoryIface, QStringLiteral("AddItem"),
           {QString::fromLatin1(text), 2});
    }
    Release(client, kBarHelperName, helper.path);
    EXPECT_GE(ReleaseAndTimeTheEnd(client, kHistoryName, history.path), 0);
    EXPECT_EQ(testing::ReadFile(DataFolder() + "/History.txt"), "02-alpha\r\n02-beta\r\n");
  }
}

}  // namespace
}  // namespace zr::bus_test
