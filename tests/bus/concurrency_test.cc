// Three clients on one login at once, with real windows: one holds the Login
// Manager with the record editor open on it, another records (merges into)
// and fills that login, a third opens a second Login Manager and deletes it.
// Nothing may crash, and the file must hold a consistent store afterwards.
#include <QDBusObjectPath>
#include <QDBusPendingCall>
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

const char kTitle[] = "Zorvane Login Manager";
const char kUrl[] = "https://mail.example.com/login";
// Points in the Login Manager window (pixels, dialog font of the test display):
// the first row of the list, and the Delete and Close buttons.
constexpr int kFirstRow[] = {60, 37};
constexpr int kDeleteButton[] = {143, 260};
constexpr int kCloseButton[] = {529, 260};

// Runs driver on a thread while the event loop runs, until it is done.
bool Drive(const std::function<bool()>& driver) {
  bool done = false;
  bool result = false;
  std::thread thread([&] {
    result = driver();
    done = true;
  });
  while (!done) Pump(milliseconds(10));
  thread.join();
  return result;
}

QDBusPendingCall Start(QDBusConnection connection, const QString& member,
                       const QList<QVariant>& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      kBarHelperName, QStringLiteral("/ZRBarHelper"), QStringLiteral("ZRForm.IZRBarHelper"), member);
  message.setArguments(arguments);
  return connection.asyncCall(message, INT_MAX);
}

QDBusMessage Finish(QDBusPendingCall pending) {
  while (!pending.isFinished()) Pump(milliseconds(10));
  return pending.reply();
}

QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }

