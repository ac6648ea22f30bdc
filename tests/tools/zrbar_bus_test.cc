// zrbar as a user runs it, on a private session bus: against a scripted
// stand-in of the server's objects (the calls it makes, what it prints, the page
// it serves back and writes out), and with no server or no bus at all.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "pages/html_page.h"
#include "tests/support/trust_registry.h"
#include "tests/tools/zrbar_fake_server.h"

namespace zr {
namespace {

constexpr int kRunTimeoutMs = 30000;
constexpr char kPage[] = ZRBAR_PAGES_DIR "/two_forms.html";

struct ZrbarRun {
  int status = -1;
  QString out;
  QString err;
};

// Runs zrbar in folder while this process's event loop keeps serving the bus
// (the stand-in answers from it).
ZrbarRun RunZrbar(const QStringList& arguments, const QString& folder,
                  const QByteArray& input = {},
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProgram(QStringLiteral(ZRBAR_PATH));
  process.setArguments(arguments);
  process.setWorkingDirectory(folder);
  process.setProcessEnvironment(environment);
  process.start();
  ZrbarRun run;
  if (!process.waitForStarted()) return run;
  process.write(input);
  process.closeWriteChannel();
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(kRunTimeoutMs, &loop, &QEventLoop::quit);
  if (process.state() != QProcess::NotRunning) loop.exec();
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

QString PageUrl() { return QString::fromStdString(HtmlPage::FileUrl(kPage)); }

class ZrbarBusTest : public ::testing::Test {
 protected:
  // zrbar hands pages only to the registered server: the stand-in is registered.
  void SetUp() override { ASSERT_TRUE(testing::RegisterAsServer(testing::ThisExecutable())); }
  QTemporaryDir folder_;
};

FakeScript Answers(int hr, int out = 1) {
  FakeScript script;
  script.hr = hr;
  script.out = out;
  return script;
}

FakeScript Listing(const QList<QPair<int, QString>>& history) {
  FakeScript script;
  script.history = history;
  return script;
}

FakeScript CurrentFile(const QString& name) {
  FakeScript script;
  script.text = name;
  return script;
}

constexpr int kE_FAIL = static_cast<int>(0x80004005u);
constexpr int kE_OUTOFMEMORY = static_cast<int>(0x8007000Eu);

struct CallCase {
  QStringList arguments;
  FakeScript script;
  QByteArray input;
  QString out;          // standard output
  QStringList calls;    // between CreateInstance and Release; <page> is the page's
                        // address, <cwd> the folder zrbar runs in
};

TEST_F(ZrbarBusTest, MakesEachCallAndPrintsItsAnswer) {
  const QList<QPair<int, QString>> two = {{1, "example.com"}, {12, "news-today"}};
  const QString page = QLatin1String(kPage);
  const CallCase cases[] = {
      {{"find-password", "https://mail.example.com/login"}, Answers(0, 1), {},
       "S_OK\npbRetVal=1\n", {"FindPasswordByURL https://mail.example.com/login"}},
      {{"auto-record-login"}, Answers(0, 0), {}, "S_OK\npVal=0\n", {"AutoRecordLogin"}},
      {{"auto-record-login"}, Answers(kE_OUTOFMEMORY), {}, "0x8007000E\n",
       {"AutoRecordLogin"}},
      {{"--hwnd", "77", "password-manager"}, {}, {}, "S_OK\n", {"PasswordManager hwnd=77"}},
      {{"form-manager", "--hwnd", "0x10"}, Answers(1), {}, "S_FALSE\n", {"FormManager hwnd=16"}},
      // RecordPassword's pbRet is shown only with S_OK: the server writes it only then.
      {{"--hwnd", "-2", "record", page, "--url", "https://mail.example.com/"}, Answers(1, 1),
       {}, "S_FALSE\n", {"RecordPassword hwnd=-2 url=https://mail.example.com/"}},
      {{"record", page}, Answers(0, 0), {}, "S_OK\npbRet=0\n", {"RecordPassword hwnd=0 url=<page>"}},
      {{"autorecord", page}, {}, {}, "S_OK\n", {"AutoRecord hwnd=0 url=<page> form=login"}},
      {{"autorecord", page, "--form", "1", "--url", "https://mail.example.com/join"}, {}, {},
       "S_OK\n", {"AutoRecord hwnd=0 url=https://mail.example.com/join form=signup"}},
      {{"autorecord", page, "--form", "2"}, Answers(1), {}, "S_FALSE\n",
       {"AutoRecord hwnd=0 url=<page> form=(none)"}},
      {{"fill", page, "--type", "work", "--auto"}, {}, {}, "S_OK\n",
       {"FillInForm hwnd=0 type=3 force=0 auto=1 url=<page>"}},
      {{"update-fields", "-"}, {}, "<HOME><Field name=\"Email\" value=\"courriel\"/></HOME>\n",
       "S_OK\n", {"UpdateFormFields <HOME><Field name=\"Email\" value=\"courriel\"/></HOME>\n"}},
      {{"history", "add", "Wetter über Köln", "-3"}, Answers(1), {}, "S_FALSE\n",
       {"AddItem Wetter über Köln -3"}},
      {{"history", "count"}, Listing(two), {}, "S_OK\npVal=2\n", {"Count"}},
      {{"history", "item", "2"}, Listing(two), {}, "S_OK\npnType=12\npVal=news-today\n",
       {"Item 2"}},
      {{"history", "item", "3"}, Listing(two), {}, "E_FAIL\n", {"Item 3"}},
      {{"history", "list"}, Listing({{1, "example.com"}, {12, "two\nlines\\"}}), {},
       "S_OK\npnType=1\npVal=example.com\npnType=12\npVal=two\\nlines\\\\\n",
       {"Count", "Item 1", "Item 2"}},
      {{"history", "list"}, {}, {}, "S_OK\n", {"Count"}},
      {{"history", "clear"}, Listing(two), {}, "S_OK\n", {"ClearAll"}},
      {{"history", "save"}, {}, {}, "S_OK\n", {"Save '' 0"}},
      {{"history", "save", "copy.txt"}, {}, {}, "S_OK\n", {"Save '<cwd>/copy.txt' 0"}},
      {{"history", "load", "/tmp/zr/../History.txt"}, Answers(kE_FAIL), {},
       "E_FAIL\n", {"Load /tmp/History.txt 0"}},
      {{"history", "cur-file"}, CurrentFile("/home/ann/.local/share/ZRForm/History.txt"), {},
       "S_OK\nppszFileName=/home/ann/.local/share/ZRForm/History.txt\n", {"GetCurFile"}},
  };
  for (const CallCase& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    FakeServer server;
    server.script = c.script;
    ASSERT_TRUE(server.Start());
    ZrbarRun run = RunZrbar(c.arguments, folder_.path(), c.input);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    QString out = c.out;
    EXPECT_EQ(run.out.toStdString(), out.replace("<page>", PageUrl()).toStdString());
    bool history = c.arguments[0] == "history";
    QStringList calls = {history ? "CreateInstance ZRForm.IHistory outer=0"
                                 : "CreateInstance ZRForm.IZRBarHelper outer=0"};
    for (QString call : c.calls) calls << call.replace("<page>", PageUrl()).replace("<cwd>", folder_.path());
    calls << "Release";
    EXPECT_EQ(server.calls.join('|').toStdString(), calls.join('|').toStdString());
  }
}

TEST_F(ZrbarBusTest, WritesTheFilledPageToOut) {
  FakeServer server;
  server.script.fill_value = QStringLiteral("ann@example.com");
  ASSERT_TRUE(server.Start());
  QString out = folder_.filePath("filled.html");
  ZrbarRun run = RunZrbar({"--hwnd", "5", "fill", kPage, "--type", "password", "--force", "--out", out},
                          folder_.path());
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "S_OK\n");
  ASSERT_EQ(server.calls.size(), 3) << server.calls.join('\n').toStdString();
  EXPECT_EQ(server.calls[1], "FillInForm hwnd=5 type=1 force=1 auto=0 url=" + PageUrl());

  std::unique_ptr<HtmlPage> filled = HtmlPage::Open(out.toStdString());
  ASSERT_TRUE(filled);
  auto user = filled->Document()->Forms()->At(0)->Inputs()->At(0);
  ASSERT_TRUE(user);
  EXPECT_EQ(user->Name(), "user");
  EXPECT_EQ(user->Value(), "ann@example.com");
  // The page the user gave is left as it was.
  EXPECT_EQ(HtmlPage::Open(kPage)->Document()->Forms()->At(0)->Inputs()->At(0)->Value(), "");
}

TEST_F(ZrbarBusTest, FailsWithoutCallingWhenALocalFileIsBad) {
  QFile latin1(folder_.filePath("latin1.xml"));
  ASSERT_TRUE(latin1.open(QIODevice::WriteOnly));
  latin1.write("<HOME><Field name=\"Stra\xDF" "e\" value=\"street\"/></HOME>");
  latin1.close();
  const struct {
    QStringList arguments;
    int status;
    const char* message;
  } cases[] = {
      {{"record", folder_.filePath("missing.html")}, 1, "cannot read the page"},
      {{"update-fields", folder_.filePath("missing.xml")}, 1, "cannot read"},
      {{"update-fields", latin1.fileName()}, 1, "is not UTF-8 text"},
      {{"fill", kPage}, 2, "--type password|home|work is required"},
      {{"history", "item", "first"}, 2, "N must be a 32-bit whole number"},
      {{"record", kPage, "--out", "x.html"}, 2, "--out does not apply to record"},
      {{}, 2, "no command given"},
  };
  FakeServer server;
  ASSERT_TRUE(server.Start());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    ZrbarRun run = RunZrbar(c.arguments, folder_.path());
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    EXPECT_EQ(run.err.contains("usage: zrbar"), c.status == 2);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(server.calls.join('|').toStdString(), "") << "the server is not even reached";

  ZrbarRun help = RunZrbar({"--help"}, folder_.path());
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.startsWith("usage: zrbar")) << help.out.toStdString();
}

TEST_F(ZrbarBusTest, ReportsAFailureAfterTheCallWasAnswered) {
  FakeServer server;
  ASSERT_TRUE(server.Start());
  // A page that cannot be written: the answer is printed, the status says so.
  ZrbarRun unwritable = RunZrbar(
      {"fill", kPage, "--type", "home", "--out", folder_.filePath("no/such/folder/out.html")},
      folder_.path());
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.out, "S_OK\n");
  EXPECT_TRUE(unwritable.err.contains("cannot write")) << unwritable.err.toStdString();

