// zrbar as a user runs it on a private session bus: against a scripted stand-in of the
// server's objects, and with no server or no bus at all.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QTemporaryDir>
#include <algorithm>

#include "pages/html_page.h"
#include "resources/interface_files.h"
#include "tests/support/test_support.h"
#include "tests/support/trust_registry.h"
#include "tests/support/zrbar_process.h"

namespace zr {
namespace {

constexpr int kE_FAIL = static_cast<int>(0x80004005u);
constexpr char kPage[] = ZRBAR_PAGES_DIR "/two_forms.html";
using History = QList<QPair<int, QString>>;

// Serves both objects under both names, only the members their installed
// interface descriptions declare. Records each call as "Member arg ...", an
// object argument shown by calling back into zrbar's page (a document's or
// browser's address, a form's name), and answers by member.
struct Script {
  int create_hr = 0, hr = 0;  // CreateInstance's result, every other member's
  QString fill{};             // what FillInForm puts into the first input of the first form
  bool fails = false;
  History history = {{1, "example.com"}, {12, "two\nlines\\"}};  // behind Count and Item
  QStringList calls{};
};

class FakeServer : public QDBusVirtualObject, public Script {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
    const QString member = call.member();
    if (!Declared(call.interface(), member)) return false;
    auto back = [&](const QVariant& at, const QString& what, const QList<QVariant>& args = {}) {
      const QString path = at.value<QDBusObjectPath>().path();
      QDBusMessage m = QDBusMessage::createMethodCall(call.service(), path.isEmpty() ? "/" : path,
                                                      "ZRForm.Page." + what.section('.', 0, 0),
                                                      what.section('.', 1));
      m.setArguments(args);
      QDBusMessage reply = bus.call(m, QDBus::Block, 5000);
      return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0) : QVariant();
    };
    const QList<QVariant> in = call.arguments();
    QStringList shown = {member};
    for (const QVariant& value : in) {
      QString text = value.toString();
      if (value.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
        text = back(value, "Form.Name").toString();
        for (const QVariant& document : {value, back(value, "Browser.Document")})
          if (QVariant url = back(document, "Document.Url"); url.isValid()) text = url.toString();
      }
      shown << text;
    }
    if (member == u"FillInForm" && !fill.isEmpty()) {
      QVariant at = back(back(in[1], "Browser.Document"), "Document.Forms");
      at = back(back(at, "Collection.Item", {0}), "Form.Tags", {"INPUT"});
      back(back(at, "Collection.Item", {0}), "Input.PutValue", {fill});
    }
    calls << shown.join(' ');
    if (fails && member != u"CreateInstance" && member != u"Release")
      return bus.send(call.createErrorReply("org.example.Scripted", "scripted failure"));
    const int n = in.value(0).toInt();
    QList<QVariant> out = {member == u"CreateInstance" ? create_hr : hr};
    if (member == u"CreateInstance")
      out << QVariant::fromValue(QDBusObjectPath(create_hr ? "/" : call.path().section('/', 0, 1)));
    if (member == u"Count") out << static_cast<int>(history.size());
    if (member == u"Item") out = {hr, history.value(n - 1).first, history.value(n - 1).second};
    if (QStringList{"AutoRecordLogin", "RecordPassword", "FindPasswordByURL"}.contains(member))
      out << 1;
    if (QStringList{"ImportLogins", "ExportLogins"}.contains(member))
      out << QString("2 logins: 2 new\nrow 3 (line 4): url is empty");
    return bus.send(call.createReply(member == u"Release" ? QList<QVariant>{0u} : out));
  }

 private:
  static bool Declared(const QString& interface, const QString& member) {
    return std::ranges::any_of(InterfaceFiles(), [&](const InterfaceFile& file) {
      const QString text = QString::fromUtf8(file.text.data(), file.text.size());
      return text.contains('"' + interface + '"') && text.contains('"' + member + "\">");
    });
  }
};

class ZrbarBusTest : public ::testing::Test {
 protected:
  // zrbar hands pages only to the registered server: the stand-in is registered.
  void SetUp() override { ASSERT_TRUE(testing::RegisterAsServer(testing::ThisExecutable())); }
  void TearDown() override {
    for (const char* name : {"ZRForm.ZRBarHelper", "ZRForm.History"}) bus_.unregisterService(name);
  }
  // zrbar run against the stand-in (named till the test ends): "CALLS => OUTPUT", the calls
  // "|"-joined, CreateInstance of the helper or history shown as "+" or "H+", Release as "-".
  std::string Transcript(const QStringList& arguments, const Script& script, int status = 0) {
    static FakeServer* server = new FakeServer;
    static const bool objects =
        bus_.registerVirtualObject("/ZRBarHelper", server, QDBusConnection::SubPath) &&
        bus_.registerVirtualObject("/History", server, QDBusConnection::SubPath);
    EXPECT_TRUE(objects && bus_.registerService("ZRForm.ZRBarHelper") &&
                bus_.registerService("ZRForm.History"));
    static_cast<Script&>(*server) = script;
    testing::ZrbarRun run = testing::RunZrbar(ZRBAR_PATH, arguments, folder_.path(), kFields);
    EXPECT_EQ(run.status, status) << run.err.toStdString();
    EXPECT_EQ(run.err.contains("usage: zrbar"), status == 2);
    err_ = run.err;
    return (server->calls.join('|')
                .replace("CreateInstance false ZRForm.IZRBarHelper", "+")
                .replace("CreateInstance false ZRForm.IHistory", "H+")
                .replace("Release", "-")
                .replace(QString::fromStdString(HtmlPage::FileUrl(kPage)), "<page>")
                .replace(folder_.path(), "<cwd>") +
            " => " + run.out)
        .toStdString();
  }
  static constexpr char kFields[] = "<HOME><Field name=\"E\" value=\"\u00e9\"/></HOME>\n";
  QDBusConnection bus_ = QDBusConnection::sessionBus();
  QTemporaryDir folder_;
  QString err_;
};

