// What the bus layer adds to the objects: argument checks and error replies,
// page objects of the wrong kind, the History's interfaces and its
// enumerator objects. The objects' rules are tested in tests/server; fills
// through the caller's pages in the load test and the desktop flows.
#include <climits>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"

namespace zr::bus_test {
namespace {

constexpr uint32_t kSFalse = 1;
constexpr uint32_t kEFail = 0x80004005u;

constexpr char kSignUp[] = R"(<html><body><form name="join">
  <input name="first_name"><input name="email"><input name="city">
  <input type="password" name="pw"></form></body></html>)";

class MembersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSampleData();
    RegisterServer();
    helper_ = CreateBarHelper(client_);
    history_ = CreateHistory(client_);
    ASSERT_EQ(helper_.hr | history_.hr, 0);
  }
  void TearDown() override {
    unsigned pid = OwnerPid(client_, kBarHelperName);
    Release(client_, kBarHelperName, helper_.path);
    Release(client_, kHistoryName, history_.path);
    EXPECT_TRUE(WaitForProcessEnd(pid));
  }
  uint32_t Helper(const QString& member, const QList<QVariant>& arguments = {}) {
    return static_cast<uint32_t>(Hr(HelperReply(member, arguments)));
  }
  QDBusMessage HelperReply(const QString& member, const QList<QVariant>& arguments = {}) {
    return Call(client_, kBarHelperName, helper_.path, kBarIface, member, arguments);
  }
  QDBusMessage History(const char* interface, const QString& member,
                       const QList<QVariant>& arguments = {}, const QString& path = {}) {
    return Call(client_, kHistoryName, path.isEmpty() ? history_.path : path,
                QStringLiteral("ZRForm.") + interface, member, arguments);
  }

  QDBusConnection client_ = Connect(QStringLiteral("members"));
  Instance helper_;
  Instance history_;
};

TEST_F(MembersTest, WrongArgumentsAndObjectsAreRefusedAndTheServerGoesOn) {
  auto page = HtmlPage::FromString(kSignUp, "https://shop.example/join");
  PageExporter exporter(client_);
  QVariant browser = Path(exporter.ExportBrowser(*page));
  struct Row {
    const char* what;
    const char* member;
    QList<QVariant> arguments;
    uint32_t hr;  // kEFail + 1: an error reply
  };
  const Row rows[] = {
      {"wrong argument types", "FillInForm", {QStringLiteral("x")}, kEFail + 1},
      {"a fill type out of range", "FillInForm", {qlonglong(0), browser, 5, 0, 0}, kSFalse},
      {"a page path never exported", "FillInForm", {qlonglong(0), Path("/no/page"), 2, 0, 0}, kSFalse},
      {"no browser", "RecordPassword", {qlonglong(0), Path("/")}, kSFalse},
      {"a browser as document and form", "AutoRecord", {qlonglong(0), browser, browser}, kSFalse},
      {"a huge pattern text", "UpdateFormFields", {QString(200000, QChar('<'))}, 0},
      {"a huge address", "FindPasswordByURL", {QString(1 << 20, QChar(0x00E9))}, 0},
  };
  for (const Row& row : rows) {
    QDBusMessage reply = HelperReply(QString::fromLatin1(row.member), row.arguments);
    uint32_t hr = reply.type() == QDBusMessage::ErrorMessage ? kEFail + 1 : static_cast<uint32_t>(Hr(reply));
    EXPECT_EQ(hr, row.hr) << row.what;
  }
  QDBusMessage nowhere = Call(client_, kBarHelperName, QStringLiteral("/Nowhere"), kBarIface,
                              QStringLiteral("FormManager"), {qlonglong(0)});
  EXPECT_EQ(nowhere.type(), QDBusMessage::ErrorMessage);
  EXPECT_EQ(static_cast<uint32_t>(Hr(History("IHistory", QStringLiteral("Item"), {INT_MIN}))), kEFail);
  EXPECT_EQ(static_cast<uint32_t>(Hr(History("IPersistFile", QStringLiteral("Load"), {QString(), 0u}))),
            kEFail);
  EXPECT_EQ(Helper(QStringLiteral("AutoRecordLogin")), 0u);
}

TEST_F(MembersTest, HistoryInterfacesAndEnumeratorObjects) {
  EXPECT_EQ(Hr(History("IHistory", QStringLiteral("ClearAll"))), 0);  // the sample's entries
  for (const char* text : {"Alpha", "beta"}) {
    EXPECT_EQ(Hr(History("IHistory", QStringLiteral("AddItem"), {QString::fromLatin1(text), 3})), 0);
  }
  QString file = QString::fromStdString(Scratch() + "/saved.txt");
  EXPECT_EQ(Hr(History("IPersistFile", QStringLiteral("Save"), {file, true})), 0);
  EXPECT_EQ(History("IPersistFile", QStringLiteral("GetCurFile")).arguments().value(1).toString(), file);
  EXPECT_EQ(Hr(History("IHistory", QStringLiteral("ClearAll"))), 0);
  EXPECT_EQ(Hr(History("IPersistFile", QStringLiteral("Load"), {file, 0u})), 0);
  EXPECT_EQ(History("IHistory", QStringLiteral("Count")).arguments().value(1).toInt(), 2);

  QDBusMessage next = History("IEnumString", QStringLiteral("Next"), {1u});
  EXPECT_EQ(next.arguments().value(1).toStringList(), QStringList{QStringLiteral("Alpha")});
  QDBusMessage clone = History("IEnumString", QStringLiteral("Clone"));
  ASSERT_EQ(Hr(clone), 0);
  QString clone_path = clone.arguments().value(1).value<QDBusObjectPath>().path();
  EXPECT_NE(clone_path, history_.path);
  next = History("IEnumString", QStringLiteral("Next"), {UINT_MAX});
  EXPECT_EQ(static_cast<uint32_t>(Hr(next)), kSFalse);
  EXPECT_EQ(next.arguments().value(2).toUInt(), 1u);
  // The clone kept the position it was made at, and leaves the bus when released.
  QDBusMessage from_clone = History("IEnumString", QStringLiteral("Next"), {5u}, clone_path);
  EXPECT_EQ(from_clone.arguments().value(1).toStringList(), QStringList{QStringLiteral("beta")});
  EXPECT_EQ(Release(client_, kHistoryName, clone_path), 0u);
  EXPECT_EQ(History("IEnumString", QStringLiteral("Reset"), {}, clone_path).type(),
            QDBusMessage::ErrorMessage);
}

}  // namespace
}  // namespace zr::bus_test
