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
const char kMasterPassword[] = "Master Password";

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
    for (const char* secret : {"e2e-pass", "Secret-1"}) EXPECT_FALSE(printed.contains(secret)) << printed.toStdString();
  }
  static QDBusMessage Drive(QDBusConnection via, const QString& member, const QList<QVariant>& arguments,
                            const std::function<bool()>& driver) {
    bool driven = false;
    QDBusMessage reply = CallWhile(via, member, arguments, driver, &driven);
    EXPECT_TRUE(driven) << "a window did not appear";
    return reply;
  }

  Desktop desktop_;
  QProcess server_;
  QDBusConnection client_ = Connect(QStringLiteral("toolbar"));
};

TEST_F(DesktopFlowTest, RecordWithYesThenAnotherClientFillsItBack) {
  auto filled = HtmlPage::FromString(R"(<form name="signin" action="/s"><input name="user" value="e2e-user">
      <input type="password" name="pw" value="e2e-pass"></form>)", "https://e2e.example/login");
  PageExporter exporter(client_);
  QDBusMessage reply = Drive(client_, QStringLiteral("RecordPassword"), {qlonglong(0), Path(exporter.ExportBrowser(*filled))},
                             [] { return Desktop::Answer(kManager, {"alt+y"}); });
  ASSERT_EQ(Hr(reply), 0);
  EXPECT_EQ(reply.arguments().value(1).toInt(), 1);
  QDBusConnection other = Connect(QStringLiteral("other"));
  ASSERT_EQ(Create(other).first, 0);
  auto empty = HtmlPage::FromString(R"(<form name="signin" action="/s"><input name="user">
      <input type="password" name="pw"></form>)", "https://e2e.example/login");
  PageExporter other_exporter(other);
  reply = Drive(other, QStringLiteral("FillInForm"), {qlonglong(0), Path(other_exporter.ExportBrowser(*empty)), 1, 0, 0},
                [] { return Desktop::Answer(kManager, {"alt+l"}); });
  EXPECT_EQ(Hr(reply), 0);
  const std::string html = empty->Serialize();
  EXPECT_NE(html.find("value=\"e2e-user\""), std::string::npos) << html;
  EXPECT_NE(html.find("value=\"e2e-pass\""), std::string::npos) << html;
  Release(other);
}

TEST_F(DesktopFlowTest, MasterPasswordSetUpThenWrongThenRight) {
  // Typed into the master password window, each followed by Return.
  auto type = [](const std::vector<std::string>& texts) {
    if (!Desktop::Answer(kMasterPassword, {})) return false;
    for (size_t i = 0; i < texts.size(); ++i) Desktop::Type(texts[i]), Desktop::Keys({i + 1 < texts.size() ? "Tab" : "Return"});
    return true;
  };
  // First opening: the master password is set up (typed twice), then the Login Manager opens.
  EXPECT_EQ(Hr(Drive(client_, QStringLiteral("PasswordManager"), {qlonglong(0)}, [&] {
              return type({"Secret-1", "Secret-1"}) && Desktop::Answer(kManager, {"Escape"});
            })), 0);
  // Second opening: a wrong password is refused with a message, the right one opens it.
  EXPECT_EQ(Hr(Drive(client_, QStringLiteral("PasswordManager"), {qlonglong(0)}, [&] {
              return type({"wrong"}) && Desktop::Answer(kManager, {"Return"}) && type({"Secret-1"}) &&
                     Desktop::Answer(kManager, {"Escape"});
            })), 0);
}

}  // namespace
}  // namespace zr::bus_test
