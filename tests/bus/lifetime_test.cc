// The server process on a private bus: started by the bus on the first call,
// one process for every client, its end 5 seconds after the last reference,
// also when clients vanish (History.txt saved at that end); a client killed
// while its window is open or stopped inside a callback; and the server killed
// at random moments while a client saves: each acknowledged save is in the file.
#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <random>

#include "bus/bus_server.h"
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
  unsigned pid = OwnerPid(bus_);
  ASSERT_NE(pid, 0u);
  const auto start = Clock::now();
  ::kill(static_cast<pid_t>(holder->processId()), SIGKILL);
  ASSERT_TRUE(WaitForOwner(bus_, kBarHelperName, false));
  EXPECT_GE(Clock::now() - start, kQuiet);
  ASSERT_TRUE(WaitForProcessEnd(pid));
  // A client that left the bus before the server could watch it: dbus-send
  // takes a reference and is gone as soon as the reply comes.
  QByteArray sent;
  const QString send =
      "--session --print-reply --dest=ZRForm.ZRBarHelper /ZRBarHelper/ClassObject "
      "ZRForm.IClassFactory.CreateInstance boolean:false string:";
  ASSERT_EQ(RunProgram(send.split(' '), "dbus-send", &sent), 0);
  EXPECT_TRUE(sent.contains("/ZRBarHelper"));
  pid = OwnerPid(bus_);
  EXPECT_TRUE(WaitForOwner(bus_, kBarHelperName, false));
  EXPECT_TRUE(WaitForProcessEnd(pid));
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

TEST_F(ServerFaultsTest, AClientThatStopsAnsweringDelaysNoOne) {
  ASSERT_EQ(Create(bus_, kHistoryName).first, 0);
  const unsigned pid = OwnerPid(bus_);
  auto client = StartClient("--stall");
  // The client stops itself inside the server's first callback.
  const std::string stat = "/proc/" + std::to_string(client->processId()) + "/stat";
  QTimer poll;
  ASSERT_TRUE(Await([&] { return testing::ReadFile(stat).find(") T ") != std::string::npos; },
                    [&](QEventLoop& loop) {
                      QObject::connect(&poll, &QTimer::timeout, &loop, &QEventLoop::quit);
                      poll.start(10);
                    }));
  // While that callback waits, another client is answered before its timeout.
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(HistoryCount(bus_), 0);
  EXPECT_LT(timer.elapsed(), kPageCallbackTimeoutMs) << "waited for the stopped client";
  // Running again, the stopped client has its answer: S_FALSE, no page.
  ::kill(static_cast<pid_t>(client->processId()), SIGCONT);
  ASSERT_TRUE(client->waitForFinished(30000));
  EXPECT_TRUE(client->readAll().contains("answered 1"));
  Release(bus_, kHistoryName);
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

// A field-name list of the Home profile as zrdata reads it; nullopt when there
// is no file, "<unreadable>" when zrdata cannot read it.
std::optional<std::string> HomeList(const std::string& key) {
  const std::string file = DataFolder() + "/FormHome.dat";
  if (!std::filesystem::exists(file)) return std::nullopt;
  QByteArray dump;
  if (RunProgram({"dump", QString::fromStdString(file)}, ZRDATA_EXE, &dump) != 0)
    return "<unreadable>";
  const std::string json = dump.toStdString();
  size_t start = json.find("\"" + key + "\":\"", json.find("\"lists\""));
  if (start == std::string::npos) return json;
  start += key.size() + 4;
  return json.substr(start, json.find('"', start) - start);
}

TEST_F(ServerFaultsTest, KillingTheServerLosesNothingThatACallSaved) {
  std::mt19937 random(20261206);
  int counter = 0, acknowledged_rounds = 0;
  // Each round adds to another list (below the 1,024 bytes one stored string holds).
  const QString kFields[] = {"City", "State", "Country", "Zip", "Tel", "Fax"};
  for (int round = 0; round < 12; ++round) {
    const auto& field = kFields[round % 6];
    ASSERT_EQ(Create(bus_).first, 0);
    const unsigned pid = OwnerPid(bus_);
    // By its unique name: the well-known one would start a new server.
    const QString owner = bus_.interface()->serviceOwner(kBarHelperName).value();
    // Even rounds time the kill from the start, so that it may come before
    // any save; odd ones from the first acknowledged save.
    const int delay = std::uniform_int_distribution<int>(20, 250)(random);
    auto kill_later = [pid, delay] {
      QTimer::singleShot(delay, [pid] { ::kill(static_cast<pid_t>(pid), SIGKILL); });
    };
    if (round % 2 == 0) kill_later();
    int acknowledged = -1;
    for (;; ++counter) {
      const QString text = QStringLiteral("<HOME><Field name=\"%1\" value=\"c%2x\"/></HOME>");
      if (Hr(Call(bus_, "UpdateFormFields", {text.arg(field).arg(counter)}, owner)) != 0) break;
      if (acknowledged < 0 && round % 2 == 1) kill_later();
      acknowledged = counter;
      Await([] { return false; }, [](QEventLoop&) {}, milliseconds(20));  // a save every 20 ms
    }
    ASSERT_TRUE(WaitForProcessEnd(pid));
    // A round whose kill came before its first acknowledged save may find no
    // file (when no earlier round saved one either): nothing was promised.
    std::optional<std::string> list = HomeList(field.toLower().toStdString());
    EXPECT_NE(list.value_or(""), "<unreadable>") << "round " << round;
    if (acknowledged < 0) continue;
    ++acknowledged_rounds;
    ASSERT_TRUE(list) << "round " << round << ": FormHome.dat is gone after an acknowledged save";
    EXPECT_NE((*list + ";").find("c" + std::to_string(acknowledged) + "x;"), std::string::npos)
        << "round " << round << ": " << *list;
  }
  EXPECT_GT(acknowledged_rounds, 0) << "no save was acknowledged in any round";
}

}  // namespace
}  // namespace zr::bus_test
