// Every member of both objects through the bus, with the results the objects
// define; pages are HTML pages that this client exports for the call.
#include <QDBusObjectPath>
#include <chrono>
#include <climits>
#include <filesystem>

#include <gtest/gtest.h>

#include "bus_test_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"
#include "platform/registry_store.h"

namespace zr::bus_test {
namespace {

using std::chrono::milliseconds;

constexpr uint32_t kSFalse = 1;
constexpr uint32_t kEFail = 0x80004005u;

class MembersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The sample data folder: two logins and both profiles.
    WriteSampleData();
    RegisterServer();
    helper_ = CreateBarHelper(client_);
    ASSERT_EQ(helper_.hr, 0);
    history_ = CreateHistory(client_);
    ASSERT_EQ(history_.hr, 0);
  }
  void TearDown() override {
    unsigned pid = OwnerPid(client_, kBarHelperName);
    Release(client_, kBarHelperName, helper_.path);
    Release(client_, kHistoryName, history_.path);
    EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(30000)));
  }
  QDBusMessage Helper(const QString& member, const QList<QVariant>& arguments = {}) {
    return Call(client_, kBarHelperName, helper_.path, QStringLiteral("ZRForm.IZRBarHelper"),
                member, arguments);
  }
  QDBusMessage History(const QString& interface, const QString& member,
                       const QList<QVariant>& arguments = {}) {
    return Call(client_, kHistoryName, history_.path, QStringLiteral("ZRForm.") + interface,
                member, arguments);
  }
  static QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }

  QDBusConnection client_ = Connect(QStringLiteral("members"));
  Instance helper_;
  Instance history_;
};

constexpr char kSignUp[] = R"(<html><body><form name="join">
  <input name="first_name"><input name="email"><input name="city">
  <input type="password" name="pw"></form></body></html>)";

TEST_F(MembersTest, ToolbarHelperMembers) {
  auto page = HtmlPage::FromString(kSignUp, "https://shop.example/join");
  PageExporter exporter(client_);
  QVariant browser = Path(exporter.ExportBrowser(*page));

  // Arguments that do not qualify.
  for (int type : {0, 4, 5, 6}) {
    EXPECT_EQ(Hr(Helper(QStringLiteral("FillInForm"), {qlonglong(0), browser, type, 0, 0})), 1)
        << type;
  }
  EXPECT_EQ(Hr(Helper(QStringLiteral("FillInForm"), {qlonglong(0), Path("/"), 2, 0, 0})), 1);
  QDBusMessage record = Helper(QStringLiteral("RecordPassword"), {qlonglong(0), Path("/")});
  EXPECT_EQ(Hr(record), 1);
  // An object that is not a browser: the page's own form object.
  EXPECT_EQ(Hr(Helper(QStringLiteral("AutoRecord"), {qlonglong(0), Path("/"), Path("/")})), 1);

  // A new pattern for the Home profile's city, then a fill from the profile.
  EXPECT_EQ(Hr(Helper(QStringLiteral("UpdateFormFields"),
                      {QStringLiteral("<HOME><Field name=\"City\" value=\"town\"/></HOME>")})),
            0);
  EXPECT_EQ(Hr(Helper(QStringLiteral("FillInForm"), {qlonglong(0), browser, 2, 1, 0})), 0);
  std::string html = page->Serialize();
  EXPECT_NE(html.find("value=\"Ann\""), std::string::npos) << html;
  EXPECT_NE(html.find("value=\"ann@example.com\""), std::string::npos) << html;
  EXPECT_NE(html.find("value=\"Portsmouth\""), std::string::npos) << html;
  EXPECT_GT(exporter.calls_answered(), 0);

  // No stored login for this site: no record chosen.
  EXPECT_EQ(Hr(Helper(QStringLiteral("FillInForm"), {qlonglong(0), browser, 1, 0, 1})), 1);
  EXPECT_EQ(Hr(Helper(QStringLiteral("RecordPassword"), {qlonglong(0), browser})), 0);

  // The sample's automatic login fills its site's page by itself.
  auto mail = HtmlPage::FromString(
      R"(<form name="login"><input name="username"><input type="password" name="password"></form>)",
      "https://mail.example.com/?next=inbox");
  QVariant mail_browser = Path(exporter.ExportBrowser(*mail));
  EXPECT_EQ(Hr(Helper(QStringLiteral("FillInForm"), {qlonglong(0), mail_browser, 1, 0, 1})), 0);
  html = mail->Serialize();
  EXPECT_NE(html.find("value=\"ann\""), std::string::npos) << html;
  EXPECT_NE(html.find("value=\"correct horse\""), std::string::npos) << html;

  QDBusMessage automatic = Helper(QStringLiteral("AutoRecordLogin"));
  EXPECT_EQ(Hr(automatic), 0);
  EXPECT_EQ(automatic.arguments().value(1).toInt(), 1);
  QDBusMessage found = Helper(QStringLiteral("FindPasswordByURL"), {QStringLiteral("https://x/")});
  EXPECT_EQ(Hr(found), 0);
  EXPECT_EQ(found.arguments().value(1).toInt(), 0);
  // The shop login is not automatic: a fill would ask, so the toolbar is told.
  found = Helper(QStringLiteral("FindPasswordByURL"), {QStringLiteral("https://shop.example.org/")});
  EXPECT_EQ(found.arguments().value(1).toInt(), 1);
  // Without a display the windows say why and count as closed: S_OK.
  EXPECT_EQ(Hr(Helper(QStringLiteral("PasswordManager"), {qlonglong(0)})), 0);
  EXPECT_EQ(Hr(Helper(QStringLiteral("FormManager"), {qlonglong(0)})), 0);
}

