// Three clients on one login at once, with real windows: one holds the Login
// Manager with the record editor open on it, another records (merges into)
// and fills that login, a third opens a second Login Manager and deletes it.
// Nothing may crash, and the file must hold a consistent store afterwards.
#include <QDBusPendingCall>
#include <atomic>
#include <climits>
#include <thread>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"

namespace zr::bus_test {
namespace {

const char kTitle[] = "Zorvane Login Manager";
const char kUrl[] = "https://mail.example.com/login";
// Points in the Login Manager window (dialog font of the test display): the
// first row of the list, and the Delete and Close buttons.
constexpr int kFirstRow[] = {60, 37};
constexpr int kDeleteButton[] = {143, 260};
constexpr int kCloseButton[] = {529, 260};

QDBusPendingCall Start(QDBusConnection connection, const QString& member,
                       const QList<QVariant>& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(kBarHelperName, QStringLiteral("/ZRBarHelper"),
                                                        kBarIface, member);
  message.setArguments(arguments);
  return connection.asyncCall(message, INT_MAX);
}

// Runs driver on a thread while the event loop runs; what it returned.
bool Drive(const std::function<bool()>& driver) {
  std::atomic<bool> done = false;
  bool result = false;
  std::thread thread([&] {
    result = driver();
    done = true;
  });
  PumpUntil([&] { return done.load(); }, milliseconds(120000));
  thread.join();
  return result;
}

int Finish(QDBusPendingCall pending) {
  PumpUntil([&] { return pending.isFinished(); });
  return Hr(pending.reply());
}

// Types the master password (twice when it is set up) into its window.
bool MasterPassword(bool set_up) {
  if (!Desktop::Answer("Master Password", {})) return false;
  Desktop::Type("M-1");
  if (set_up) {
    Desktop::Keys({"Tab"});
    Desktop::Type("M-1");
  }
  Desktop::Keys({"Return"});
  return true;
}

TEST(ConcurrencyTest, EditMergeFillAndDeleteOfOneLoginAtOnce) {
  Desktop desktop;
  ASSERT_TRUE(desktop.ok());
  WriteSampleData();
  RegisterServer();
  QDBusConnection a = Connect(QStringLiteral("a"));
  QDBusConnection b = Connect(QStringLiteral("b"));
  QDBusConnection c = Connect(QStringLiteral("c"));
  for (QDBusConnection* client : {&a, &b, &c}) ASSERT_EQ(CreateBarHelper(*client).hr, 0);

  // A: the Login Manager (setting up a master password), the editor on the first login.
  std::string manager_a;
  QDBusPendingCall call_a = Start(a, QStringLiteral("PasswordManager"), {qlonglong(0)});
  ASSERT_TRUE(Drive([&] {
    if (!MasterPassword(true)) return false;
    manager_a = Desktop::WaitForWindow(kTitle);
    if (manager_a.empty() || !Desktop::Focus(manager_a)) return false;
    Desktop::Click(manager_a, kFirstRow[0], kFirstRow[1], 2);
    return !Desktop::WaitForWindow("Login Record Form").empty();
  }));

  // B: records the same login with a new password (Yes), then fills it back.
  auto answer_b = [&](const char* keys) {
    return Drive([&] {
      std::string window = Desktop::WaitForWindow(kTitle, {manager_a});
      return !window.empty() && Desktop::Focus(window) && (Desktop::Keys({keys}), true);
    });
  };
  PageExporter exporter_b(b);
  auto page = HtmlPage::FromString(R"(<form name="login"><input name="username" value="ann">
      <input type="password" name="password" value="new-pass-9"></form>)", kUrl);
  QDBusPendingCall record = Start(b, QStringLiteral("RecordPassword"),
                                  {qlonglong(0), Path(exporter_b.ExportBrowser(*page))});
  ASSERT_TRUE(answer_b("alt+y"));
  EXPECT_EQ(Finish(record), 0);
  auto empty = HtmlPage::FromString(
      R"(<form name="login"><input name="username"><input type="password" name="password"></form>)", kUrl);
  QDBusPendingCall fill = Start(b, QStringLiteral("FillInForm"),
                                {qlonglong(0), Path(exporter_b.ExportBrowser(*empty)), 1, 0, 0});
  ASSERT_TRUE(answer_b("alt+l"));
  EXPECT_EQ(Finish(fill), 0);
  EXPECT_NE(empty->Serialize().find("value=\"new-pass-9\""), std::string::npos);

  // C: a second Login Manager deletes the first login (the one A edits).
  QDBusPendingCall call_c = Start(c, QStringLiteral("PasswordManager"), {qlonglong(0)});
  ASSERT_TRUE(Drive([&] {
    if (!MasterPassword(false)) return false;
    std::string manager_c = Desktop::WaitForWindow(kTitle, {manager_a});
    if (manager_c.empty() || !Desktop::Focus(manager_c)) return false;
    Desktop::Click(manager_c, kFirstRow[0], kFirstRow[1]);
    Desktop::Click(manager_c, kDeleteButton[0], kDeleteButton[1]);
    std::string sure = Desktop::WaitForWindow(kTitle, {manager_a, manager_c});
    if (sure.empty() || !Desktop::Focus(sure)) return false;
    Desktop::Keys({"Return"});  // Yes
    if (!Desktop::Focus(manager_c)) return false;
    Desktop::Click(manager_c, kCloseButton[0], kCloseButton[1]);
    return true;
  }));
  EXPECT_EQ(Finish(call_c), 0);

  // A closes its editor on the deleted login, then its Login Manager.
  ASSERT_TRUE(Drive([&] {
    std::string editor = Desktop::WaitForWindow("Login Record Form");
    if (editor.empty() || !Desktop::Focus(editor)) return false;
    Desktop::Keys({"Escape"});
    if (!Desktop::Focus(manager_a)) return false;
    Desktop::Click(manager_a, kCloseButton[0], kCloseButton[1]);
    return true;
  }));
  EXPECT_EQ(Finish(call_a), 0);

  // The server still serves, and the file holds one whole login of the two.
  EXPECT_EQ(Hr(Call(a, kBarHelperName, QStringLiteral("/ZRBarHelper"), kBarIface,
                    QStringLiteral("FindPasswordByURL"), {QStringLiteral("https://shop.example.org/")})),
            0);
  std::string json = Dump(DataFolder() + "/Password.dat", "M-1\n").value_or("");
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
