// The server process on a private bus: started by the bus on the first call,
// one process for every client, and its end 5 seconds after the last
// reference, also when clients vanish (History.txt saved at that end).
#include <chrono>
#include <csignal>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "tests/support/test_support.h"

namespace zr::bus_test {
namespace {

constexpr milliseconds kQuiet(5000);  // from the last reference to the end

TEST(ServerLifetimeTest, EndsFiveSecondsAfterTheLastReleaseUnlessANewClientComes) {
  RegisterServer();
  QDBusConnection first = Connect(QStringLiteral("first"));
  QDBusConnection second = Connect(QStringLiteral("second"));
  ASSERT_EQ(Create(first).first, 0);
  const unsigned pid = OwnerPid(first);
  ASSERT_NE(pid, 0u);
  // One process and one History for every client.
  ASSERT_EQ(Create(second, kHistoryName).first, 0);
  EXPECT_EQ(OwnerPid(second, kHistoryName), pid);
  for (const char* text : {"alpha", "beta"}) {
    Call(first, kHistoryName, kHistoryPath, kHistoryIface, QStringLiteral("AddItem"), {QString(text), 2});
  }
  // Releasing more than it holds changes nothing; a client that comes back
  // within the quiet period keeps the same server running past it.
  Release(second, kHistoryName);
  EXPECT_EQ(Release(first), 0u);
  EXPECT_EQ(Release(first), 0u);
  ASSERT_EQ(Create(first).first, 0);
  EXPECT_EQ(OwnerPid(first), pid) << "a new server started";
  EXPECT_FALSE(WaitForOwner(first, kBarHelperName, false, kQuiet + milliseconds(1000)));
  const auto start = std::chrono::steady_clock::now();
  Release(first);
  ASSERT_TRUE(WaitForOwner(first, kBarHelperName, false));
  EXPECT_GE(std::chrono::steady_clock::now() - start, kQuiet);
  ASSERT_TRUE(WaitForProcessEnd(pid));
  EXPECT_EQ(testing::ReadFile(DataFolder() + "/History.txt"), "02-alpha\r\n02-beta\r\n");
}

TEST(ServerLifetimeTest, ReferencesOfVanishedClientsAreGivenBack) {
  RegisterServer();
  QDBusConnection watcher = Connect(QStringLiteral("watcher"));
  QByteArray line;
  auto holder = StartClient(QStringLiteral("--hold"), &line);
  EXPECT_TRUE(line.startsWith("ready 0 /ZRBarHelper")) << line.toStdString();
  unsigned pid = OwnerPid(watcher);
  ASSERT_NE(pid, 0u);
  const auto start = std::chrono::steady_clock::now();
  ::kill(static_cast<pid_t>(holder->processId()), SIGKILL);
  ASSERT_TRUE(WaitForOwner(watcher, kBarHelperName, false));
  EXPECT_GE(std::chrono::steady_clock::now() - start, kQuiet);
  ASSERT_TRUE(WaitForProcessEnd(pid));

  // A client that left the bus before the server could watch it: dbus-send
  // takes a reference and is gone as soon as the reply comes.
  QProcess send;
  send.start(QStringLiteral("dbus-send"),
             {"--session", "--print-reply", "--dest=ZRForm.ZRBarHelper", "/ZRBarHelper/ClassObject",
              "ZRForm.IClassFactory.CreateInstance", "boolean:false", "string:"});
  ASSERT_TRUE(send.waitForFinished(30000));
  EXPECT_TRUE(send.readAllStandardOutput().contains("/ZRBarHelper"));
  pid = OwnerPid(watcher);
  EXPECT_TRUE(WaitForOwner(watcher, kBarHelperName, false));
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

}  // namespace
}  // namespace zr::bus_test
