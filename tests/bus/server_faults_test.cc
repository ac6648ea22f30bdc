// Faults around the server process: a client killed while the window it
// caused is open, a client that stops answering its page's callbacks, and the
// server itself killed while a client is saving.
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "bus/bus_server.h"

namespace zr::bus_test {
namespace {

int HistoryCount(QDBusConnection connection, const QString& path) {
  QDBusMessage reply = Call(connection, kHistoryName, path, kHistoryIface, QStringLiteral("Count"));
  return Hr(reply) == 0 ? reply.arguments().value(1).toInt() : -1;
}

TEST(ServerFaultsTest, ClientKilledWhileItsWindowIsOpen) {
  Desktop desktop;
  ASSERT_TRUE(desktop.ok());
  RegisterServer();
  QDBusConnection other = Connect(QStringLiteral("other"));
  auto client = StartClient({QStringLiteral("--dialog")});
  ASSERT_FALSE(Desktop::WaitForWindow("Master Password").empty());
  unsigned pid = OwnerPid(other, kBarHelperName);
  QElapsedTimer timer;
  timer.start();
  ::kill(static_cast<pid_t>(client->processId()), SIGKILL);
  // The server goes on serving others while the orphaned window is open.
  Instance history = CreateHistory(other);
  EXPECT_EQ(HistoryCount(other, history.path), 0);
  EXPECT_TRUE(Desktop::HasWindow("Master Password"));
  Release(other, kHistoryName, history.path);
  // With every reference gone it ends after the quiet period, closing the window.
  ASSERT_TRUE(WaitForOwner(other, kBarHelperName, false));
  EXPECT_GE(timer.elapsed(), 5000);
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

TEST(ServerFaultsTest, AClientThatStopsAnsweringDelaysNoOne) {
  RegisterServer();
  QDBusConnection other = Connect(QStringLiteral("other"));
  Instance history = CreateHistory(other);
  unsigned pid = OwnerPid(other, kBarHelperName);
  auto client = StartClient({QStringLiteral("--stall")});
  // The client stops itself inside the server's first callback.
  QString state = QStringLiteral("/proc/%1/stat").arg(client->processId());
  ASSERT_TRUE(PumpUntil([&] {
    QFile file(state);
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(") T ");
  }));
  // While that callback waits, another client is answered before its timeout.
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(HistoryCount(other, history.path), 0);
  EXPECT_LT(timer.elapsed(), kPageCallbackTimeoutMs) << "waited for the stopped client";
  // Running again, the stopped client has its answer: S_FALSE, no page.
  ::kill(static_cast<pid_t>(client->processId()), SIGCONT);
  ASSERT_TRUE(client->waitForFinished(30000));
  EXPECT_TRUE(client->readAll().contains("answered 1"));
  Release(other, kHistoryName, history.path);
  EXPECT_TRUE(WaitForOwner(other, kBarHelperName, false));
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

// A field-name list of the Home profile as zrdata reads it from the file;
// nullopt when there is no file, "<unreadable>" when zrdata cannot read it.
std::optional<std::string> HomeList(const std::string& key) {
  std::string file = DataFolder() + "/FormHome.dat";
  if (!std::filesystem::exists(file)) return std::nullopt;
  std::string json = Dump(file).value_or("<unreadable>");
  std::string quoted = "\"" + key + "\":\"";
  size_t start = json.find(quoted, json.find("\"lists\""));
  if (start == std::string::npos) return json;
  start += quoted.size();
  return json.substr(start, json.find('"', start) - start);
}

TEST(ServerFaultsTest, KillingTheServerLosesNothingThatACallSaved) {
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("client"));
  std::mt19937 random(20261206);
  int counter = 0;
  int saves = 0;
  // Each round adds to another list (lists stay below the 1,024 bytes that
  // one stored string holds) while the server is killed at a random moment.
  const char* kFields[][2] = {{"City", "city"}, {"State", "state"}, {"Country", "country"},
                              {"Zip", "zip"},   {"Tel", "tel"},     {"Fax", "fax"}};
  for (int round = 0; round < 12; ++round) {
    const auto& field = kFields[round % 6];
    Instance helper = CreateBarHelper(client);
    ASSERT_EQ(helper.hr, 0);
    unsigned pid = OwnerPid(client, kBarHelperName);
    // By its unique name: the well-known one would start a new server.
    QString owner = client.interface()->serviceOwner(kBarHelperName).value();
    // Even rounds time the kill from the start, so that it may come before
    // any save; odd ones from the first acknowledged save.
    int delay = std::uniform_int_distribution<int>(20, 250)(random);
    auto kill_later = [&pid, delay] {
      QTimer::singleShot(delay, [pid] { ::kill(static_cast<pid_t>(pid), SIGKILL); });
    };
    if (round % 2 == 0) kill_later();
    int acknowledged = -1;
    for (;; ++counter) {
      QString text = QStringLiteral("<HOME><Field name=\"%1\" value=\"c%2x\"/></HOME>")
                         .arg(QString::fromLatin1(field[0]))
                         .arg(counter);
      if (Hr(Call(client, owner, helper.path, kBarIface, QStringLiteral("UpdateFormFields"), {text})) != 0) {
        break;  // the server is gone
      }
      if (acknowledged < 0 && round % 2 == 1) kill_later();
      acknowledged = counter;
      ++saves;
      PumpUntil([] { return false; }, milliseconds(20));  // the pace: a save every 20 ms
    }
    ASSERT_TRUE(WaitForProcessEnd(pid));
    // Only what a call acknowledged must be there: a kill before the first
    // acknowledged save of all may leave no file at all.
    std::optional<std::string> list = HomeList(field[1]);
    if (!list) {
      EXPECT_EQ(saves, 0) << "round " << round << ": FormHome.dat is gone";
      continue;
    }
    EXPECT_NE(*list, "<unreadable>") << "round " << round;
    if (acknowledged >= 0) {
      EXPECT_NE((*list + ";").find("c" + std::to_string(acknowledged) + "x;"), std::string::npos)
          << "round " << round << ": " << *list;
    }
  }
  EXPECT_GT(saves, 0) << "no save was acknowledged in any round";
}

}  // namespace
}  // namespace zr::bus_test
