// The master password in the real server process with its real windows on a
// virtual display, answered with keys as a person would: set up, then typed
// wrong and right; it never reaches the server's output. Recording and filling
// through the real windows is driven by the browser tests (tests/browser_e2e).
#include <gtest/gtest.h>

#include "bus_support.h"

namespace zr::bus_test {
namespace {

const char kManager[] = "Zorvane Login Manager";
const char kMaster[] = "Master Password";
class DesktopFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(desktop_.ok()) << "Xvfb did not start";
    RegisterServer();
    // Started here rather than by the bus, so that all it prints is seen.
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.start(QStringLiteral(ZRFORM_EXE), {QStringLiteral("-Embedding")});
    ASSERT_TRUE(WaitForOwner(client_, kBarHelperName, true));
    ASSERT_EQ(Create(client_).first, 0);
  }
  void TearDown() override {
    Release(client_);
    EXPECT_TRUE(server_.waitForFinished(30000));
    QByteArray printed = server_.readAll();
    EXPECT_FALSE(printed.contains("Secret-1")) << printed.toStdString();
  }
  Desktop desktop_;
  QProcess server_;
  QDBusConnection client_ = Connect("toolbar");
};

TEST_F(DesktopFlowTest, MasterPasswordSetUpThenWrongThenRight) {
  // First opening: set up (typed twice); second: a wrong one is refused with a message, then right.
  const Steps kOpenings[] = {
      {{kMaster, {"=Secret-1", "Tab", "=Secret-1", "Return"}}, {kManager, {"Escape"}}},
      {{kMaster, {"=wrong", "Return"}},
       {kManager, {"Return"}},
       {kMaster, {"=Secret-1", "Return"}},
       {kManager, {"Escape"}}}};
  for (const Steps& steps : kOpenings)
    EXPECT_EQ(Hr(CallWhile(client_, "PasswordManager", {qlonglong(0)}, steps)), 0);
}

}  // namespace
}  // namespace zr::bus_test
