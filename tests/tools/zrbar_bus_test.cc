// zrbar as a user runs it, on a private session bus: against a scripted
// stand-in of the server's objects (made from the interface descriptions the
// server installs), and with no server or no bus at all.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "pages/html_page.h"
#include "resources/interface_files.h"
#include "tests/support/trust_registry.h"
#include "tests/support/zrbar_process.h"

namespace zr {
namespace {

constexpr int kE_FAIL = static_cast<int>(0x80004005u);
constexpr char kPage[] = ZRBAR_PAGES_DIR "/two_forms.html";
using History = QList<QPair<int, QString>>;

struct Script {
  int create_hr = 0;  // CreateInstance's result
  int hr = 0;         // every other member's result
  int out = 1;        // every whole-number out value but the history's
  QString text;       // GetCurFile's name
  QString fill;       // what FillInForm puts into the first input of the first form
  bool bus_error = false;
  History history;    // behind Count, Item, AddItem and ClearAll
};

// Serves both objects under both names. Each member takes the arguments its
// interface description gives and records "Member name=value ...": object
// arguments are shown by calling back into the caller's page (a document's
// or browser's address, a form's name).
class FakeServer : public QDBusVirtualObject {
 public:
  FakeServer() {
    for (const InterfaceFile& file : InterfaceFiles()) {
      QXmlStreamReader xml(QByteArray(file.text.data(), static_cast<qsizetype>(file.text.size())));
      QString interface, method;
      while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        auto at = [&](const char* name) { return xml.attributes().value(QLatin1String(name)).toString(); };
        if (xml.name() == u"interface") interface = at("name");
        if (xml.name() == u"method") method = at("name");
        if (xml.name() == u"arg") args_[interface + '.' + method].push_back({at("name"), at("type"), at("direction") == u"out"});
      }
    }
  }
  ~FakeServer() override {
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const char* name : {"ZRForm.ZRBarHelper", "ZRForm.History"}) bus.unregisterService(name);
    for (const char* path : {"/ZRBarHelper", "/History"}) bus.unregisterObject(path, QDBusConnection::UnregisterTree);
  }
  [[nodiscard]] bool Start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return !args_.isEmpty() && bus.registerVirtualObject("/ZRBarHelper", this, QDBusConnection::SubPath) &&
           bus.registerVirtualObject("/History", this, QDBusConnection::SubPath) &&
           bus.registerService("ZRForm.ZRBarHelper") && bus.registerService("ZRForm.History");
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
    auto found = args_.constFind(call.interface() + '.' + call.member());
    if (found == args_.cend()) return false;
    const QString member = call.member();
    QStringList shown = {member};
    QList<QVariant> in = call.arguments();
    for (const Arg& arg : *found) {
      if (arg.out || in.isEmpty()) continue;
      QVariant value = in.takeFirst();
      QString text = arg.type == u"b" ? QString::number(value.toBool()) : value.toString();
      if (arg.type == u"o") text = Describe(call, bus, value.value<QDBusObjectPath>().path());
      shown << arg.name + '=' + text;
    }
    if (member == u"FillInForm" && !script.fill.isEmpty()) Fill(call, bus, call.arguments()[1]);
    calls << shown.join(' ');
    if (script.bus_error && member != u"CreateInstance" && member != u"Release") {
      return bus.send(call.createErrorReply("org.example.Scripted", "scripted failure"));
    }
    const int index = call.arguments().value(0).toInt();
    if (member == u"AddItem") script.history.append({call.arguments()[1].toInt(), call.arguments()[0].toString()});
    if (member == u"ClearAll") script.history.clear();
    const bool listed = index >= 1 && index <= script.history.size();
    QList<QVariant> reply;
    for (const Arg& arg : *found) {
      if (!arg.out) continue;
      if (arg.name == u"hr") {
        reply << (member == u"CreateInstance" ? script.create_hr : member == u"Item" && !listed ? kE_FAIL : script.hr);
      } else if (arg.type == u"o") {
        reply << QVariant::fromValue(QDBusObjectPath(script.create_hr == 0 ? call.path().section('/', 0, 1) : "/"));
      } else if (arg.type == u"u") {
        reply << 0u;
      } else if (arg.type == u"i") {
        reply << (member == u"Count" ? static_cast<int>(script.history.size())
                  : member == u"Item" ? (listed ? script.history[index - 1].first : 0) : script.out);
      } else {
        reply << (member == u"Item" ? (listed ? script.history[index - 1].second : QString()) : script.text);
      }
    }
    return bus.send(call.createReply(reply));
  }

  Script script;
  QStringList calls;

 private:
  struct Arg {
    QString name, type;
    bool out;
  };
  QVariant Back(const QDBusMessage& call, const QDBusConnection& bus, const QString& path,
                const QString& iface, const QString& member, const QList<QVariant>& arguments = {}) {
    QDBusMessage back = QDBusMessage::createMethodCall(call.service(), path, "ZRForm.Page." + iface, member);
    back.setArguments(arguments);
    QDBusMessage reply = bus.call(back, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0) : QVariant();
  }
  static QString P(const QVariant& v) { return v.isValid() ? v.value<QDBusObjectPath>().path() : "/"; }
  QString Describe(const QDBusMessage& call, const QDBusConnection& bus, const QString& path) {
    if (path == u"/") return QStringLiteral("(none)");
    for (const QString& document : {path, P(Back(call, bus, path, "Browser", "Document"))}) {
      QVariant url = Back(call, bus, document, "Document", "Url");
      if (url.isValid()) return url.toString();
    }
    QVariant name = Back(call, bus, path, "Form", "Name");
    return name.isValid() ? name.toString() : QStringLiteral("(unknown)");
  }
  // Walks to the first input of the first form the way the server does.
  void Fill(const QDBusMessage& call, const QDBusConnection& bus, const QVariant& browser) {
    QString at = P(Back(call, bus, P(browser), "Browser", "Document"));
    at = P(Back(call, bus, P(Back(call, bus, at, "Document", "Forms")), "Collection", "Item", {0}));
    at = P(Back(call, bus, P(Back(call, bus, at, "Form", "Tags", {"INPUT"})), "Collection", "Item", {0}));
    Back(call, bus, at, "Input", "PutValue", {script.fill});
  }
  QHash<QString, QList<Arg>> args_;
};