TEST_F(MembersTest, WrongArgumentsGetAnErrorReplyAndTheServerGoesOn) {
  QDBusMessage reply = Helper(QStringLiteral("FillInForm"), {QStringLiteral("x")});
  EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
  reply = Call(client_, kBarHelperName, QStringLiteral("/Nowhere"),
               QStringLiteral("ZRForm.IZRBarHelper"), QStringLiteral("FormManager"), {qlonglong(0)});
  EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
  // A page object path that the client never exported.
  EXPECT_EQ(Hr(Helper(QStringLiteral("FillInForm"), {qlonglong(0), Path("/no/page"), 2, 0, 0})),
            1);
  EXPECT_EQ(Hr(Helper(QStringLiteral("UpdateFormFields"), {QString(200000, QChar('<'))})), 0);
  // Objects of the wrong kind as page objects: the browser as a document and a form.
  auto page = HtmlPage::FromString(kSignUp, "https://shop.example/join");
  PageExporter exporter(client_);
  QVariant browser = Path(exporter.ExportBrowser(*page));
  EXPECT_EQ(Hr(Helper(QStringLiteral("AutoRecord"), {qlonglong(0), browser, browser})), 1);
  // Empty and huge strings.
  const QString huge(1 << 20, QChar(0x00E9));
  for (const QString& url : {QString(), huge}) {
    QDBusMessage found = Helper(QStringLiteral("FindPasswordByURL"), {url});
    EXPECT_EQ(Hr(found), 0);
    EXPECT_EQ(found.arguments().value(1).toInt(), 0);
  }
  const QString ih = QStringLiteral("IHistory");
  EXPECT_EQ(Hr(History(ih, QStringLiteral("ClearAll"))), 0);
  for (const QString& text : {QString(), huge}) {
    EXPECT_EQ(Hr(History(ih, QStringLiteral("AddItem"), {text, 1})), 0);
    EXPECT_EQ(Hr(History(ih, QStringLiteral("AddItem"), {text, 2})), 1);
  }
  EXPECT_EQ(History(ih, QStringLiteral("Item"), {2}).arguments().value(2).toString(), huge);
  EXPECT_EQ(static_cast<uint32_t>(Hr(History(ih, QStringLiteral("Item"), {INT_MIN}))), kEFail);
  EXPECT_EQ(static_cast<uint32_t>(Hr(History(QStringLiteral("IPersistFile"), QStringLiteral("Load"),
                                             {QString(), 0u}))),
            kEFail);
  QDBusMessage all = History(QStringLiteral("IEnumString"), QStringLiteral("Next"), {UINT_MAX});
  EXPECT_EQ(static_cast<uint32_t>(Hr(all)), kSFalse);
  EXPECT_EQ(all.arguments().value(2).toUInt(), 2u);
  EXPECT_EQ(Hr(Helper(QStringLiteral("AutoRecordLogin"))), 0);
}

