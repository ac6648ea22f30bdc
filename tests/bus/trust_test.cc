// Who gets logins and forms from the real server: a program nobody allowed is
// refused (E_ACCESSDENIED, its page untouched) until the user's allowance is
// in the registry store; one connection asks about a bounded number of sites
// a minute; and zrbar hands no page to a program that owns the server's name.
#include <gtest/gtest.h>

#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <chrono>
#include <filesystem>

#include "bus_support.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"
#include "server/client_trust.h"
#include "server/site_rate_limit.h"
#include "tests/support/test_support.h"
#include "tests/support/trust_registry.h"

namespace zr::bus_test {
namespace {

using std::chrono::milliseconds;

constexpr int kEAccessDenied = static_cast<int>(0x80070005u);

constexpr char kLoginPage[] = R"(<html><body><form name="login">
  <input name="user"><input type="password" name="pw"></form></body></html>)";

class TrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSampleData();
    // Registered, but this program is not allowed (RegisterServer would allow it).
    ASSERT_EQ(RunServerCommand({QStringLiteral("-RegServer")}), 0);
  }
  void TearDown() override {
    if (unsigned pid = OwnerPid(client_, kBarHelperName)) {
      if (!helper_.path.isEmpty()) Release(client_, kBarHelperName, helper_.path);
      EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(30000)));
    }
  }
  QDBusMessage Helper(QDBusConnection connection, const QString& member,
                      const QList<QVariant>& arguments) {
    return Call(connection, kBarHelperName, helper_.path, QStringLiteral("ZRForm.IZRBarHelper"),
                member, arguments);
  }
  QDBusMessage Find(QDBusConnection connection, const QString& url) {
    return Helper(connection, QStringLiteral("FindPasswordByURL"), {url});
  }

  QDBusConnection client_ = Connect(QStringLiteral("trust"));
  Instance helper_;
};

TEST_F(TrustTest, AnUnknownProgramIsRefusedUntilTheUserAllowsIt) {
  helper_ = CreateBarHelper(client_);
  ASSERT_EQ(helper_.hr, 0);
  auto page = HtmlPage::FromString(kLoginPage, "https://mail.example.com/login");
  PageExporter exporter(client_);
  QVariant browser = QVariant::fromValue(QDBusObjectPath(exporter.ExportBrowser(*page)));
  const QList<QVariant> fill = {qlonglong(0), browser, 1, 1, 1};

  // No display: the allow window counts as refused.
  QDBusMessage found = Find(client_, QStringLiteral("https://shop.example.org/cart"));
  EXPECT_EQ(Hr(found), kEAccessDenied);
  EXPECT_EQ(found.arguments().value(1).toInt(), 0);
  EXPECT_EQ(Hr(Helper(client_, QStringLiteral("FillInForm"), fill)), kEAccessDenied);
  EXPECT_EQ(Hr(Helper(client_, QStringLiteral("FormManager"), {qlonglong(0)})), kEAccessDenied);
  EXPECT_EQ(exporter.calls_answered(), 0) << "a refused caller's page is not read";
  EXPECT_EQ(page->Serialize().find("correct horse"), std::string::npos);
  // What needs no trust still works.
  EXPECT_EQ(Hr(Helper(client_, QStringLiteral("AutoRecordLogin"), {})), 0);

  // The user's allowance, as a Yes in the window records it, counts at once.
  ASSERT_TRUE(AllowProgram(testing::ThisExecutable()));
  found = Find(client_, QStringLiteral("https://shop.example.org/cart"));
  EXPECT_EQ(Hr(found), 0);
  EXPECT_EQ(found.arguments().value(1).toInt(), 1);
  EXPECT_EQ(Hr(Helper(client_, QStringLiteral("FillInForm"), fill)), 0);
  EXPECT_NE(page->Serialize().find("value=\"ann\""), std::string::npos);
}