// Exit status 1: a local file or the call failed; 2: bad usage (with usage text); 3: no server.
TEST_F(ZrbarBusTest, MakesEachCallPrintsItsAnswerAndExitsWithWhatFailed) {
  const QString p = kPage, latin1 = folder_.filePath("latin1.xml");
  ASSERT_TRUE(testing::WriteFile(latin1.toStdString(), "<HOME><Field name=\"Stra\xDF\"/></HOME>"));
  const QString bad = folder_.filePath("no/such/out.html"), filled = "+|FillInForm 0 <page> 2 0 0";
  const QString list =
      "H+|Count|Item 1|Item 2|- => S_OK\npnType=1\npVal=example.com\n"
      "pnType=12\npVal=two\\nlines\\\\\n";
  const QString summary = "\n2 logins: 2 new\nrow 3 (line 4): url is empty\n";
  const struct {
    QStringList arguments;
    Script script;
    QString transcript;
    int status = 0;
    const char* message = "";
  } cases[] = {
      {{"find-password", "e:/a"}, {}, "+|FindPasswordByURL e:/a|- => S_OK\npbRetVal=1\n"},
      {{"--hwnd", "-2", "record", p}, {.hr = 1}, "+|RecordPassword -2 <page>|- => S_FALSE\n"},
      {{"autorecord", p, "--form", "1", "--url", "j"}, {}, "+|AutoRecord 0 j signup|- => S_OK\n"},
      {{"fill", p, "--type", "work", "--auto"}, {}, "+|FillInForm 0 <page> 3 0 1|- => S_OK\n"},
      {{"update-fields", "-"}, {}, QString("+|UpdateFormFields ") + kFields + "|- => S_OK\n"},
      {{"history", "list"}, {}, list},
      {{"history", "load", "/tmp/zr/../H"}, {.hr = kE_FAIL}, "H+|Load /tmp/H 0|- => E_FAIL\n"},
      {{"record", folder_.filePath("missing.html")}, {}, " => ", 1, "cannot read the page"},
      {{"update-fields", latin1}, {}, " => ", 1, "is not UTF-8 text"},
      {{"fill", p}, {}, " => ", 2, "--type password|home|work is required"},
      {{"fill", p, "--type=home", "--out", bad}, {}, filled + "|- => S_OK\n", 1, "cannot write"},
      {{"auto-record-login"}, {.fails = true}, "+|AutoRecordLogin|- => ", 1, "scripted failure"},
      {{"history", "count"}, {.create_hr = kE_FAIL}, "H+ => ", 3, "CreateInstance gave E_FAIL"},
      {{"import", "l.csv", "--update-passwords"},
       {.hr = 1},
       "+|ImportLogins <cwd>/l.csv  1|- => S_FALSE" + summary},
      {{"--hwnd", "5", "export", "/o.csv", "--format", "bitwarden"},
       {},
       "+|ExportLogins 5 /o.csv bitwarden|- => S_OK" + summary},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    EXPECT_EQ(Transcript(c.arguments, c.script, c.status), c.transcript.toStdString());
    EXPECT_TRUE(err_.contains(c.message)) << err_.toStdString();
  }
}

TEST_F(ZrbarBusTest, WritesTheFilledPageToOutAndLeavesTheGivenPage) {
  QString out = folder_.filePath("filled.html");
  Transcript({"fill", kPage, "--type", "password", "--force", "--out", out},
             {.fill = "ann@example.com"});
  std::unique_ptr<HtmlPage> filled = HtmlPage::Open(out.toStdString());
  ASSERT_TRUE(filled);
  EXPECT_EQ(filled->Document()->Forms()->At(0)->Inputs()->At(0)->Value(), "ann@example.com");
  EXPECT_EQ(HtmlPage::Open(kPage)->Document()->Forms()->At(0)->Inputs()->At(0)->Value(), "");
}

// A page the parser stopped in (here too deeply nested) would be written back
// cut short: zrbar says so, exits with 1 and leaves the out file as it was.
TEST_F(ZrbarBusTest, APageNotReadWholeIsNotWrittenBack) {
  const QString page = folder_.filePath("deep.html"), out = folder_.filePath("out.html");
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<div>";
  ASSERT_TRUE(testing::WriteFile(page.toStdString(), deep + "<form><input name=email></form>"));
  ASSERT_TRUE(testing::WriteFile(out.toStdString(), "before"));
  Transcript({"fill", page, "--type", "home", "--out", out}, {}, 1);
  EXPECT_TRUE(err_.contains("was not read whole (its elements nest deeper")) << err_.toStdString();
  EXPECT_TRUE(err_.contains(out + " is left as it was")) << err_.toStdString();
  EXPECT_EQ(testing::ReadFile(out.toStdString()), "before");
}

// First with nobody owning the name, then with no bus at all.
TEST_F(ZrbarBusTest, ExitsWithThreeWhenTheServerCannotBeReached) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* message :
       {"cannot reach the ZRForm server at ZRForm.ZRBarHelper", "no session bus"}) {
    const auto run = testing::RunZrbar(ZRBAR_PATH, {"auto-record-login"}, {}, {}, environment);
    EXPECT_TRUE(run.status == 3 && run.out.isEmpty() && run.err.contains(message))
        << run.status << " " << run.err.toStdString();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder_.filePath("no-bus-here"));
    environment.remove("DISPLAY");  // no X11 autolaunch of a bus either
  }
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);  // the stand-in answers from its event loop
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
