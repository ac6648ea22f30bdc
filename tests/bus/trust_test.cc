// Who gets logins and forms from the real server: a program nobody allowed is
// refused (E_ACCESSDENIED, its page unread) until the user's allowance is in
// the registry store; one connection asks about a bounded number of sites a
// minute; and zrbar hands no page to a program that owns the server's name.
#include <gtest/gtest.h>

#include <QDBusVirtualObject>

#include "bus_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"
#include "server/site_rate_limit.h"
#include "tests/support/test_support.h"
#include "tests/support/trust_registry.h"
#include "tests/support/zrbar_process.h"

namespace zr::bus_test {
namespace {

constexpr int kEAccessDenied = static_cast<int>(0x80070005u);
int Find(QDBusConnection c, const QString& url) { return Hr(Call(c, "FindPasswordByURL", {url})); }

class TrustTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteSampleData(), RegisterServer(/*allow=*/false); }
  void TearDown() override {
    const unsigned pid = OwnerPid(client_);
    EXPECT_TRUE(!pid || (Release(client_), WaitForProcessEnd(pid)));
  }
  QDBusConnection client_ = Connect("trust");
};

TEST_F(TrustTest, AnUnknownProgramIsRefusedUntilTheUserAllowsIt) {
  ASSERT_EQ(Create(client_).first, 0);
  auto page = HtmlPage::FromString(R"(<form name="login"><input name="user"><input type="password"
      name="pw"></form>)",
                                   "https://mail.example.com/login");
  PageExporter exporter(client_);
  const QList<QVariant> fill = {qlonglong(0), Path(exporter.ExportBrowser(*page)), 1, 1, 1};
  // No display: the allow window counts as refused.
  EXPECT_EQ(Find(client_, "https://shop.example.org/cart"), kEAccessDenied);
  EXPECT_EQ(Hr(Call(client_, "FillInForm", fill)), kEAccessDenied);
  EXPECT_EQ(Hr(Call(client_, "FormManager", {qlonglong(0)})), kEAccessDenied);
  EXPECT_EQ(Hr(Call(client_, "CountLoginsByURL", {QStringLiteral("https://mail.example.com/")})),
            kEAccessDenied);
  EXPECT_EQ(exporter.calls_answered(), 0) << "a refused caller's page is read";
  EXPECT_EQ(Hr(Call(client_, "AutoRecordLogin")), 0) << "needs no trust";
  // The user's allowance, as a Yes in the window records it, counts at once.
  ASSERT_TRUE(AllowProgram(testing::ThisExecutable()));
  EXPECT_EQ(Find(client_, "https://shop.example.org/cart"), 0);
  QDBusMessage count =
      Call(client_, "CountLoginsByURL", {QStringLiteral("https://mail.example.com/")});
  EXPECT_EQ(count.arguments().value(1).toInt(), 1) << "the sample login of mail.example.com";
  EXPECT_EQ(Hr(Call(client_, "FillInForm", fill)), 0);
  EXPECT_NE(page->Serialize().find("value=\"ann\""), std::string::npos);
}

TEST_F(TrustTest, OneConnectionAsksAboutABoundedNumberOfSitesAMinute) {
  ASSERT_TRUE(AllowProgram(testing::ThisExecutable()));
  ASSERT_EQ(Create(client_).first, 0);
  auto site = [](int i) { return QStringLiteral("https://site%1.example/").arg(i); };
  for (int i = 0; i < kMaxSitesPerMinute; ++i) ASSERT_EQ(Find(client_, site(i)), 0) << i;
  EXPECT_EQ(Find(client_, site(kMaxSitesPerMinute)), kEAccessDenied);
  EXPECT_EQ(Find(client_, "https://SITE3.example:443/other"), 0) << "a site already asked about";
  QDBusConnection other = Connect("trust-other");
  ASSERT_EQ(Create(other).first, 0);
  EXPECT_EQ(Find(other, site(kMaxSitesPerMinute)), 0) << "a bound of each connection";
  Release(other);
}

// Owns a name and answers every call with S_OK, recording the members called.
class Squatter : public QDBusVirtualObject {
 public:
  QStringList members;
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    members << message.member();
    QList<QVariant> out{0};
    if (message.member() == QLatin1String("CreateInstance")) out << Path(kHelperPath);
    return connection.send(message.createReply(out));
  }
};

TEST_F(TrustTest, ZrbarHandsNoPageToAProgramThatOwnsTheServerName) {
  const std::string page = Scratch() + "/login.html";
  ASSERT_TRUE(
      testing::WriteFile(page, R"(<form><input name="user" value="ann"><input type="password"
      name="pw" value="typed secret"></form>)"));
  const QStringList record = {"record", QString::fromStdString(page), "--url",
                              "https://mail.example.com/"};
  QDBusConnection squatting = Connect("squatter");
  Squatter squatter;
  ASSERT_TRUE(squatting.registerVirtualObject("/", &squatter, QDBusConnection::SubPath));
  ASSERT_TRUE(squatting.registerService(kBarHelperName));
  testing::ZrbarRun refused = testing::RunZrbar(ZRBAR_EXE, record);
  EXPECT_EQ(refused.status, 3);
  EXPECT_TRUE(refused.err.contains("not the registered ZRForm server")) << qPrintable(refused.err);
  EXPECT_FALSE(squatter.members.contains("RecordPassword")) << "a page went to the squatter";
  EXPECT_FALSE(refused.err.contains("typed secret"));
  squatting.unregisterService(kBarHelperName);
  squatting.unregisterObject("/", QDBusConnection::UnregisterTree);
  // The real server, started by the bus: zrbar (shipped beside it) is served.
  testing::ZrbarRun served = testing::RunZrbar(ZRBAR_EXE, record);
  EXPECT_EQ(served.status, 0) << qPrintable(served.err);
  EXPECT_FALSE(served.err.contains("E_ACCESSDENIED")) << qPrintable(served.err);
}

}  // namespace
}  // namespace zr::bus_test
