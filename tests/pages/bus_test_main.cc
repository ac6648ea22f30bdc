// main() of the test programs that reach pages over the session bus: the bus
// library needs an application object, whose event loop serves the callbacks.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdio>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  if (!GTEST_FLAG_GET(list_tests) && !QDBusConnection::sessionBus().isConnected()) {
    std::fprintf(stderr, "No session bus: run these tests under dbus-run-session.\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
