// End-to-end flows in the real server process with its real windows on a
// virtual display, answered with keys as a person would: record a login with
// Yes and fill it back through the selection, refuse a site, never ask again,
// open the Login Manager behind a master password while another client is served.
#include <filesystem>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"

namespace zr::bus_test {
namespace {

const char kManager[] = "Zorvane Login Manager";
const char kMasterPassword[] = "Master Password";
constexpr char kFilledLogin[] = R"(<html><body><form name="signin" action="/s">
  <input name="user" value="e2e-user"><input type="password" name="pw" value="e2e-pass">
  </form></body></html>)";
constexpr char kEmptyLogin[] = R"(<html><body><form name="signin" action="/s">
  <input name="user"><input type="password" name="pw"></form></body></html>)";

class DesktopFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(desktop_.ok()) << "Xvfb did not start";
    RegisterServer();
    // Started here rather than by the bus, so that all it prints is seen.
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.start(QStringLiteral(ZRFORM_EXE), {QStringLiteral("-Embedding")});
    ASSERT_TRUE(WaitForOwner(client_, kBarHelperName, true));
    ASSERT_EQ(CreateBarHelper(client_).hr, 0);
    held_ = true;
  }
  void TearDown() override {
    if (held_) Release(client_, kBarHelperName, QStringLiteral("/ZRBarHelper"));
    if (server_.state() != QProcess::NotRunning) {
      EXPECT_TRUE(server_.waitForFinished(30000));
    }
    // No password typed or filled in these flows ever reaches the output.
    QByteArray printed = server_.readAll();
    for (const char* secret : {"e2e-pass", "Secret-1"}) {
      EXPECT_FALSE(printed.contains(secret)) << secret << " in:\n" << printed.toStdString();
    }
  }
  // Records kFilledLogin of url, answering the question with keys.
  QDBusMessage Record(const std::string& url, const std::vector<std::string>& keys) {
    page_ = HtmlPage::FromString(kFilledLogin, url);
    return Drive(QStringLiteral("RecordPassword"), {qlonglong(0), Path(exporter_.ExportBrowser(*page_))},
                 [keys] { return Desktop::Answer(kManager, keys); });
  }
  QDBusMessage Drive(const QString& member, const QList<QVariant>& arguments,
                     const std::function<bool()>& driver, QDBusConnection* via = nullptr) {
    bool driven = false;
    QDBusMessage reply = CallWhile(via ? *via : client_, member, arguments, driver, &driven);
    EXPECT_TRUE(driven) << "a window did not appear";
    return reply;
  }
  int AutoRecordLogin() {
    return Call(client_, kBarHelperName, QStringLiteral("/ZRBarHelper"), kBarIface,
                QStringLiteral("AutoRecordLogin"))
        .arguments()
        .value(1)
        .toInt();
  }

  Desktop desktop_;
  QProcess server_;
  QDBusConnection client_ = Connect(QStringLiteral("toolbar"));
  PageExporter exporter_{client_};
  std::unique_ptr<HtmlPage> page_;
  bool held_ = false;
};

TEST_F(DesktopFlowTest, RecordWithYesThenAnotherClientFillsThroughTheSelection) {
  QDBusMessage reply = Record("https://e2e.example/login", {"alt+y"});
  ASSERT_EQ(Hr(reply), 0);
  EXPECT_EQ(reply.arguments().value(1).toInt(), 1);
  QDBusConnection other = Connect(QStringLiteral("other"));
  ASSERT_EQ(CreateBarHelper(other).hr, 0);
  auto empty = HtmlPage::FromString(kEmptyLogin, "https://e2e.example/login");
  PageExporter other_exporter(other);
  reply = Drive(QStringLiteral("FillInForm"),
                {qlonglong(0), Path(other_exporter.ExportBrowser(*empty)), 1, 0, 0},
                [] { return Desktop::Answer(kManager, {"alt+l"}); }, &other);
  EXPECT_EQ(Hr(reply), 0);
  std::string html = empty->Serialize();
  EXPECT_NE(html.find("value=\"e2e-user\""), std::string::npos) << html;
  EXPECT_NE(html.find("value=\"e2e-pass\""), std::string::npos) << html;
  Release(other, kBarHelperName, QStringLiteral("/ZRBarHelper"));
}

