// Load: many connections with their calls in flight at once, pages
// exported by this process answered meanwhile. Every answer must be right,
// and the server must end once the last client let go (its lock count back
// at zero). Throughput and latency are the benchmarks' (bench/server_bench.cc).
#include <QDBusPendingCall>
#include <climits>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"

namespace zr::bus_test {
namespace {

constexpr int kClients = 10;
constexpr int kRounds = 50;

TEST(LoadTest, ManyClientsWithCallsInFlightAllGetRightAnswers) {
  WriteSampleData();
  RegisterServer();
  QDBusConnection watcher = Connect(QStringLiteral("watcher"));
  ASSERT_EQ(CreateBarHelper(watcher).hr, 0);
  unsigned pid = OwnerPid(watcher, kBarHelperName);
  std::vector<QDBusConnection> clients;
  std::vector<std::unique_ptr<PageExporter>> exporters;
  std::vector<std::unique_ptr<HtmlPage>> pages;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(Connect(QStringLiteral("load%1").arg(i)));
    ASSERT_EQ(CreateBarHelper(clients.back()).hr | CreateHistory(clients.back()).hr, 0);
    exporters.push_back(std::make_unique<PageExporter>(clients.back()));
  }
  // Per call: the pending reply and how to check it.
  std::vector<std::pair<QDBusPendingCall, std::function<bool(const QDBusMessage&)>>> calls;
  auto send = [&](QDBusConnection& c, const QString& service, const QString& path,
                  const QString& iface, const char* member, const QList<QVariant>& args,
                  std::function<bool(const QDBusMessage&)> check) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, QString::fromLatin1(member));
    m.setArguments(args);
    calls.emplace_back(c.asyncCall(m, INT_MAX), std::move(check));
  };
  for (int round = 0; round < kRounds; ++round) {
    for (int i = 0; i < kClients; ++i) {
      send(clients[i], kBarHelperName, QStringLiteral("/ZRBarHelper"), kBarIface, "FindPasswordByURL",
           {QStringLiteral("https://shop.example.org/")},
           [](const QDBusMessage& r) { return Hr(r) == 0 && r.arguments().value(1).toInt() == 1; });
      send(clients[i], kHistoryName, QStringLiteral("/History"), kHistoryIface, "AddItem",
           {QStringLiteral("c%1 r%2").arg(i).arg(round), 1}, [](const QDBusMessage& r) { return Hr(r) == 0; });
      pages.push_back(HtmlPage::FromString(R"(<form><input name="city"></form>)", "https://a.example/"));
      HtmlPage* page = pages.back().get();
      send(clients[i], kBarHelperName, QStringLiteral("/ZRBarHelper"), kBarIface, "FillInForm",
           {qlonglong(0), Path(exporters[i]->ExportBrowser(*page)), 2, 1, 0}, [page](const QDBusMessage& r) {
             return Hr(r) == 0 && page->Serialize().find("value=\"Portsmouth\"") != std::string::npos;
           });
    }
    // A round at a time: each fill nests a wait for callbacks in the server.
    ASSERT_TRUE(PumpUntil([&] {
      return std::all_of(calls.begin(), calls.end(), [](auto& c) { return c.first.isFinished(); });
    }));
  }
  int wrong = 0;
  for (auto& [pending, check] : calls) wrong += !check(pending.reply());
  EXPECT_EQ(wrong, 0) << "of " << calls.size();
  for (QDBusConnection& c : clients) {
    Release(c, kBarHelperName, QStringLiteral("/ZRBarHelper"));
    Release(c, kHistoryName, QStringLiteral("/History"));
  }
  Release(watcher, kBarHelperName, QStringLiteral("/ZRBarHelper"));
  EXPECT_TRUE(WaitForOwner(watcher, kBarHelperName, false, milliseconds(60000)));
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

}  // namespace
}  // namespace zr::bus_test