class ZrbarBusTest : public ::testing::Test {
 protected:
  // zrbar hands pages only to the registered server: the stand-in is registered.
  void SetUp() override { ASSERT_TRUE(testing::RegisterAsServer(testing::ThisExecutable())); }
  testing::ZrbarRun Run(const QStringList& arguments, const QByteArray& input = {},
                        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    return testing::RunZrbar(ZRBAR_PATH, arguments, folder_.path(), input, env);
  }
  QTemporaryDir folder_;
};

TEST_F(ZrbarBusTest, MakesEachCallAndPrintsItsAnswer) {
  const History two = {{1, "example.com"}, {12, "two\nlines\\"}};
  const QString page = QLatin1String(kPage);
  const struct {
    QStringList arguments;
    int hr, out;
    History history;
    QByteArray input;
    QString printed;  // <page>: the page's address
    QStringList calls;  // between CreateInstance and Release; <cwd>: zrbar's folder
  } cases[] = {
      {{"find-password", "https://e.com/login"}, 0, 1, {}, {}, "S_OK\npbRetVal=1\n", {"FindPasswordByURL bstrURL=https://e.com/login"}},
      {{"--hwnd", "-2", "record", page, "--url", "https://e.com/"}, 1, 1, {}, {}, "S_FALSE\n", {"RecordPassword hWnd=-2 pUnkWebBrowser=https://e.com/"}},
      {{"autorecord", page, "--form", "1", "--url", "https://e.com/join"}, 0, 1, {}, {}, "S_OK\n", {"AutoRecord hWnd=0 pUnkDocument=https://e.com/join pUnkSrc=signup"}},
      {{"fill", page, "--type", "work", "--auto"}, 0, 1, {}, {}, "S_OK\n", {"FillInForm hWnd=0 pUnkWebBrowser=<page> type=3 bForceFillIn=0 bAutoFillIn=1"}},
      {{"update-fields", "-"}, 0, 1, {}, "<HOME><Field name=\"E\" value=\"é\"/></HOME>\n", "S_OK\n", {"UpdateFormFields bstrVal=<HOME><Field name=\"E\" value=\"é\"/></HOME>\n"}},
      {{"history", "list"}, 0, 1, two, {}, "S_OK\npnType=1\npVal=example.com\npnType=12\npVal=two\\nlines\\\\\n", {"Count", "Item nIndex=1", "Item nIndex=2"}},
      {{"history", "save", "copy.txt"}, 0, 1, {}, {}, "S_OK\n", {"Save pszFileName=<cwd>/copy.txt fRemember=0"}},
      {{"history", "load", "/tmp/zr/../History.txt"}, kE_FAIL, 1, {}, {}, "E_FAIL\n", {"Load pszFileName=/tmp/History.txt dwMode=0"}},
  };
  const QString url = QString::fromStdString(HtmlPage::FileUrl(kPage));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    FakeServer server;
    server.script.hr = c.hr;
    server.script.out = c.out;
    server.script.history = c.history;
    ASSERT_TRUE(server.Start());
    testing::ZrbarRun run = Run(c.arguments, c.input);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), QString(c.printed).replace("<page>", url).toStdString());
    QStringList calls = {c.arguments[0] == "history" ? "CreateInstance bOuter=0 riid=ZRForm.IHistory"
                                                     : "CreateInstance bOuter=0 riid=ZRForm.IZRBarHelper"};
    for (QString call : c.calls) calls << call.replace("<page>", url).replace("<cwd>", folder_.path());
    EXPECT_EQ(server.calls.join('|').toStdString(), (calls << "Release").join('|').toStdString());
  }
}

