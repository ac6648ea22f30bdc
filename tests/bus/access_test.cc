// Who can reach the server and what it lets out: the session bus refuses a
// connection from another user, and no password or master password appears
// in anything the server or zrbar print.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

#include "bus_test_support.h"

namespace zr::bus_test {
namespace {

using std::chrono::milliseconds;

TEST(AccessTest, TheSessionBusRefusesAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user (setpriv)";
  RegisterServer();
  // The bus daemon authenticates each connection by its uid (EXTERNAL): a
  // process of uid 65534 is refused before it can ask for anything.
  QProcess intruder;
  intruder.setProcessChannelMode(QProcess::MergedChannels);
  intruder.start(QStringLiteral("setpriv"),
                 {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                  QStringLiteral("--clear-groups"), QStringLiteral("dbus-send"),
                  QStringLiteral("--session"), QStringLiteral("--print-reply"),
                  QStringLiteral("--dest=ZRForm.ZRBarHelper"),
                  QStringLiteral("/ZRBarHelper/ClassObject"),
                  QStringLiteral("ZRForm.IClassFactory.CreateInstance"),
                  QStringLiteral("boolean:false"), QStringLiteral("string:")});
  ASSERT_TRUE(intruder.waitForFinished(30000));
  QByteArray said = intruder.readAll();
  EXPECT_NE(intruder.exitCode(), 0) << said.toStdString();
  EXPECT_FALSE(said.contains("object path")) << said.toStdString();
  std::printf("another user: %s\n", said.trimmed().constData());
  // Nothing was started on its behalf.
  EXPECT_EQ(OwnerPid(Connect(QStringLiteral("owner")), kBarHelperName), 0u);
  // The same call from this user works.
  QProcess owner;
  owner.start(QStringLiteral("dbus-send"), intruder.arguments().mid(4));
  ASSERT_TRUE(owner.waitForFinished(30000));
  EXPECT_TRUE(owner.readAllStandardOutput().contains("/ZRBarHelper"));
}

// Runs zrbar; everything it printed.
QByteArray Zrbar(const QStringList& arguments) {
  QProcess zrbar;
  zrbar.setProcessChannelMode(QProcess::MergedChannels);
  zrbar.start(QStringLiteral(ZRBAR_EXE), arguments);
  zrbar.waitForFinished(60000);
  return zrbar.readAll();
}

TEST(AccessTest, NoPasswordIsEverPrinted) {
  // The sample's logins (passwords "correct horse", "battery staple") and a
  // page with a typed password; the server started here so that all it
  // prints is seen.
  WriteSampleData();
  // Registered, so that zrbar finds the server it may hand pages to.
  RegisterServer();
  QProcess server;
  server.setProcessChannelMode(QProcess::MergedChannels);
  server.start(QStringLiteral(ZRFORM_EXE), {QStringLiteral("-Embedding")});
  ASSERT_TRUE(server.waitForStarted());
  QDBusConnection watcher = Connect(QStringLiteral("watcher"));
  for (int i = 0; i < 500 && OwnerPid(watcher, kBarHelperName) == 0; ++i) Pump(milliseconds(20));

  std::string scratch = Scratch();
  std::string page = scratch + "/login.html";
  {
    std::FILE* file = std::fopen(page.c_str(), "w");
    std::fputs("<form name=\"login\"><input name=\"username\" value=\"ann\">"
               "<input type=\"password\" name=\"password\" value=\"Typed-Secret-7\"></form>",
               file);
    std::fclose(file);
  }
  QString page_path = QString::fromStdString(page);
  QString url = QStringLiteral("https://mail.example.com/login");
  QByteArray printed;
  printed += Zrbar({QStringLiteral("record"), page_path, QStringLiteral("--url"), url});
  printed += Zrbar({QStringLiteral("autorecord"), page_path, QStringLiteral("--url"), url});
  printed += Zrbar({QStringLiteral("fill"), page_path, QStringLiteral("--type"),
                    QStringLiteral("password"), QStringLiteral("--auto"), QStringLiteral("--url"),
                    url, QStringLiteral("--out"), QString::fromStdString(scratch + "/out.html")});
  printed += Zrbar({QStringLiteral("find-password"), url});
  printed += Zrbar({QStringLiteral("password-manager")});
  server.terminate();
  ASSERT_TRUE(server.waitForFinished(30000));
  printed += server.readAll();

  // The fill did write the stored password, into the page only.
  std::FILE* out = std::fopen((scratch + "/out.html").c_str(), "r");
  ASSERT_NE(out, nullptr);
  char buffer[4096] = {};
  std::fread(buffer, 1, sizeof buffer - 1, out);
  std::fclose(out);
  EXPECT_NE(std::string(buffer).find("correct horse"), std::string::npos);
  for (const char* secret : {"Typed-Secret-7", "correct horse", "battery staple"}) {
    EXPECT_FALSE(printed.contains(secret)) << secret << " in:\n" << printed.toStdString();
  }
  EXPECT_TRUE(printed.contains("S_OK"));  // the calls were made and printed
}

}  // namespace
}  // namespace zr::bus_test