TEST_F(TrustTest, OneConnectionAsksAboutABoundedNumberOfSitesAMinute) {
  ASSERT_TRUE(AllowProgram(testing::ThisExecutable()));
  helper_ = CreateBarHelper(client_);
  ASSERT_EQ(helper_.hr, 0);
  auto site = [](int i) { return QStringLiteral("https://site%1.example/").arg(i); };
  for (int i = 0; i < kMaxSitesPerMinute; ++i) {
    ASSERT_EQ(Hr(Find(client_, site(i))), 0) << i;
  }
  EXPECT_EQ(Hr(Find(client_, site(kMaxSitesPerMinute))), kEAccessDenied);
  EXPECT_EQ(Hr(Find(client_, site(3))), 0) << "a site already asked about";
  EXPECT_EQ(Hr(Find(client_, QStringLiteral("https://SITE3.example:443/other"))), 0);
  // Another connection has a bound of its own.
  QDBusConnection other = Connect(QStringLiteral("trust-other"));
  Instance second = CreateBarHelper(other);
  ASSERT_EQ(second.hr, 0);
  EXPECT_EQ(Hr(Call(other, kBarHelperName, second.path, QStringLiteral("ZRForm.IZRBarHelper"),
                    QStringLiteral("FindPasswordByURL"), {site(kMaxSitesPerMinute)})),
            0);
  Release(other, kBarHelperName, second.path);
}

// Owns a name and answers every call with S_OK (CreateInstance with an
// object), recording the members called.
class Squatter : public QDBusVirtualObject {
 public:
  QStringList members;
  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    members << message.member();
    QDBusMessage reply = message.createReply();
    reply << 0;
    if (message.member() == QLatin1String("CreateInstance")) {
      reply << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/ZRBarHelper")));
    }
    return connection.send(reply);
  }
};

struct ZrbarRun {
  int status = -1;
  QString err;
};

// Runs zrbar while this process keeps serving the bus.
ZrbarRun RunZrbar(const QStringList& arguments) {
  QProcess zrbar;
  zrbar.start(QStringLiteral(ZRBAR_EXE), arguments);
  PumpUntil([&] { return zrbar.state() == QProcess::NotRunning; }, milliseconds(60000));
  ZrbarRun run;
  if (zrbar.state() != QProcess::NotRunning) {
    zrbar.kill();
    zrbar.waitForFinished();
    return run;
  }
  run.status = zrbar.exitStatus() == QProcess::NormalExit ? zrbar.exitCode() : -1;
  run.err = QString::fromUtf8(zrbar.readAllStandardError());
  return run;
}

TEST_F(TrustTest, ZrbarHandsNoPageToAProgramThatOwnsTheServerName) {
  testing::TempDir folder;
  std::string page = folder.File("login.html");
  ASSERT_TRUE(testing::WriteFile(
      page, R"(<form><input name="user" value="ann"><input type="password" name="pw"
                 value="typed secret"></form>)"));
  const QStringList record = {QStringLiteral("record"), QString::fromStdString(page),
                              QStringLiteral("--url"), QStringLiteral("https://mail.example.com/")};

  QDBusConnection squatting = Connect(QStringLiteral("squatter"));
  Squatter squatter;
  ASSERT_TRUE(
      squatting.registerVirtualObject(QStringLiteral("/"), &squatter, QDBusConnection::SubPath));
  ASSERT_TRUE(squatting.registerService(kBarHelperName));
  ZrbarRun refused = RunZrbar(record);
  EXPECT_EQ(refused.status, 3);
  EXPECT_TRUE(refused.err.contains("is not the registered ZRForm server"))
      << refused.err.toStdString();
  EXPECT_FALSE(squatter.members.contains(QStringLiteral("RecordPassword")))
      << squatter.members.join(' ').toStdString();
  EXPECT_FALSE(refused.err.contains("typed secret"));
  squatting.unregisterService(kBarHelperName);
  squatting.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);

  // The real server, started by the bus: zrbar (shipped beside it) is served.
  ZrbarRun served = RunZrbar(record);
  EXPECT_EQ(served.status, 0) << served.err.toStdString();
  EXPECT_FALSE(served.err.contains("E_ACCESSDENIED")) << served.err.toStdString();
}

}  // namespace
}  // namespace zr::bus_test
