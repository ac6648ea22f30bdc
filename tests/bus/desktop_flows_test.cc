// End-to-end flows in the real server process with its real windows on a
// virtual display, answered with keys as a person would: record a login with
// Yes, refuse a site, fill through the selection dialog, open the Login
// Manager behind a master password while another client is served.
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QProcess>
#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "bus_test_support.h"
#include "desktop.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"

namespace zr::bus_test {
namespace {

using std::chrono::milliseconds;

const char kRemember[] = "Zorvane Login Manager";
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
    ASSERT_TRUE(server_.waitForStarted());
    for (int i = 0; i < 500 && OwnerPid(client_, kBarHelperName) == 0; ++i) Pump(milliseconds(20));
    helper_ = CreateBarHelper(client_).path;
    ASSERT_EQ(helper_, QStringLiteral("/ZRBarHelper"));
  }
  void TearDown() override {
    if (!helper_.isEmpty()) Release(client_, kBarHelperName, helper_);
    if (server_.state() != QProcess::NotRunning) EXPECT_TRUE(server_.waitForFinished(30000));
    // No password typed or filled in these flows ever reaches the output.
    QByteArray printed = server_.readAll();
    for (const char* secret : {"e2e-pass", "Secret-1"}) {
      EXPECT_FALSE(printed.contains(secret)) << secret << " in:\n" << printed.toStdString();
    }
  }

  // Calls member while driver answers the windows on a thread of its own;
  // the reply, once both are done.
  QDBusMessage CallWhile(QDBusConnection connection, const QString& member,
                         const QList<QVariant>& arguments, const std::function<bool()>& driver) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        kBarHelperName, helper_, QStringLiteral("ZRForm.IZRBarHelper"), member);
    message.setArguments(arguments);
    QDBusPendingCall pending = connection.asyncCall(message, INT_MAX);
    bool driven = false;
    std::thread thread([&] { driven = driver(); });
    while (!pending.isFinished()) Pump(milliseconds(10));
    thread.join();
    EXPECT_TRUE(driven) << "a window did not appear";
    return pending.reply();
  }
  static QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }

  Desktop desktop_;
  QProcess server_;
  QDBusConnection client_ = Connect(QStringLiteral("toolbar"));
  QString helper_;
};

TEST_F(DesktopFlowTest, RecordWithYesThenAnotherClientFillsThroughTheSelection) {
  auto page = HtmlPage::FromString(kFilledLogin, "https://e2e.example/login");
  PageExporter exporter(client_);
  QDBusMessage reply = CallWhile(
      client_, QStringLiteral("RecordPassword"),
      {qlonglong(0), Path(exporter.ExportBrowser(*page))},
      [] { return Desktop::Answer(kRemember, {"alt+y"}); });
  ASSERT_EQ(Hr(reply), 0);
  EXPECT_EQ(reply.arguments().value(1).toInt(), 1);

  // A second toolbar fills the record back; the user picks it and logs in.
  QDBusConnection other = Connect(QStringLiteral("other"));
  ASSERT_EQ(CreateBarHelper(other).hr, 0);
  auto empty = HtmlPage::FromString(kEmptyLogin, "https://e2e.example/login");
  PageExporter other_exporter(other);
  reply = CallWhile(other, QStringLiteral("FillInForm"),
                    {qlonglong(0), Path(other_exporter.ExportBrowser(*empty)), 1, 0, 0},
                    [] { return Desktop::Answer(kRemember, {"alt+l"}); });
  EXPECT_EQ(Hr(reply), 0);
  std::string html = empty->Serialize();
  EXPECT_NE(html.find("value=\"e2e-user\""), std::string::npos) << html;
  EXPECT_NE(html.find("value=\"e2e-pass\""), std::string::npos) << html;
  Release(other, kBarHelperName, helper_);
}

