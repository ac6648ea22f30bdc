// Entry of the bus test programs: an application object for the event loop,
// and the client modes in which the program is started by its own tests.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "bus_support.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (std::optional<int> status = zr::bus_test::RunClientMode(argc, argv)) return *status;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
