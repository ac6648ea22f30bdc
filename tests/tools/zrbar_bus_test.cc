// zrbar as a user runs it, on a private session bus: against a scripted
// stand-in of the server's objects (the calls it makes, what it prints, the page
// it serves back and writes out), and with no server or no bus at all.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>

#include "pages/html_page.h"
#include "resources/interface_files.h"
#include "tests/support/trust_registry.h"

namespace zr {
namespace {

constexpr int kRunTimeoutMs = 30000;
constexpr int kCallBackTimeoutMs = 5000;
constexpr int kE_FAIL = static_cast<int>(0x80004005u);
constexpr int kE_OUTOFMEMORY = static_cast<int>(0x8007000Eu);
constexpr char kPage[] = ZRBAR_PAGES_DIR "/two_forms.html";

struct FakeScript {
  int create_hr = 0;       // CreateInstance's result
  int hr = 0;              // every other member's result
  int out = 1;             // every whole-number out value but the history's
  QString text;            // GetCurFile's name
  QString fill_value;      // what FillInForm puts into the first input of the first form
  bool bus_error = false;  // members answer with a bus error instead
  QList<QPair<int, QString>> history;  // behind Count, Item, AddItem and ClearAll
};

struct Arg {
  QString name, type;
  bool out;
};

// A scripted stand-in for the server's bus objects, built from the interface
// descriptions the server installs: each member takes and answers the
// arguments its description gives, records "Member name=value ...", and
// answers the script's values. Object arguments are shown by calling back
// into the caller's page: a document's address, a browser's document's
// address, a form's name.
class FakeServer : public QDBusVirtualObject {
 public:
  FakeServer() {
    for (const InterfaceFile& file : InterfaceFiles()) {
      QXmlStreamReader xml(QByteArray(file.text.data(), static_cast<qsizetype>(file.text.size())));
      QString interface, method;
      while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto attribute = [&](const char* name) {
          return xml.attributes().value(QLatin1String(name)).toString();
        };
        if (xml.name() == u"interface") interface = attribute("name");
        if (xml.name() == u"method") method = attribute("name");
        if (xml.name() == u"arg") {
          members_[interface + '.' + method].push_back(
              {attribute("name"), attribute("type"), attribute("direction") == u"out"});
        }
      }
    }
  }
  ~FakeServer() override {
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const char* name : {"ZRForm.ZRBarHelper", "ZRForm.History"}) bus.unregisterService(name);
    for (const char* path : {"/ZRBarHelper", "/History"})
      bus.unregisterObject(path, QDBusConnection::UnregisterTree);
  }
  // Serves both objects (and their class objects) under both bus names.
  [[nodiscard]] bool Start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return !members_.isEmpty() &&
           bus.registerVirtualObject("/ZRBarHelper", this, QDBusConnection::SubPath) &&
           bus.registerVirtualObject("/History", this, QDBusConnection::SubPath) &&
           bus.registerService("ZRForm.ZRBarHelper") && bus.registerService("ZRForm.History");
  }
  QString introspect(const QString&) const override { return {}; }

  bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
    const auto found = members_.constFind(call.interface() + '.' + call.member());
    if (found == members_.cend()) return false;
    const QString member = call.member();
    QStringList shown = {member};
    QList<QVariant> in = call.arguments();
    for (const Arg& arg : *found) {
      if (arg.out || in.isEmpty()) continue;
      QVariant value = in.takeFirst();
      QString text = value.toString();
      if (arg.type == u"b") text = QString::number(value.toBool());
      if (arg.type == u"o") text = Describe(call, bus, value.value<QDBusObjectPath>().path());
      shown << arg.name + '=' + text;
    }
    if (member == u"FillInForm" && !script.fill_value.isEmpty())
      Fill(call, bus, call.arguments()[1]);
    calls << shown.join(' ');
    if (script.bus_error && member != u"CreateInstance" && member != u"Release") {
      bus.send(call.createErrorReply("org.example.Scripted", "scripted failure"));
      return true;
    }
    const int index = call.arguments().value(0).toInt();
    if (member == u"AddItem")
      script.history.append({call.arguments()[1].toInt(), call.arguments()[0].toString()});
    if (member == u"ClearAll") script.history.clear();
    const bool in_list = index >= 1 && index <= script.history.size();
    QList<QVariant> reply;
    for (const Arg& arg : *found) {
      if (!arg.out) continue;
      if (arg.name == u"hr") {
        reply << (member == u"CreateInstance"     ? script.create_hr
                  : member == u"Item" && !in_list ? kE_FAIL
                                                  : script.hr);
      } else if (arg.type == u"o") {
        reply << QVariant::fromValue(QDBusObjectPath(
            script.create_hr == 0 ? call.path().section('/', 0, 1) : QStringLiteral("/")));
      } else if (arg.type == u"u") {
        reply << 0u;
      } else if (arg.type == u"i") {
        reply << (member == u"Count"  ? static_cast<int>(script.history.size())
                  : member == u"Item" ? (in_list ? script.history[index - 1].first : 0)
                                      : script.out);
      } else {
        reply << (member == u"Item" ? (in_list ? script.history[index - 1].second : QString())
                                    : script.text);
      }
    }
    bus.send(call.createReply(reply));
    return true;
  }

  FakeScript script;
  QStringList calls;  // in the order they came

 private:
  // A call back into the caller's object at path; the reply's first
  // argument, or nothing when it failed.
  QVariant CallBack(const QDBusMessage& call, const QDBusConnection& bus, const QString& path,
                    const QString& interface, const QString& member,
                    const QList<QVariant>& arguments = {}) {
    QDBusMessage back =
        QDBusMessage::createMethodCall(call.service(), path, "ZRForm.Page." + interface, member);
    back.setArguments(arguments);
    QDBusMessage reply = bus.call(back, QDBus::Block, kCallBackTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0) : QVariant();
  }
  QString Path(const QVariant& reply) {
    return reply.isValid() ? reply.value<QDBusObjectPath>().path() : QStringLiteral("/");
  }
  QString Describe(const QDBusMessage& call, const QDBusConnection& bus, const QString& path) {
    if (path == u"/") return QStringLiteral("(none)");
    for (const QString& document : {path, Path(CallBack(call, bus, path, "Browser", "Document"))}) {
      QVariant url = CallBack(call, bus, document, "Document", "Url");
      if (url.isValid()) return url.toString();
    }
    QVariant name = CallBack(call, bus, path, "Form", "Name");
    return name.isValid() ? name.toString() : QStringLiteral("(unknown)");
  }
  // Puts fill_value into the first input of the first form, reached the way the server walks a
  // page.
  void Fill(const QDBusMessage& call, const QDBusConnection& bus, const QVariant& browser) {
    QString document = Path(CallBack(call, bus, Path(browser), "Browser", "Document"));
    QString forms = Path(CallBack(call, bus, document, "Document", "Forms"));
    QString form = Path(CallBack(call, bus, forms, "Collection", "Item", {0}));
    QString inputs = Path(CallBack(call, bus, form, "Form", "Tags", {QStringLiteral("INPUT")}));
    QString input = Path(CallBack(call, bus, inputs, "Collection", "Item", {0}));
    CallBack(call, bus, input, "Input", "PutValue", {script.fill_value});
  }

  QHash<QString, QList<Arg>> members_;  // by "interface.member", in order
};

