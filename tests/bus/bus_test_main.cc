// Entry of the bus test programs: an application object for the event loop,
// and the client modes in which the program is started by its own tests.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "bus_support.h"

// --hold: takes a reference and waits to be killed; --dialog: opens the Login Manager.
int main(int argc, char** argv) {
  using namespace zr::bus_test;
  QCoreApplication app(argc, argv);
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (mode != "--hold" && mode != "--dialog") {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  auto [hr, path] = Create(bus);
  std::printf("ready %d %s\n", hr, qPrintable(path));
  std::fflush(stdout);
  if (mode == "--hold") ::pause();  // until killed
  Call(bus, "PasswordManager", {qlonglong(0)}, kBarHelperName, path);
  return 0;
}
