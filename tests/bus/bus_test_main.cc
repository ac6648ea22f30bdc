// Entry of the bus test programs: an application object for the event loop,
// and the "--hold" mode in which the program is a client that takes a
// reference on the toolbar helper, says so, and waits to be killed.
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "bus_test_support.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--hold") == 0) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    zr::bus_test::Instance instance = zr::bus_test::CreateBarHelper(bus);
    std::printf("held %d %s\n", instance.hr, qPrintable(instance.path));
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