  // A bus error instead of an answer: nothing printed, the instance still released.
  server.calls.clear();
  server.script.bus_error = true;
  ZrbarRun refused = RunZrbar({"auto-record-login"}, folder_.path());
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_TRUE(refused.err.contains("scripted failure")) << refused.err.toStdString();
  EXPECT_EQ(server.calls.join('|'),
            "CreateInstance ZRForm.IZRBarHelper outer=0|AutoRecordLogin|Release");
}

TEST_F(ZrbarBusTest, ExitsWithThreeWhenNoObjectIsMade) {
  FakeServer server;
  server.script.create_hr = kE_FAIL;
  ASSERT_TRUE(server.Start());
  ZrbarRun run = RunZrbar({"history", "count"}, folder_.path());
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(run.err.contains("CreateInstance gave E_FAIL")) << run.err.toStdString();
  EXPECT_EQ(server.calls.join('|'), "CreateInstance ZRForm.IHistory outer=0");
}

TEST_F(ZrbarBusTest, ExitsWithThreeWhenTheServerCannotBeReached) {
  QProcessEnvironment no_bus = QProcessEnvironment::systemEnvironment();
  no_bus.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder_.filePath("no-bus-here"));
  no_bus.remove("DISPLAY");  // no X11 autolaunch of a bus either

  // A service file whose program fails: the bus cannot activate the server.
  // It goes into the private bus's data folder (run_on_bus.sh makes one).
  if (qEnvironmentVariable("ZR_TEST_SCRATCH").isEmpty()) GTEST_SKIP() << "needs run_on_bus.sh";
  QString services = qEnvironmentVariable("XDG_DATA_HOME") + "/dbus-1/services";
  ASSERT_TRUE(QDir().mkpath(services));
  QFile service(services + "/ZRForm.History.service");
  ASSERT_TRUE(service.open(QIODevice::WriteOnly));
  service.write("[D-BUS Service]\nName=ZRForm.History\nExec=/bin/false\n");
  service.close();

  const struct {
    QStringList arguments;
    QProcessEnvironment environment;
    const char* message;
  } cases[] = {
      {{"auto-record-login"}, QProcessEnvironment::systemEnvironment(),
       "cannot reach the ZRForm server at ZRForm.ZRBarHelper"},
      {{"record", kPage}, QProcessEnvironment::systemEnvironment(), "ServiceUnknown"},
      {{"history", "list"}, QProcessEnvironment::systemEnvironment(), "Spawn"},
      {{"find-password", "https://e.com/"}, no_bus, "no session bus"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    ZrbarRun run = RunZrbar(c.arguments, folder_.path(), {}, c.environment);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
  }
  service.remove();
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  // The stand-in server answers from this application's event loop.
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