TEST_F(DesktopFlowTest, RefusingThisSiteStopsTheQuestions) {
  auto page = HtmlPage::FromString(kFilledLogin, "https://refused.example/login");
  PageExporter exporter(client_);
  QDBusMessage reply = CallWhile(
      client_, QStringLiteral("RecordPassword"),
      {qlonglong(0), Path(exporter.ExportBrowser(*page))}, [] {
        // Two boxes share the mnemonic: the first press goes to "this site".
        return Desktop::Answer(kRemember, {"alt+d", "space", "alt+n"});
      });
  ASSERT_EQ(Hr(reply), 0);
  EXPECT_TRUE(std::filesystem::exists(DataHome() + "/Zorvane/ToolBar/Rejected.dat"));
  // The submitted form of that site is no longer offered: S_FALSE, no window.
  auto document = page->Document();
  auto forms = document->Forms();
  QString document_path = exporter.ExportDocument(page->Document());
  QString form_path = exporter.ExportForm(forms->At(0));
  reply = Call(client_, kBarHelperName, helper_, QStringLiteral("ZRForm.IZRBarHelper"),
               QStringLiteral("AutoRecord"), {qlonglong(0), Path(document_path), Path(form_path)});
  EXPECT_EQ(Hr(reply), 1);
  EXPECT_FALSE(Desktop::HasWindow(kRemember));
}

TEST_F(DesktopFlowTest, NeverAskAgainOnAnySiteHoldsAfterARestart) {
  auto page = HtmlPage::FromString(kFilledLogin, "https://any.example/login");
  PageExporter exporter(client_);
  QDBusMessage reply = CallWhile(
      client_, QStringLiteral("RecordPassword"),
      {qlonglong(0), Path(exporter.ExportBrowser(*page))}, [] {
        // The second press of the shared mnemonic reaches "any site".
        return Desktop::Answer(kRemember, {"alt+d", "alt+d", "space", "alt+n"});
      });
  ASSERT_EQ(Hr(reply), 0);
  auto auto_record = [&] {
    return Call(client_, kBarHelperName, helper_, QStringLiteral("ZRForm.IZRBarHelper"),
                QStringLiteral("AutoRecordLogin"))
        .arguments()
        .value(1)
        .toInt();
  };
  EXPECT_EQ(auto_record(), 0);
  // A new server process (started by the bus this time) reads it back.
  Release(client_, kBarHelperName, helper_);
  ASSERT_TRUE(server_.waitForFinished(30000));
  ASSERT_EQ(CreateBarHelper(client_).hr, 0);
  EXPECT_EQ(auto_record(), 0);
  unsigned pid = OwnerPid(client_, kBarHelperName);
  Release(client_, kBarHelperName, helper_);
  helper_.clear();
  EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(30000)));
}

TEST_F(DesktopFlowTest, LoginManagerBehindTheMasterPasswordWhileOthersAreServed) {
  // First opening: the master password is set up, then the window opens.
  QDBusConnection other = Connect(QStringLiteral("other"));
  Instance history = CreateHistory(other);
  ASSERT_EQ(history.hr, 0);
  bool served_meanwhile = false;
  QDBusMessage reply = CallWhile(client_, QStringLiteral("PasswordManager"), {qlonglong(0)}, [&] {
    if (!Desktop::Answer(kMasterPassword, {})) return false;
    Desktop::Type("Secret-1");
    Desktop::Keys({"Tab"});
    Desktop::Type("Secret-1");
    Desktop::Keys({"Return"});
    std::string window = Desktop::WaitForWindow(kRemember);
    if (window.empty()) return false;
    // While the Login Manager is open, another client's call is answered.
    // (This thread has no event loop of its own: a plain blocking call.)
    QDBusMessage count = other.call(
        QDBusMessage::createMethodCall(kHistoryName, history.path,
                                       QStringLiteral("ZRForm.IHistory"), QStringLiteral("Count")),
        QDBus::Block, 10000);
    served_meanwhile = Hr(count) == 0 && Desktop::HasWindow(kRemember);
    return Desktop::Focus(window) && (Desktop::Keys({"Escape"}), true);
  });
  EXPECT_EQ(Hr(reply), 0);
  EXPECT_TRUE(served_meanwhile);
  Release(other, kHistoryName, history.path);

  // Second opening: a wrong password is refused, the right one opens it.
  reply = CallWhile(client_, QStringLiteral("PasswordManager"), {qlonglong(0)}, [] {
    if (!Desktop::Answer(kMasterPassword, {})) return false;
    Desktop::Type("wrong");
    Desktop::Keys({"Return"});
    if (!Desktop::Answer(kRemember, {"Return"})) return false;  // "incorrect" message
    if (!Desktop::Answer(kMasterPassword, {})) return false;
    Desktop::Type("Secret-1");
    Desktop::Keys({"Return"});
    return Desktop::Answer(kRemember, {"Escape"});
  });
  EXPECT_EQ(Hr(reply), 0);
}

}  // namespace
}  // namespace zr::bus_test