TEST_F(DesktopFlowTest, RefusingThisSiteAndThenAnySiteStopsTheQuestions) {
  // Two boxes share the mnemonic: the first press goes to "this site".
  ASSERT_EQ(Hr(Record("https://refused.example/login", {"alt+d", "space", "alt+n"})), 0);
  EXPECT_TRUE(std::filesystem::exists(DataFolder() + "/Rejected.dat"));
  // The submitted form of that site is no longer offered: S_FALSE, no window.
  auto held = page_->Document();
  auto forms = held->Forms();
  QString document = exporter_.ExportDocument(page_->Document());
  QString form = exporter_.ExportForm(forms->At(0));
  QDBusMessage reply = Call(client_, kBarHelperName, QStringLiteral("/ZRBarHelper"), kBarIface,
                            QStringLiteral("AutoRecord"), {qlonglong(0), Path(document), Path(form)});
  EXPECT_EQ(Hr(reply), 1);
  EXPECT_FALSE(Desktop::HasWindow(kManager));
  EXPECT_EQ(AutoRecordLogin(), 1) << "one site refused turned recording off";
  // The second press of the shared mnemonic reaches "any site".
  ASSERT_EQ(Hr(Record("https://any.example/login", {"alt+d", "alt+d", "space", "alt+n"})), 0);
  EXPECT_EQ(AutoRecordLogin(), 0);
  // A new server process (started by the bus this time) reads it back.
  Release(client_, kBarHelperName, QStringLiteral("/ZRBarHelper"));
  ASSERT_TRUE(server_.waitForFinished(30000));
  ASSERT_EQ(CreateBarHelper(client_).hr, 0);
  EXPECT_EQ(AutoRecordLogin(), 0);
  unsigned pid = OwnerPid(client_, kBarHelperName);
  Release(client_, kBarHelperName, QStringLiteral("/ZRBarHelper"));
  held_ = false;
  EXPECT_TRUE(WaitForProcessEnd(pid));
}

TEST_F(DesktopFlowTest, LoginManagerBehindTheMasterPasswordWhileOthersAreServed) {
  QDBusConnection other = Connect(QStringLiteral("other"));
  Instance history = CreateHistory(other);
  ASSERT_EQ(history.hr, 0);
  bool served_meanwhile = false;
  // First opening: the master password is set up, then the window opens.
  QDBusMessage reply = Drive(QStringLiteral("PasswordManager"), {qlonglong(0)}, [&] {
    if (!Desktop::Answer(kMasterPassword, {})) return false;
    Desktop::Type("Secret-1");
    Desktop::Keys({"Tab"});
    Desktop::Type("Secret-1");
    Desktop::Keys({"Return"});
    std::string window = Desktop::WaitForWindow(kManager);
    if (window.empty()) return false;
    // A plain blocking call: this thread has no event loop of its own.
    QDBusMessage count = other.call(QDBusMessage::createMethodCall(kHistoryName, history.path,
                                                                   kHistoryIface, QStringLiteral("Count")),
                                    QDBus::Block, 30000);
    served_meanwhile = Hr(count) == 0 && Desktop::HasWindow(kManager);
    return Desktop::Focus(window) && (Desktop::Keys({"Escape"}), true);
  });
  EXPECT_EQ(Hr(reply), 0);
  EXPECT_TRUE(served_meanwhile);
  Release(other, kHistoryName, history.path);
  // Second opening: a wrong password is refused, the right one opens it.
  reply = Drive(QStringLiteral("PasswordManager"), {qlonglong(0)}, [] {
    if (!Desktop::Answer(kMasterPassword, {})) return false;
    Desktop::Type("wrong");
    Desktop::Keys({"Return"});
    if (!Desktop::Answer(kManager, {"Return"})) return false;  // "incorrect" message
    if (!Desktop::Answer(kMasterPassword, {})) return false;
    Desktop::Type("Secret-1");
    Desktop::Keys({"Return"});
    return Desktop::Answer(kManager, {"Escape"});
  });
  EXPECT_EQ(Hr(reply), 0);
}

}  // namespace
}  // namespace zr::bus_test