TEST_F(MembersTest, HistoryMembers) {
  const QString ih = QStringLiteral("IHistory");
  EXPECT_EQ(Hr(History(ih, QStringLiteral("ClearAll"))), 0);  // the sample's entries
  EXPECT_EQ(Hr(History(ih, QStringLiteral("AddItem"), {QStringLiteral("Alpha"), 3})), 0);
  EXPECT_EQ(Hr(History(ih, QStringLiteral("AddItem"), {QStringLiteral("ALPHA"), 5})), 1);
  EXPECT_EQ(Hr(History(ih, QStringLiteral("AddItem"), {QStringLiteral("beta"), 12})), 0);
  EXPECT_EQ(History(ih, QStringLiteral("Count")).arguments().value(1).toInt(), 2);
  for (int bad : {0, 3, -1}) {
    EXPECT_EQ(static_cast<uint32_t>(Hr(History(ih, QStringLiteral("Item"), {bad}))), kEFail);
  }
  QDBusMessage item = History(ih, QStringLiteral("Item"), {2});
  EXPECT_EQ(item.arguments().value(1).toInt(), 12);
  EXPECT_EQ(item.arguments().value(2).toString(), QStringLiteral("beta"));

  const QString pf = QStringLiteral("IPersistFile");
  QDBusMessage id = History(pf, QStringLiteral("GetClassID"));
  EXPECT_EQ(id.arguments().value(1).toString(),
            QStringLiteral("{7C0B5C52-1E0A-4C3B-9A59-3E5A1D2B6F41}"));
  EXPECT_EQ(Hr(History(pf, QStringLiteral("IsDirty"))), 0);
  QString file = QString::fromStdString(Scratch() + "/saved.txt");
  EXPECT_EQ(Hr(History(pf, QStringLiteral("Save"), {file, true})), 0);
  EXPECT_EQ(History(pf, QStringLiteral("GetCurFile")).arguments().value(1).toString(), file);
  EXPECT_EQ(Hr(History(ih, QStringLiteral("ClearAll"))), 0);
  EXPECT_EQ(Hr(History(pf, QStringLiteral("Load"), {file, 0u})), 0);
  EXPECT_EQ(History(ih, QStringLiteral("Count")).arguments().value(1).toInt(), 2);
  EXPECT_EQ(static_cast<uint32_t>(Hr(History(pf, QStringLiteral("Load"),
                                             {QStringLiteral("/no/such/file"), 0u}))),
            kEFail);
  EXPECT_EQ(Hr(History(pf, QStringLiteral("SaveCompleted"), {file})), 0);

  const QString es = QStringLiteral("IEnumString");
  QDBusMessage next = History(es, QStringLiteral("Next"), {1u});
  EXPECT_EQ(Hr(next), 0);
  EXPECT_EQ(next.arguments().value(1).toStringList(), QStringList{QStringLiteral("Alpha")});
  QDBusMessage clone = History(es, QStringLiteral("Clone"));
  ASSERT_EQ(Hr(clone), 0);
  QString clone_path = clone.arguments().value(1).value<QDBusObjectPath>().path();
  EXPECT_NE(clone_path, history_.path);
  next = History(es, QStringLiteral("Next"), {5u});
  EXPECT_EQ(static_cast<uint32_t>(Hr(next)), kSFalse);
  EXPECT_EQ(next.arguments().value(2).toUInt(), 1u);
  // The clone kept the position it was made at.
  QDBusMessage from_clone = Call(client_, kHistoryName, clone_path,
                                 QStringLiteral("ZRForm.IEnumString"), QStringLiteral("Next"), {5u});
  EXPECT_EQ(from_clone.arguments().value(1).toStringList(), QStringList{QStringLiteral("beta")});
  EXPECT_EQ(Hr(History(es, QStringLiteral("Reset"))), 0);
  EXPECT_EQ(Hr(History(es, QStringLiteral("Skip"), {2u})), 0);
  EXPECT_EQ(static_cast<uint32_t>(Hr(History(es, QStringLiteral("Skip"), {1u}))), kSFalse);
  // A released clone leaves the bus.
  EXPECT_EQ(Release(client_, kHistoryName, clone_path), 0u);
  QDBusMessage gone = Call(client_, kHistoryName, clone_path, QStringLiteral("ZRForm.IEnumString"),
                           QStringLiteral("Reset"));
  EXPECT_EQ(gone.type(), QDBusMessage::ErrorMessage);
}

TEST(AutoRecordLoginTest, ReadFromTheSettingAtEachStart) {
  ASSERT_TRUE(WriteAutoLoginRecord(0));
  RegisterServer();
  QDBusConnection client = Connect(QStringLiteral("reader"));
  Instance helper = CreateBarHelper(client);
  QDBusMessage value = Call(client, kBarHelperName, helper.path,
                            QStringLiteral("ZRForm.IZRBarHelper"), QStringLiteral("AutoRecordLogin"));
  EXPECT_EQ(value.arguments().value(1).toInt(), 0);
  unsigned pid = OwnerPid(client, kBarHelperName);
  Release(client, kBarHelperName, helper.path);
  ASSERT_TRUE(WaitForProcessEnd(pid, milliseconds(30000)));
  ASSERT_TRUE(WriteAutoLoginRecord(1));
  helper = CreateBarHelper(client);
  value = Call(client, kBarHelperName, helper.path, QStringLiteral("ZRForm.IZRBarHelper"),
               QStringLiteral("AutoRecordLogin"));
  EXPECT_EQ(value.arguments().value(1).toInt(), 1);
  Release(client, kBarHelperName, helper.path);
}

}  // namespace
}  // namespace zr::bus_test
