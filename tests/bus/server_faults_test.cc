// Faults around the server process: a client killed while the window it
// caused is open, a client that stops answering its page's callbacks, and the
// server itself killed at random moments while a client saves profile fields:
// each acknowledged save must be in the file.
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "bus/bus_server.h"
#include "bus_support.h"

namespace zr::bus_test {
namespace {

int HistoryCount(QDBusConnection connection) {
  QDBusMessage reply = Call(connection, kHistoryName, kHistoryPath, kHistoryIface, QStringLiteral("Count"));
  return Hr(reply) == 0 ? reply.arguments().value(1).toInt() : -1;
}

TEST(ServerFaultsTest, ClientKilledWhileItsWindowIsOpen) {
  Desktop desktop;
  ASSERT_TRUE(desktop.ok());
  RegisterServer();
  QDBusConnection other = Connect(QStringLiteral("other"));
  auto client = StartClient(QStringLiteral("--dialog"));
  ASSERT_FALSE(Desktop::WaitForWindow("Master Password").empty());
  const unsigned pid = OwnerPid(other);
  ::kill(static_cast<pid_t>(client->processId()), SIGKILL);
  // The server goes on serving others while the orphaned window is open,
  ASSERT_EQ(Create(other, kHistoryName).first, 0);
  EXPECT_EQ(HistoryCount(other), 0);
  EXPECT_TRUE(Desktop::HasWindow("Master Password"));
  // and with every reference gone it ends, closing the window.
  Release(other, kHistoryName);
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

TEST(ServerFaultsTest, AClientThatStopsAnsweringDelaysNoOne) {
  RegisterServer();
  QDBusConnection other = Connect(QStringLiteral("other"));
  ASSERT_EQ(Create(other, kHistoryName).first, 0);
  const unsigned pid = OwnerPid(other);
  auto client = StartClient(QStringLiteral("--stall"));
  // The client stops itself inside the server's first callback.
  const QString state = QStringLiteral("/proc/%1/stat").arg(client->processId());
  QTimer poll;
  ASSERT_TRUE(Await(
      [&] {
        QFile file(state);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(") T ");
      },
      [&](QEventLoop& loop) {
        QObject::connect(&poll, &QTimer::timeout, &loop, &QEventLoop::quit);
        poll.start(10);
      }));
  // While that callback waits, another client is answered before its timeout.
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(HistoryCount(other), 0);
  EXPECT_LT(timer.elapsed(), kPageCallbackTimeoutMs) << "waited for the stopped client";
  // Running again, the stopped client has its answer: S_FALSE, no page.
  ::kill(static_cast<pid_t>(client->processId()), SIGCONT);
  ASSERT_TRUE(client->waitForFinished(30000));
  EXPECT_TRUE(client->readAll().contains("answered 1"));
  Release(other, kHistoryName);
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

// A field-name list of the Home profile as zrdata reads it; nullopt when there
// is no file, "<unreadable>" when zrdata cannot read it.
std::optional<std::string> HomeList(const std::string& key) {
  const std::string file = DataFolder() + "/FormHome.dat";
  if (!std::filesystem::exists(file)) return std::nullopt;
  QByteArray dump;
  std::string json = RunProgram({"dump", QString::fromStdString(file)}, ZRDATA_EXE, &dump) == 0 ? dump.toStdString() : "<unreadable>";
  size_t start = json.find("\"" + key + "\":\"", json.find("\"lists\""));
  if (start == std::string::npos) return json;
  start += key.size() + 4;
  return json.substr(start, json.find('"', start) - start);
}

TEST(ServerFaultsTest, KillingTheServerLosesNothingThatACallSaved) {
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("client"));
  std::mt19937 random(20261206);
  int counter = 0;
  int acknowledged_rounds = 0;
  // Each round adds to another list (below the 1,024 bytes one stored string holds).
  const char* kFields[][2] = {{"City", "city"}, {"State", "state"}, {"Country", "country"},
                              {"Zip", "zip"},   {"Tel", "tel"},     {"Fax", "fax"}};
  for (int round = 0; round < 12; ++round) {
    const auto& field = kFields[round % 6];
    ASSERT_EQ(Create(client).first, 0);
    const unsigned pid = OwnerPid(client);
    // By its unique name: the well-known one would start a new server.
    const QString owner = client.interface()->serviceOwner(kBarHelperName).value();
    // Even rounds time the kill from the start, so that it may come before
    // any save; odd ones from the first acknowledged save.
    const int delay = std::uniform_int_distribution<int>(20, 250)(random);
    auto kill_later = [pid, delay] { QTimer::singleShot(delay, [pid] { ::kill(static_cast<pid_t>(pid), SIGKILL); }); };
    if (round % 2 == 0) kill_later();
    int acknowledged = -1;
    for (;; ++counter) {
      QString text = QStringLiteral("<HOME><Field name=\"%1\" value=\"c%2x\"/></HOME>").arg(field[0]).arg(counter);
      if (Hr(Call(client, owner, kHelperPath, kBarIface, QStringLiteral("UpdateFormFields"), {text})) != 0) break;
      if (acknowledged < 0 && round % 2 == 1) kill_later();
      acknowledged = counter;
      Await([] { return false; }, [](QEventLoop&) {}, milliseconds(20));  // the pace: a save every 20 ms
    }
    ASSERT_TRUE(WaitForProcessEnd(pid));
    // A round whose kill came before its first acknowledged save may find no
    // file (when no earlier round saved one either): nothing was promised.
    std::optional<std::string> list = HomeList(field[1]);
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
