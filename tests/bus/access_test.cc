// Who can reach the server and what it lets out: the session bus refuses a
// connection from another user, and no password appears in anything the
// server or zrbar print.
#include <unistd.h>

#include <gtest/gtest.h>

#include "bus_support.h"
#include "tests/support/test_support.h"

namespace zr::bus_test {
namespace {

TEST(AccessTest, TheSessionBusRefusesAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user (setpriv)";
  RegisterServer();
  const QStringList send = {QStringLiteral("dbus-send"), QStringLiteral("--session"),
                            QStringLiteral("--print-reply"), QStringLiteral("--dest=ZRForm.ZRBarHelper"),
                            QStringLiteral("/ZRBarHelper/ClassObject"),
                            QStringLiteral("ZRForm.IClassFactory.CreateInstance"),
                            QStringLiteral("boolean:false"), QStringLiteral("string:")};
  QProcess intruder;
  intruder.setProcessChannelMode(QProcess::MergedChannels);
  intruder.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"),
                                                        QStringLiteral("--regid=65534"),
                                                        QStringLiteral("--clear-groups")} + send);
  ASSERT_TRUE(intruder.waitForFinished(30000));
  QByteArray said = intruder.readAll();
  EXPECT_NE(intruder.exitCode(), 0) << said.toStdString();
  EXPECT_FALSE(said.contains("object path")) << said.toStdString();
  EXPECT_EQ(OwnerPid(Connect(QStringLiteral("owner")), kBarHelperName), 0u) << "started for it";
  QProcess owner;
  owner.start(send.first(), send.mid(1));
  ASSERT_TRUE(owner.waitForFinished(30000));
  EXPECT_TRUE(owner.readAllStandardOutput().contains("/ZRBarHelper"));
}

TEST(AccessTest, NoPasswordIsEverPrinted) {
  // The sample's logins and a page with a typed password; the server is
  // started here so that all it prints is seen.
  WriteSampleData();
  // Registered, so that zrbar finds the server it may hand pages to.
  RegisterServer();
  QProcess server;
  server.setProcessChannelMode(QProcess::MergedChannels);
  server.start(QStringLiteral(ZRFORM_EXE), {QStringLiteral("-Embedding")});
  QDBusConnection watcher = Connect(QStringLiteral("watcher"));
  ASSERT_TRUE(WaitForOwner(watcher, kBarHelperName, true));
  const std::string page = Scratch() + "/login.html";
  const std::string out = Scratch() + "/out.html";
  ASSERT_TRUE(testing::WriteFile(page, "<form name=\"login\"><input name=\"username\" value=\"ann\">"
                                       "<input type=\"password\" name=\"password\" "
                                       "value=\"Typed-Secret-7\"></form>"));
  const QString p = QString::fromStdString(page);
  const QString url = QStringLiteral("https://mail.example.com/login");
  const QStringList commands[] = {
      {QStringLiteral("record"), p, QStringLiteral("--url"), url},
      {QStringLiteral("autorecord"), p, QStringLiteral("--url"), url},
      {QStringLiteral("fill"), p, QStringLiteral("--type"), QStringLiteral("password"),
       QStringLiteral("--auto"), QStringLiteral("--url"), url, QStringLiteral("--out"),
       QString::fromStdString(out)},
      {QStringLiteral("find-password"), url},
      {QStringLiteral("password-manager")},
  };
  QByteArray printed;
  for (const QStringList& arguments : commands) {
    QProcess zrbar;
    zrbar.setProcessChannelMode(QProcess::MergedChannels);
    zrbar.start(QStringLiteral(ZRBAR_EXE), arguments);
    zrbar.waitForFinished(60000);
    printed += zrbar.readAll();
  }
  server.terminate();
  ASSERT_TRUE(server.waitForFinished(30000));
  printed += server.readAll();
  // The fill did write the stored password, into the page only.
  EXPECT_NE(testing::ReadFile(out).find("correct horse"), std::string::npos);
  for (const char* secret : {"Typed-Secret-7", "correct horse", "battery staple"}) {
    EXPECT_FALSE(printed.contains(secret)) << secret << " in:\n" << printed.toStdString();
  }
  EXPECT_TRUE(printed.contains("S_OK"));  // the calls were made and printed
}

}  // namespace
}  // namespace zr::bus_test