struct ZrbarRun {
  int status = -1;
  QString out;
  QString err;
};

// Runs zrbar in folder while this process's event loop keeps serving the bus
// (the stand-in answers from it).
ZrbarRun RunZrbar(
    const QStringList& arguments, const QString& folder, const QByteArray& input = {},
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

struct CallCase {
  QStringList arguments;
  FakeScript script;
  QByteArray input;
  QString out;        // standard output
  QStringList calls;  // between CreateInstance and Release; <page> is the page's
                      // address, <cwd> the folder zrbar runs in
};

TEST_F(ZrbarBusTest, MakesEachCallAndPrintsItsAnswer) {
  const QList<QPair<int, QString>> two = {{1, "example.com"}, {12, "news-today"}};
  const QString page = QLatin1String(kPage);
  using S = FakeScript;
  // clang-format off
  const CallCase cases[] = {
      {{"find-password", "https://e.com/login"}, S{.out = 1}, {}, "S_OK\npbRetVal=1\n",
       {"FindPasswordByURL bstrURL=https://e.com/login"}},
      {{"auto-record-login"}, S{.out = 0}, {}, "S_OK\npVal=0\n", {"AutoRecordLogin"}},
      {{"auto-record-login"}, S{.hr = kE_OUTOFMEMORY}, {}, "0x8007000E\n", {"AutoRecordLogin"}},
      {{"--hwnd", "77", "password-manager"}, {}, {}, "S_OK\n", {"PasswordManager hWnd=77"}},
      {{"form-manager", "--hwnd", "0x10"}, S{.hr = 1}, {}, "S_FALSE\n", {"FormManager hWnd=16"}},
      // RecordPassword's pbRet is shown only with S_OK: the server writes it only then.
      {{"--hwnd", "-2", "record", page, "--url", "https://e.com/"}, S{.hr = 1}, {},
       "S_FALSE\n", {"RecordPassword hWnd=-2 pUnkWebBrowser=https://e.com/"}},
      {{"record", page}, S{.out = 0}, {}, "S_OK\npbRet=0\n",
       {"RecordPassword hWnd=0 pUnkWebBrowser=<page>"}},
      {{"autorecord", page}, {}, {}, "S_OK\n",
       {"AutoRecord hWnd=0 pUnkDocument=<page> pUnkSrc=login"}},
      {{"autorecord", page, "--form", "1", "--url", "https://e.com/join"}, {}, {}, "S_OK\n",
       {"AutoRecord hWnd=0 pUnkDocument=https://e.com/join pUnkSrc=signup"}},
      {{"autorecord", page, "--form", "2"}, S{.hr = 1}, {}, "S_FALSE\n",
       {"AutoRecord hWnd=0 pUnkDocument=<page> pUnkSrc=(none)"}},
      {{"fill", page, "--type", "work", "--auto"}, {}, {}, "S_OK\n",
       {"FillInForm hWnd=0 pUnkWebBrowser=<page> type=3 bForceFillIn=0 bAutoFillIn=1"}},
      {{"update-fields", "-"}, {}, "<HOME><Field name=\"E\" value=\"é\"/></HOME>\n", "S_OK\n",
       {"UpdateFormFields bstrVal=<HOME><Field name=\"E\" value=\"é\"/></HOME>\n"}},
      {{"history", "add", "Wetter über Köln", "-3"}, S{.hr = 1}, {}, "S_FALSE\n",
       {"AddItem bstrString=Wetter über Köln nType=-3"}},
      {{"history", "count"}, S{.history = two}, {}, "S_OK\npVal=2\n", {"Count"}},
      {{"history", "item", "2"}, S{.history = two}, {}, "S_OK\npnType=12\npVal=news-today\n",
       {"Item nIndex=2"}},
      {{"history", "item", "3"}, S{.history = two}, {}, "E_FAIL\n", {"Item nIndex=3"}},
      {{"history", "list"}, S{.history = {{1, "example.com"}, {12, "two\nlines\\"}}}, {},
       "S_OK\npnType=1\npVal=example.com\npnType=12\npVal=two\\nlines\\\\\n",
       {"Count", "Item nIndex=1", "Item nIndex=2"}},
      {{"history", "list"}, {}, {}, "S_OK\n", {"Count"}},
      {{"history", "clear"}, S{.history = two}, {}, "S_OK\n", {"ClearAll"}},
      {{"history", "save"}, {}, {}, "S_OK\n", {"Save pszFileName= fRemember=0"}},
      {{"history", "save", "copy.txt"}, {}, {}, "S_OK\n",
       {"Save pszFileName=<cwd>/copy.txt fRemember=0"}},
      {{"history", "load", "/tmp/zr/../History.txt"}, S{.hr = kE_FAIL}, {}, "E_FAIL\n",
       {"Load pszFileName=/tmp/History.txt dwMode=0"}},
      {{"history", "cur-file"}, S{.text = "/home/ann/History.txt"}, {},
       "S_OK\nppszFileName=/home/ann/History.txt\n", {"GetCurFile"}},
  };
  // clang-format on
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
    QStringList calls = {history ? "CreateInstance bOuter=0 riid=ZRForm.IHistory"
                                 : "CreateInstance bOuter=0 riid=ZRForm.IZRBarHelper"};
    for (QString call : c.calls)
      calls << call.replace("<page>", PageUrl()).replace("<cwd>", folder_.path());
    calls << "Release";
    EXPECT_EQ(server.calls.join('|').toStdString(), calls.join('|').toStdString());
  }
}

