// The client modes of the bus test programs. The load client makes
// FindPasswordByURL, AutoRecordLogin, history AddItem and Item, and
// Home-profile fills of a small page, in turn.
#include "client_modes.h"

#include <signal.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "bus_test_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"

namespace zr::bus_test {

namespace {

constexpr char kPage[] = R"(<form name="join"><input name="first_name"><input name="city">
  <input name="email"></form>)";

}  // namespace

int RunLoadClient(int client, int calls) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  Instance helper = CreateBarHelper(bus);
  Instance history = CreateHistory(bus);
  if (helper.hr != 0 || history.hr != 0) return 3;
  const QString bar = QStringLiteral("ZRForm.IZRBarHelper");
  const QString list = QStringLiteral("ZRForm.IHistory");
  PageExporter exporter(bus);
  std::vector<long> latencies;
  latencies.reserve(calls);
  int wrong = 0;
  QElapsedTimer timer;
  for (int i = 0; i < calls; ++i) {
    std::unique_ptr<HtmlPage> page;
    QDBusMessage reply;
    timer.start();
    switch (i % 5) {
      case 0:
        reply = Call(bus, kBarHelperName, helper.path, bar, QStringLiteral("FindPasswordByURL"),
                     {QStringLiteral("https://shop.example.org/cart")});
        latencies.push_back(timer.nsecsElapsed() / 1000);
        wrong += Hr(reply) != 0 || reply.arguments().value(1).toInt() != 1;
        break;
      case 1:
        reply = Call(bus, kBarHelperName, helper.path, bar, QStringLiteral("AutoRecordLogin"));
        latencies.push_back(timer.nsecsElapsed() / 1000);
        wrong += Hr(reply) != 0 || reply.arguments().value(1).toInt() != 1;
        break;
      case 2:
        reply = Call(bus, kHistoryName, history.path, list, QStringLiteral("AddItem"),
                     {QStringLiteral("client %1 item %2").arg(client).arg(i), client});
        latencies.push_back(timer.nsecsElapsed() / 1000);
        wrong += Hr(reply) != 0;
        break;
      case 3:
        reply = Call(bus, kHistoryName, history.path, list, QStringLiteral("Item"), {1});
        latencies.push_back(timer.nsecsElapsed() / 1000);
        wrong += Hr(reply) != 0;
        break;
      default: {
        page = HtmlPage::FromString(kPage, "https://shop.example.com/join");
        QDBusObjectPath browser(exporter.ExportBrowser(*page));
        timer.start();
        reply = Call(bus, kBarHelperName, helper.path, bar, QStringLiteral("FillInForm"),
                     {qlonglong(0), QVariant::fromValue(browser), 2, 1, 0});
        latencies.push_back(timer.nsecsElapsed() / 1000);
        std::string html = page->Serialize();
        wrong += Hr(reply) != 0 || html.find("value=\"Portsmouth\"") == std::string::npos;
        exporter.Clear();
      }
    }
  }
  Release(bus, kBarHelperName, helper.path);
  Release(bus, kHistoryName, history.path);
  std::printf("wrong %d latencies", wrong);
  for (long latency : latencies) std::printf(" %ld", latency);
  std::printf("\n");
  std::fflush(stdout);
  return 0;
}

namespace {

// A browser whose document cannot be had because the client stops first.
class StallingBrowser final : public PageBrowser {
 public:
  std::unique_ptr<PageDocument> Document() override {
    ::raise(SIGSTOP);
    return nullptr;
  }
};

QDBusMessage CallHelper(QDBusConnection bus, const QString& path, const QString& member,
                        const QList<QVariant>& arguments) {
  return Call(bus, kBarHelperName, path, QStringLiteral("ZRForm.IZRBarHelper"), member, arguments);
}

}  // namespace

int RunDialogClient() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  Instance helper = CreateBarHelper(bus);
  std::printf("calling %d\n", helper.hr);
  std::fflush(stdout);
  CallHelper(bus, helper.path, QStringLiteral("PasswordManager"), {qlonglong(0)});
  return 0;
}

int RunStallClient() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  Instance helper = CreateBarHelper(bus);
  StallingBrowser browser;
  PageExporter exporter(bus);
  QDBusObjectPath path(exporter.ExportBrowser(browser));
  std::printf("calling %d\n", helper.hr);
  std::fflush(stdout);
  QDBusMessage reply = CallHelper(bus, helper.path, QStringLiteral("FillInForm"),
                                  {qlonglong(0), QVariant::fromValue(path), 2, 1, 0});
  std::printf("answered %d\n", Hr(reply));
  return 0;
}

std::optional<int> RunClientMode(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  std::string mode = argv[1];
  if (mode == "--load" && argc > 3) return RunLoadClient(std::atoi(argv[2]), std::atoi(argv[3]));
  if (mode == "--dialog") return RunDialogClient();
  if (mode == "--stall") return RunStallClient();
  if (mode == "--hold") {
    Instance instance = CreateBarHelper(QDBusConnection::sessionBus());
    std::printf("held %d %s\n", instance.hr, qPrintable(instance.path));
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  return std::nullopt;
}

}  // namespace zr::bus_test
