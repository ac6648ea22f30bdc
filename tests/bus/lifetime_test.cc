// The server process on a private bus: started by the bus on the first call,
// one process for every client, its end 5 seconds after the last reference,
// also when clients vanish (History.txt saved at that end), and a client killed
// while its window is open. Saves that survive kills are the fault tests' part,
// waits on a client that stops answering the remote page tests'.
#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <csignal>

#include "bus_support.h"
#include "tests/support/test_support.h"

namespace zr::bus_test {
namespace {

constexpr milliseconds kQuiet(5000);  // from the last reference to the end
using Clock = std::chrono::steady_clock;

int HistoryCount(QDBusConnection connection) {
  QDBusMessage reply = Call(connection, "Count", {}, kHistoryName, kHistoryPath);
  return Hr(reply) == 0 ? reply.arguments().value(1).toInt() : -1;
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterServer(); }
  QDBusConnection bus_ = Connect("test");
};
using ServerLifetimeTest = ServerTest;
using ServerFaultsTest = ServerTest;

TEST_F(ServerLifetimeTest, EndsFiveSecondsAfterTheLastReleaseUnlessANewClientComes) {
  QDBusConnection &first = bus_, second = Connect("second");
  ASSERT_EQ(Create(first).first, 0);
  const unsigned pid = OwnerPid(first);
  // One process and one History for every client.
  ASSERT_EQ(Create(second, kHistoryName).first, 0);
  EXPECT_EQ(OwnerPid(second, kHistoryName), pid);
  for (QString text : {"alpha", "beta"})
    Call(first, "AddItem", {text, 2}, kHistoryName, kHistoryPath);
  // Releasing more than it holds changes nothing; a client that comes back
  // within the quiet period keeps the same server running past it.
  Release(second, kHistoryName);
  EXPECT_EQ(Release(first), 0u);
  EXPECT_EQ(Release(first), 0u);
  ASSERT_EQ(Create(first).first, 0);
  EXPECT_EQ(OwnerPid(first), pid) << "a new server started";
  EXPECT_FALSE(WaitForOwner(first, kBarHelperName, false, kQuiet + milliseconds(1000)));
  const auto start = Clock::now();
  Release(first);
  ASSERT_TRUE(WaitForOwner(first, kBarHelperName, false));
  EXPECT_GE(Clock::now() - start, kQuiet);
  ASSERT_TRUE(WaitForProcessEnd(pid));
  EXPECT_EQ(testing::ReadFile(DataFolder() + "/History.txt"), "02-alpha\r\n02-beta\r\n");
}

TEST_F(ServerLifetimeTest, ReferencesOfVanishedClientsAreGivenBack) {
  QByteArray line;
  auto holder = StartClient("--hold", &line);
  EXPECT_TRUE(line.startsWith("ready 0 /ZRBarHelper")) << line.toStdString();
  const unsigned pid = OwnerPid(bus_);
  ASSERT_NE(pid, 0u);
  const auto start = Clock::now();
  ::kill(static_cast<pid_t>(holder->processId()), SIGKILL);
  ASSERT_TRUE(WaitForOwner(bus_, kBarHelperName, false));
  EXPECT_GE(Clock::now() - start, kQuiet);
  ASSERT_TRUE(WaitForProcessEnd(pid));
}

// Clients whose AddRef reaches the server only after they left the bus: the
// watch begins too late to hear them go, so the server must ask the bus.
TEST_F(ServerLifetimeTest, ClientsGoneBeforeTheirAddRefIsServedAreGivenBack) {
  ASSERT_EQ(Create(bus_).first, 0);
  const unsigned pid = OwnerPid(bus_);
  const QString owner = bus_.interface()->serviceOwner(kBarHelperName).value();
  // Without --print-reply dbus-send asks for no reply and leaves once it sent.
  const QStringList add_ref = {"--session", "--type=method_call", "--dest=" + owner, kHelperPath,
                               "ZRForm.IUnknown.AddRef"};
  for (int i = 0; i < 8; ++i) ASSERT_EQ(RunProgram(add_ref, "dbus-send"), 0);
  Release(bus_);
  ASSERT_TRUE(WaitForOwner(bus_, kBarHelperName, false, kQuiet * 3));
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

TEST_F(ServerFaultsTest, ClientKilledWhileItsWindowIsOpen) {
  Desktop desktop;
  ASSERT_TRUE(desktop.ok());
  auto client = StartClient("--dialog");
  ASSERT_FALSE(Desktop::WaitForWindow("Master Password").empty());
  const unsigned pid = OwnerPid(bus_);
  ::kill(static_cast<pid_t>(client->processId()), SIGKILL);
  // The server goes on serving others while the orphaned window is open,
  ASSERT_EQ(Create(bus_, kHistoryName).first, 0);
  EXPECT_EQ(HistoryCount(bus_), 0);
  EXPECT_FALSE(Desktop::WaitForWindow("Master Password", 0).empty());
  // and with every reference gone it ends, closing the window.
  Release(bus_, kHistoryName);
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

}  // namespace
}  // namespace zr::bus_test