TEST_F(ZrbarBusTest, WritesTheFilledPageToOutAndLeavesTheGivenPage) {
  FakeServer server;
  server.script.fill = QStringLiteral("ann@example.com");
  ASSERT_TRUE(server.Start());
  QString out = folder_.filePath("filled.html");
  testing::ZrbarRun run = Run({"fill", kPage, "--type", "password", "--force", "--out", out});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  std::unique_ptr<HtmlPage> filled = HtmlPage::Open(out.toStdString());
  ASSERT_TRUE(filled);
  EXPECT_EQ(filled->Document()->Forms()->At(0)->Inputs()->At(0)->Value(), "ann@example.com");
  EXPECT_EQ(HtmlPage::Open(kPage)->Document()->Forms()->At(0)->Inputs()->At(0)->Value(), "");
}

// Exit status 1: a local file or the call failed; 2: bad usage (with the
// usage text); 3: no server object. Nothing is printed on standard output
// unless the call was answered.
TEST_F(ZrbarBusTest, ExitStatusSaysWhatFailed) {
  QFile latin1(folder_.filePath("latin1.xml"));
  ASSERT_TRUE(latin1.open(QIODevice::WriteOnly));
  latin1.write("<HOME><Field name=\"Stra\xDF" "e\" value=\"street\"/></HOME>");
  latin1.close();
  const QString unwritable = folder_.filePath("no/such/folder/out.html");
  const struct {
    QStringList arguments;
    int create_hr;
    bool bus_error;
    int status;
    const char* printed;
    const char* message;
    const char* calls;  // the members called, "|"-joined
  } cases[] = {
      {{"record", folder_.filePath("missing.html")}, 0, false, 1, "", "cannot read the page", ""},
      {{"update-fields", latin1.fileName()}, 0, false, 1, "", "is not UTF-8 text", ""},
      {{"fill", kPage}, 0, false, 2, "", "--type password|home|work is required", ""},
      {{"history", "item", "first"}, 0, false, 2, "", "N must be a 32-bit whole number", ""},
      {{"fill", kPage, "--type", "home", "--out", unwritable}, 0, false, 1, "S_OK\n", "cannot write", "CreateInstance|FillInForm|Release"},
      {{"auto-record-login"}, 0, true, 1, "", "scripted failure", "CreateInstance|AutoRecordLogin|Release"},
      {{"history", "count"}, kE_FAIL, false, 3, "", "CreateInstance gave E_FAIL", "CreateInstance"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    FakeServer server;
    server.script.create_hr = c.create_hr;
    server.script.bus_error = c.bus_error;
    ASSERT_TRUE(server.Start());
    testing::ZrbarRun run = Run(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.printed);
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    EXPECT_EQ(run.err.contains("usage: zrbar"), c.status == 2);
    QStringList members;
    for (const QString& call : server.calls) members << call.section(' ', 0, 0);
    EXPECT_EQ(members.join('|'), c.calls);
  }
}

TEST_F(ZrbarBusTest, ExitsWithThreeWhenTheServerCannotBeReached) {
  QProcessEnvironment no_bus = QProcessEnvironment::systemEnvironment();
  no_bus.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder_.filePath("no-bus-here"));
  no_bus.remove("DISPLAY");  // no X11 autolaunch of a bus either
  for (const auto& [arguments, environment, message] :
       {std::tuple{QStringList{"auto-record-login"}, QProcessEnvironment::systemEnvironment(),
                   "cannot reach the ZRForm server at ZRForm.ZRBarHelper"},
        {QStringList{"find-password", "https://e.com/"}, no_bus, "no session bus"}}) {
    testing::ZrbarRun run = Run(arguments, {}, environment);
    EXPECT_EQ(run.status, 3) << message;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
  }
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);  // the stand-in answers from its event loop
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