TEST_F(ZrbarBusTest, WritesTheFilledPageToOut) {
  FakeServer server;
  server.script.fill_value = QStringLiteral("ann@example.com");
  ASSERT_TRUE(server.Start());
  QString out = folder_.filePath("filled.html");
  ZrbarRun run =
      RunZrbar({"--hwnd", "5", "fill", kPage, "--type", "password", "--force", "--out", out},
               folder_.path());
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, "S_OK\n");
  ASSERT_EQ(server.calls.size(), 3) << server.calls.join('\n').toStdString();
  EXPECT_EQ(server.calls[1], "FillInForm hWnd=5 pUnkWebBrowser=" + PageUrl() +
                                 " type=1 bForceFillIn=1 bAutoFillIn=0");

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
  latin1.write(
      "<HOME><Field name=\"Stra\xDF"
      "e\" value=\"street\"/></HOME>");
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
            "CreateInstance bOuter=0 riid=ZRForm.IZRBarHelper|AutoRecordLogin|Release");
}

TEST_F(ZrbarBusTest, ExitsWithThreeWhenNoObjectIsMade) {
  FakeServer server;
  server.script.create_hr = kE_FAIL;
  ASSERT_TRUE(server.Start());
  ZrbarRun run = RunZrbar({"history", "count"}, folder_.path());
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(run.err.contains("CreateInstance gave E_FAIL")) << run.err.toStdString();
  EXPECT_EQ(server.calls.join('|'), "CreateInstance bOuter=0 riid=ZRForm.IHistory");
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
      {{"auto-record-login"},
       QProcessEnvironment::systemEnvironment(),
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
