// Faults around the server process: a client killed while the window it
// caused is open, a client that stops answering its page's callbacks, and the
// server itself killed while clients are saving.
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "bus_test_support.h"
#include "desktop.h"

namespace zr::bus_test {
namespace {

using std::chrono::milliseconds;

// Starts this program in a client mode and waits for its first line.
std::unique_ptr<QProcess> StartClient(const QString& mode) {
  auto process = std::make_unique<QProcess>();
  process->start(QCoreApplication::applicationFilePath(), {mode});
  EXPECT_TRUE(process->waitForReadyRead(30000));
  EXPECT_TRUE(process->readLine().startsWith("calling 0"));
  return process;
}

int HistoryCount(QDBusConnection connection, const QString& path) {
  QDBusMessage reply = Call(connection, kHistoryName, path, QStringLiteral("ZRForm.IHistory"),
                            QStringLiteral("Count"));
  return Hr(reply) == 0 ? reply.arguments().value(1).toInt() : -1;
}

TEST(ServerFaultsTest, ClientKilledWhileItsWindowIsOpen) {
  Desktop desktop;
  ASSERT_TRUE(desktop.ok());
  RegisterServer();
  QDBusConnection other = Connect(QStringLiteral("other"));
  auto client = StartClient(QStringLiteral("--dialog"));
  ASSERT_FALSE(Desktop::WaitForWindow("Master Password").empty());
  unsigned pid = OwnerPid(other, kBarHelperName);
  ::kill(static_cast<pid_t>(client->processId()), SIGKILL);
  client->waitForFinished();

  // The server goes on serving others while the orphaned window is open.
  Instance history = CreateHistory(other);
  EXPECT_EQ(HistoryCount(other, history.path), 0);
  EXPECT_TRUE(Desktop::HasWindow("Master Password"));
  Release(other, kHistoryName, history.path);
  // With every reference gone it ends 5 s later, closing the window.
  milliseconds took{0};
  ASSERT_TRUE(WaitUntilUnowned(other, kBarHelperName, milliseconds(30000), &took));
  EXPECT_GE(took.count(), 4500);
  std::printf("server ended %lld ms after the last reference\n",
              static_cast<long long>(took.count()));
  EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(10000)));
}

TEST(ServerFaultsTest, AClientThatStopsAnsweringDelaysNoOne) {
  RegisterServer();
  QDBusConnection other = Connect(QStringLiteral("other"));
  Instance history = CreateHistory(other);
  unsigned pid = OwnerPid(other, kBarHelperName);
  auto client = StartClient(QStringLiteral("--stall"));
  // The server now waits for a callback that will not come; meanwhile it
  // answers the others at once.
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(HistoryCount(other, history.path), 0);
  EXPECT_LT(timer.elapsed(), 2000);
  std::printf("another client answered after %lld ms while a callback waited\n",
              static_cast<long long>(timer.elapsed()));
  // After the callback's timeout the stopped client's call is over: once it
  // runs again it has its answer (S_FALSE: no page).
  Pump(milliseconds(3500));
  ::kill(static_cast<pid_t>(client->processId()), SIGCONT);
  ASSERT_TRUE(client->waitForFinished(30000));
  EXPECT_TRUE(client->readAll().contains("answered 1"));
  EXPECT_EQ(HistoryCount(other, history.path), 0);
  Release(other, kHistoryName, history.path);
  EXPECT_TRUE(WaitUntilUnowned(other, kBarHelperName, milliseconds(30000), nullptr));
  EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(10000)));
}

// A field-name list of the Home profile (key as zrdata names it), as zrdata
// reads it from the file.
std::string HomeList(const std::string& key) {
  QProcess dump;
  dump.start(QStringLiteral(ZRDATA_EXE),
             {QStringLiteral("dump"),
              QString::fromStdString(DataHome() + "/Zorvane/ToolBar/FormHome.dat")});
  dump.waitForFinished(30000);
  if (dump.exitCode() != 0) return "<unreadable>";
  std::string json = dump.readAllStandardOutput().toStdString();
  size_t lists = json.find("\"lists\"");
  std::string quoted = "\"" + key + "\":\"";
  size_t start = json.find(quoted, lists);
  if (lists == std::string::npos || start == std::string::npos) return "<no list>";
  start += quoted.size();
  return json.substr(start, json.find('"', start) - start);
}

TEST(ServerFaultsTest, KillingTheServerLosesNothingThatACallSaved) {
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("client"));
  std::mt19937 random(20261206);
  int acknowledged = -1;
  int counter = 0;
  int saves = 0;
  // Each round adds to another list (lists are kept below the 1,024 bytes that
  // one stored string can hold), one save every 20 ms.
  const char* kFields[][2] = {{"City", "city"}, {"State", "state"}, {"Country", "country"},
                              {"Zip", "zip"},   {"Tel", "tel"},     {"Fax", "fax"}};
  for (int round = 0; round < 12; ++round) {
    const auto& field = kFields[round % 6];
    int acknowledged_here = -1;
    Instance helper = CreateBarHelper(client);
    ASSERT_EQ(helper.hr, 0);
    unsigned pid = OwnerPid(client, kBarHelperName);
    // Calls go to this process by its unique name: the well-known one would
    // start a new server once this one is dead.
    QString owner = client.interface()->serviceOwner(kBarHelperName).value();
    // A second client process kills the server at a random moment while this
    // one saves as fast as it can.
    int delay_ms = std::uniform_int_distribution<int>(20, 250)(random);
    QProcess::startDetached(QStringLiteral("sh"),
                            {QStringLiteral("-c"), QStringLiteral("sleep %1; kill -9 %2")
                                                       .arg(delay_ms / 1000.0)
                                                       .arg(pid)});
    for (;;) {
      QString text = QStringLiteral("<HOME><Field name=\"%1\" value=\"c%2x\"/></HOME>")
                         .arg(QString::fromLatin1(field[0]))
                         .arg(counter);
      QDBusMessage reply = Call(client, owner, helper.path, QStringLiteral("ZRForm.IZRBarHelper"),
                                QStringLiteral("UpdateFormFields"), {text});
      if (Hr(reply) != 0) break;  // the server is gone
      acknowledged = acknowledged_here = counter++;
      ++saves;
      Pump(milliseconds(20));
    }
    ASSERT_TRUE(WaitForProcessEnd(pid, milliseconds(10000)));
    std::string list = HomeList(field[1]);
    EXPECT_NE(list, "<unreadable>");
    if (acknowledged_here >= 0) {
      EXPECT_NE((list + ";").find("c" + std::to_string(acknowledged_here) + "x;"),
                std::string::npos)
          << "round " << round << ": " << list;
    }
    ++counter;
  }
  EXPECT_GE(acknowledged, 0);
  std::printf("server killed 12 times during %d acknowledged saves\n", saves);
}

}  // namespace
}  // namespace zr::bus_test