TEST(ConcurrencyTest, EditMergeFillAndDeleteOfOneLoginAtOnce) {
  Desktop desktop;
  ASSERT_TRUE(desktop.ok());
  WriteSampleData();
  const std::string folder = DataFolder();
  RegisterServer();
  QDBusConnection a = Connect(QStringLiteral("a"));
  QDBusConnection b = Connect(QStringLiteral("b"));
  QDBusConnection c = Connect(QStringLiteral("c"));
  for (QDBusConnection* client : {&a, &b, &c}) ASSERT_EQ(CreateBarHelper(*client).hr, 0);

  // A: the Login Manager (setting up a master password), the editor on the first login.
  std::string manager_a;
  QDBusPendingCall call_a = Start(a, QStringLiteral("PasswordManager"), {qlonglong(0)});
  ASSERT_TRUE(Drive([&] {
    if (!Desktop::Answer("Master Password", {})) return false;
    Desktop::Type("M-1");
    Desktop::Keys({"Tab"});
    Desktop::Type("M-1");
    Desktop::Keys({"Return"});
    manager_a = Desktop::WaitForWindow(kTitle);
    if (manager_a.empty() || !Desktop::Focus(manager_a)) return false;
    Desktop::Click(manager_a, kFirstRow[0], kFirstRow[1], 2);  // opens the editor
    return !Desktop::WaitForWindow("Login Record Form").empty();
  }));

  // B: records the same login with a new password (Yes), then fills it back.
  auto page = HtmlPage::FromString(
      R"(<form name="login"><input name="username" value="ann">
         <input type="password" name="password" value="new-pass-9"></form>)",
      kUrl);
  PageExporter exporter_b(b);
  QDBusPendingCall record =
      Start(b, QStringLiteral("RecordPassword"), {qlonglong(0), Path(exporter_b.ExportBrowser(*page))});
  ASSERT_TRUE(Drive([&] {
    std::string prompt = Desktop::WaitForNewWindow(kTitle, {manager_a});
    return !prompt.empty() && Desktop::Focus(prompt) && (Desktop::Keys({"alt+y"}), true);
  }));
  QDBusMessage reply = Finish(record);
  EXPECT_EQ(Hr(reply), 0);
  auto empty = HtmlPage::FromString(
      R"(<form name="login"><input name="username"><input type="password" name="password"></form>)",
      kUrl);
  QDBusPendingCall fill = Start(
      b, QStringLiteral("FillInForm"), {qlonglong(0), Path(exporter_b.ExportBrowser(*empty)), 1, 0, 0});
  ASSERT_TRUE(Drive([&] {
    std::string select = Desktop::WaitForNewWindow(kTitle, {manager_a});
    return !select.empty() && Desktop::Focus(select) && (Desktop::Keys({"alt+l"}), true);
  }));
  EXPECT_EQ(Hr(Finish(fill)), 0);
  EXPECT_NE(empty->Serialize().find("value=\"new-pass-9\""), std::string::npos);

  // C: a second Login Manager deletes the first login (the one A edits).
  QDBusPendingCall call_c = Start(c, QStringLiteral("PasswordManager"), {qlonglong(0)});
  ASSERT_TRUE(Drive([&] {
    if (!Desktop::Answer("Master Password", {})) return false;
    Desktop::Type("M-1");
    Desktop::Keys({"Return"});
    std::string manager_c = Desktop::WaitForNewWindow(kTitle, {manager_a});
    if (manager_c.empty() || !Desktop::Focus(manager_c)) return false;
    Desktop::Click(manager_c, kFirstRow[0], kFirstRow[1]);
    Desktop::Click(manager_c, kDeleteButton[0], kDeleteButton[1]);
    std::string sure = Desktop::WaitForNewWindow(kTitle, {manager_a, manager_c});
    if (sure.empty() || !Desktop::Focus(sure)) return false;
    Desktop::Keys({"Return"});  // Yes
    if (!Desktop::Focus(manager_c)) return false;
    Desktop::Click(manager_c, kCloseButton[0], kCloseButton[1]);
    return true;
  }));
  EXPECT_EQ(Hr(Finish(call_c)), 0);

  // A closes its editor on the deleted login, then its Login Manager.
  ASSERT_TRUE(Drive([&] {
    std::string editor = Desktop::WaitForWindow("Login Record Form");
    if (editor.empty() || !Desktop::Focus(editor)) return false;
    Desktop::Keys({"Escape"});
    if (!Desktop::Focus(manager_a)) return false;
    Desktop::Click(manager_a, kCloseButton[0], kCloseButton[1]);
    return true;
  }));
  EXPECT_EQ(Hr(Finish(call_a)), 0);

  // The server still serves, and the file holds one whole login of the two.
  QDBusMessage found = Call(a, kBarHelperName, QStringLiteral("/ZRBarHelper"),
                            QStringLiteral("ZRForm.IZRBarHelper"), QStringLiteral("FindPasswordByURL"),
                            {QStringLiteral("https://shop.example.org/")});
  EXPECT_EQ(Hr(found), 0);
  QProcess dump;
  dump.start(QStringLiteral(ZRDATA_EXE),
             {QStringLiteral("dump"), QString::fromStdString(folder + "/Password.dat")});
  dump.write("M-1\n");
  dump.closeWriteChannel();
  ASSERT_TRUE(dump.waitForFinished(30000));
  EXPECT_EQ(dump.exitCode(), 0);
  std::string json = dump.readAllStandardOutput().toStdString();
  std::printf("store afterwards: %s\n", json.c_str());
  size_t records = 0;
  for (size_t at = json.find("\"site\""); at != std::string::npos; at = json.find("\"site\"", at + 1)) {
    ++records;
  }
  EXPECT_EQ(records, 1u) << json;
  bool shop_whole = json.find("shop.example.org") != std::string::npos &&
                    json.find("battery staple") != std::string::npos;
  bool mail_merged = json.find("mail.example.com") != std::string::npos &&
                     json.find("new-pass-9") != std::string::npos;
  EXPECT_TRUE(shop_whole || mail_merged) << json;
  for (QDBusConnection* client : {&a, &b, &c}) {
    Release(*client, kBarHelperName, QStringLiteral("/ZRBarHelper"));
  }
}

}  // namespace
}  // namespace zr::bus_test
