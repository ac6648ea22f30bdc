// Flows in the real server process with its real windows on a virtual display,
// answered with keys as a person would: record a login with Yes and fill it
// back, the master password set up then typed wrong and right. No password
// reaches the server's output.
#include <gtest/gtest.h>

#include "bus_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"

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
    for (const char* secret : {"e2e-pass", "Secret-1"})
      EXPECT_FALSE(printed.contains(secret)) << printed.toStdString();
  }
  Desktop desktop_;
  QProcess server_;
  QDBusConnection client_ = Connect("toolbar");
};

TEST_F(DesktopFlowTest, RecordWithYesThenAnotherClientFillsItBack) {
  auto filled = HtmlPage::FromString(R"(<form name="signin" action="/s"><input name="user"
      value="e2e-user"><input type="password" name="pw" value="e2e-pass"></form>)",
                                     "https://e2e.example/login");
  PageExporter exporter(client_);
  QDBusMessage reply =
      CallWhile(client_, "RecordPassword", {qlonglong(0), Path(exporter.ExportBrowser(*filled))},
                {{kManager, {"alt+y"}}});
  ASSERT_EQ(Hr(reply), 0);
  EXPECT_EQ(reply.arguments().value(1).toInt(), 1);
  QDBusConnection other = Connect("other");
  ASSERT_EQ(Create(other).first, 0);
  auto empty = HtmlPage::FromString(R"(<form name="signin" action="/s"><input name="user">
      <input type="password" name="pw"></form>)",
                                    "https://e2e.example/login");
  PageExporter other_exporter(other);
  const QVariant page = Path(other_exporter.ExportBrowser(*empty));
  EXPECT_EQ(
      Hr(CallWhile(other, "FillInForm", {qlonglong(0), page, 1, 0, 0}, {{kManager, {"alt+l"}}})),
      0);
  for (const char* value : {"value=\"e2e-user\"", "value=\"e2e-pass\""})
    EXPECT_NE(empty->Serialize().find(value), std::string::npos) << empty->Serialize();
  Release(other);
}

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
