// Entry of the bus test programs: an application object for the event loop,
// and the client modes in which the program is started by its own tests.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "bus_support.h"
#include "pages/page_exporter.h"

// --hold: takes a reference and waits to be killed; --dialog: opens the Login
// Manager; --stall: asks for a fill and stops itself in the page's first callback.
int main(int argc, char** argv) {
  using namespace zr::bus_test;
  QCoreApplication app(argc, argv);
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (mode != "--hold" && mode != "--dialog" && mode != "--stall") {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  auto [hr, path] = Create(bus);
  std::printf("ready %d %s\n", hr, qPrintable(path));
  std::fflush(stdout);
  if (mode == "--hold") ::pause();  // until killed
  // A browser whose document never comes: the client stops itself first.
  struct StallingBrowser final : zr::PageBrowser {
    std::unique_ptr<zr::PageDocument> Document() override { return ::raise(SIGSTOP), nullptr; }
  } browser;
  zr::PageExporter exporter(bus);
  QList<QVariant> arguments{qlonglong(0)};
  if (mode == "--stall") arguments += {Path(exporter.ExportBrowser(browser)), 2, 1, 0};
  QString member = mode == "--stall" ? "FillInForm" : "PasswordManager";
  std::printf("answered %d\n", Hr(Call(bus, member, arguments, kBarHelperName, path)));
  return 0;
}
