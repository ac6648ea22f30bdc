// The remote page, both sides on a private session bus: the exporter's errors, reads equal to the
// page's own, and every protocol fault ending the read (killing the page where the client is gone).
#include "pages/remote_page.h"

#include <gtest/gtest.h>

#include <QtCore>
#include <QtDBus>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <tuple>

#include "html_page_test_support.h"
#include "pages/page_exporter.h"
#include "pages/page_snapshot_bus.h"
#include "pages/remote_page_call.h"

namespace zr {
namespace {

using testing::Outline;

// The two connections of this process: the client exports, the server calls back.
QDBusConnection Bus(const char* name) {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}

// The server's link to the page objects of client.
std::shared_ptr<RemotePageLink> LinkTo(const QDBusConnection& client, int timeout_ms = 3000) {
  return std::make_shared<RemotePageLink>(RemotePageLink{
      .connection = Bus("server"), .service = client.baseService(), .timeout_ms = timeout_ms});
}

QVariant Path(const char* path) { return QVariant::fromValue(QDBusObjectPath(path)); }

// Answers calls under its prefix by member: scripted error or values (else UnknownMethod), after
// the member's delay (never if negative); after_reply runs while the server still waits.
class ScriptedClient final : public QDBusVirtualObject {
 public:
  explicit ScriptedClient(QString prefix) : prefix_(std::move(prefix)) {
    registered = Bus("client").registerVirtualObject(prefix_, this, QDBusConnection::SubPath);
  }
  ~ScriptedClient() override { Bus("client").unregisterObject(prefix_); }
  bool registered = false;
  int calls = 0;
  std::map<QString, QVariantList> replies;
  std::map<QString, QDBusError::ErrorType> errors;
  std::map<QString, int> delay_ms;
  std::function<void()> after_reply;

  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    ++calls;
    const QString member = message.member();
    auto error = errors.count(member) ? errors[member] : QDBusError::UnknownMethod;
    QDBusMessage reply = replies.count(member) && !errors.count(member)
                             ? message.createReply(replies[member])
                             : message.createErrorReply(error, "scripted");
    int delay = delay_ms.count(member) ? delay_ms[member] : 0;
    if (delay == 0) connection.send(reply);
    if (delay > 0) QTimer::singleShot(delay, this, [reply, connection] { connection.send(reply); });
    if (std::function<void()> hook = after_reply) hook();  // a copy: hook may reset after_reply
    return true;
  }
  const QString prefix_;
};

TEST(RemotePageTest, ReadsEveryTestPageAsThePageItselfReadsIt) {
  int pages = 0;
  // Whole, element by element, and one call per read: each reads the same page.
  for (RemotePageReads reads : {RemotePageReads::kSnapshot, RemotePageReads::kDescribeOnce,
                                RemotePageReads::kOneCallPerRead}) {
    SetRemotePageReads(reads);
    for (const auto& entry : std::filesystem::directory_iterator(ZR_HTML_TEST_DIR)) {
      SCOPED_TRACE(entry.path().filename().string() + " in mode " +
                   std::to_string(static_cast<int>(reads)));
      auto page = HtmlPage::Open(entry.path().string());
      ASSERT_TRUE(page);
      PageExporter exporter(Bus("client"), QStringLiteral("/outline%1").arg(++pages));
      auto link = LinkTo(Bus("client"));
      auto remote = RemoteBrowser(link, exporter.ExportBrowser(*page))->Document();
      ASSERT_TRUE(remote);
      auto local = page->Document();
      EXPECT_EQ(Outline(*remote, true), Outline(*local, true));
      EXPECT_EQ(Outline(*remote, false), Outline(*local, false));
      EXPECT_EQ(remote->Url() + remote->Title(), local->Url() + local->Title());
      EXPECT_FALSE(link->dead);
      EXPECT_EQ(link->callbacks, exporter.calls_answered());
      // A page handed over whole costs the Document and the Snapshot callback.
      if (reads == RemotePageReads::kSnapshot) {
        EXPECT_EQ(link->callbacks, 2);
      }
    }
  }
  SetRemotePageReads(RemotePageReads::kSnapshot);
  EXPECT_GE(pages, 15);
}

// A fill's writes made on a page handed over whole reach the page in one request, and only when
// the call is done with the page. Which elements they reach: the engine tests' remote run.
TEST(RemotePageTest, WritesOfAWholePageGoInOneRequestAtTheEnd) {
  auto page = HtmlPage::FromString(
      R"(<form><input name="skip"><input name="a"><textarea name="t"></textarea>
         <select name="s"><option value="1">one<option value="2">two</select></form>
         <form name="second"><input name="b"></form>)");
  PageExporter exporter(Bus("client"), QStringLiteral("/writes"));
  auto link = LinkTo(Bus("client"));
  auto remote = RemoteBrowser(link, exporter.ExportBrowser(*page))->Document();
  auto first = remote->Forms()->At(0);
  first->Inputs()->At(1)->PutValue("A");
  first->TextAreas()->At(0)->PutValue("T");
  first->Selects()->At(0)->Options()->At(1)->PutSelected();
  remote->Forms()->At(1)->Inputs()->At(0)->PutValue("B");
  EXPECT_EQ(page->Serialize().find("value=\"A\""), std::string::npos) << "written before the end";
  const long before = link->callbacks;
  EXPECT_EQ(FlushRemoteWrites(*link), 4);
  EXPECT_EQ(link->callbacks, before + 1);
  const std::string html = page->Serialize();
  EXPECT_NE(html.find(R"(<input name="b" value="B">)"), std::string::npos) << html;
  EXPECT_EQ(FlushRemoteWrites(*link), 0) << "the writes were sent once";
}

// A snapshot that does not hold together is not used: the page is read element by element.
TEST(RemotePageTest, AMalformedSnapshotFallsBackToTheElements) {
  ScriptedClient client(QStringLiteral("/snap"));
  ASSERT_TRUE(client.registered);
  PageSnapshot one_password;
  one_password.forms = {"f"};
  one_password.elements = {{ElementKind::kInput, 0, "password", "p", "", std::nullopt, {}}};
  const QVariantList good = SnapshotToBus(one_password);
  QVariantList unequal = good, bad_kind = good;
  unequal[7] = QStringList{"p", "q"};
  bad_kind[5] = QVariant::fromValue(QList<int>{7});
  const std::tuple<const char*, QVariantList, std::string> cases[] = {
      {"whole", good, "password"},
      {"unequal arrays", unequal, "radio"},
      {"kind out of range", bad_kind, "radio"}};
  for (const auto& [name, snapshot, type] : cases) {
    SCOPED_TRACE(name);
    client.replies = {{"Snapshot", snapshot},
                      {"Tags", {Path("/snap/inputs")}},
                      {"Item", {Path("/snap/item")}},
                      {"Type", {"radio"}}};
    auto inputs = RemoteForm(LinkTo(Bus("client")), "/snap/form")->Inputs();
    auto input = inputs ? inputs->At(0) : nullptr;
    EXPECT_EQ(input ? input->Type() : "no input", type);
  }
}

// Calls member of ZRForm.Page.interface (of no interface if it is empty).
QDBusMessage Call(const QString& path, const QString& interface, const char* member,
                  const QVariantList& arguments = {}) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      Bus("client").baseService(), path, interface.isEmpty() ? "" : "ZRForm.Page." + interface,
      QLatin1String(member));
  call.setArguments(arguments);
  return Bus("server").call(call, QDBus::BlockWithGui, 2000);
}

// The object path the reply names, or "<error>".
QString PathIn(const QDBusMessage& reply) {
  const bool ok = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
  return ok ? reply.arguments()[0].value<QDBusObjectPath>().path() : "<error>";
}

// A document whose reads throw, as a page implementation might.
class ThrowingDocument final : public PageDocument {
 public:
  PageText Url() override { throw std::runtime_error("broken page"); }
  PageText Title() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageForm>> Forms() override { return nullptr; }
};

TEST(PageExporterTest, AnswersWhatItDoesNotHaveWithErrors) {
  auto page = HtmlPage::FromString(R"(<form name="f"><input name="a" value="1"></form>)");
  PageExporter exporter(Bus("client"), QStringLiteral("/errors"));
  const QString browser = exporter.ExportBrowser(*page);
  const QString document = PathIn(Call(browser, "Browser", "Document"));
  const QString forms = PathIn(Call(document, "Document", "Forms"));
  const QString form = PathIn(Call(forms, "Collection", "Item", {0}));
  const QString inputs = PathIn(Call(form, "Form", "Tags", {QStringLiteral("INPUT")}));
  const QString input = PathIn(Call(inputs, "Collection", "Item", {0}));
  const QString throwing = exporter.ExportDocument(std::make_unique<ThrowingDocument>());
  const struct {
    QString path;
    QString interface;
    const char* member;
    QVariantList arguments;
    QDBusError::ErrorType error;
  } cases[] = {
      {"/errors/999", "Browser", "Document", {}, QDBusError::UnknownObject},
      {browser + "/1", "Browser", "Document", {}, QDBusError::UnknownObject},
      {browser, "Document", "Url", {}, QDBusError::UnknownInterface},
      {browser, "Browser", "Url", {}, QDBusError::UnknownMethod},
      {forms, "Collection", "Item", {QStringLiteral("0")}, QDBusError::InvalidArgs},
      {input, "Input", "PutValue", {5}, QDBusError::InvalidArgs},
      {throwing, "Document", "Url", {}, QDBusError::Failed},
      {throwing, "Document", "Title", {}, QDBusError::NoMemory},
      {throwing, "Document", "Forms", {}, QDBusError::NoError},
      {input, "", "Describe", {}, QDBusError::NoError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Call(c.path, c.interface, c.member, c.arguments).errorName(),
              c.error == QDBusError::NoError ? "" : QDBusError::errorString(c.error))
        << qPrintable(c.path) << " " << c.member;
  }
  EXPECT_EQ(Call(input, "Input", "Value").arguments().value(0).toString(), "1")
      << "no write was made by a call with wrong arguments";
  EXPECT_EQ(Call(throwing, "Document", "Url").errorMessage(), "broken page");
  EXPECT_EQ(PathIn(Call(inputs, "Collection", "Item", {1})), "/") << "past the end";

  // Clear drops every object for good: a dropped path never names a new object.
  const std::set<QString> paths = {browser, document, forms, form, inputs, input, throwing};
  exporter.Clear();
  for (const QString& path : paths) {
    EXPECT_EQ(Call(path, "", "Name").errorName(),
              QDBusError::errorString(QDBusError::UnknownObject))
        << qPrintable(path);
  }
  const QString again = exporter.ExportBrowser(*page);
  EXPECT_EQ(paths.count(again), 0u);
  EXPECT_TRUE(PathIn(Call(again, "Browser", "Document")).startsWith("/errors/"));
  // A taken prefix exports the null object, and leaves the first exporter alone.
  PageExporter second(Bus("client"), QStringLiteral("/errors"));
  EXPECT_EQ(second.ExportBrowser(*page), "/");
  EXPECT_EQ(exporter.ExportDocument(nullptr), "/");
  EXPECT_NE(PathIn(Call(again, "Browser", "Document")), "<error>");
}

TEST(RemotePageTest, MalformedAnswersFailTheReadButNotThePage) {
  ScriptedClient client(QStringLiteral("/scripted"));
  ASSERT_TRUE(client.registered);
  auto link = LinkTo(Bus("client"));
  auto document = RemoteDocument(link, QStringLiteral("/scripted/document"));
  const std::map<QString, QVariantList> base = {{"Forms", {Path("/scripted/forms")}},
                                                {"Tags", {Path("/scripted/inputs")}},
                                                {"Item", {Path("/scripted/item")}}};
  auto first_input = [&] { return RemoteForm(link, "/scripted/form")->Inputs()->At(0); };
  auto length = [&] { return std::to_string(document->Forms()->Length().value_or(-1)); };
  auto type = [&] { return first_input() ? first_input()->Type() : "no input"; };
  auto put_value = [&] { return std::string(first_input()->PutValue("v") ? "written" : "failed"); };
  auto next = [&] {
    auto enumerator = RemoteForm(link, "/scripted/form")->Inputs()->Enumerate();
    if (!enumerator) return std::string("no enumerator");
    PageNext<PageInput> step = enumerator->Next();
    return std::string(!step.ok ? "over" : step.item ? "item" : "other kind");
  };
  const QVariantList e = {Path("/scripted/e")};
  const struct {
    const char* name;
    std::map<QString, QVariantList> script;  // over the base script
    std::function<std::string()> read;
    std::string expected;
  } cases[] = {
      {"length", {{"Length", {true, 3}}}, length, "3"},
      {"length of a string", {{"Length", {QStringLiteral("3")}}}, length, "-1"},
      {"error reply", {}, length, "-1"},
      {"item of a number", {{"Item", {5}}, {"Type", {"text"}}}, type, "no input"},
      {"describe", {{"Describe", {"password", "p", "", false, 0}}}, type, "password"},
      {"describe cut short", {{"Describe", {"password", "p"}}, {"Type", {"radio"}}}, type, "radio"},
      {"url of a number", {{"Url", {7}}}, [&] { return document->Url(); }, ""},
      {"write", {{"PutValue", {true}}}, put_value, "written"},
      {"write answered with a string", {{"PutValue", {"yes"}}}, put_value, "failed"},
      {"next", {{"NewEnum", e}, {"Next", {true, Path("/scripted/i")}}}, next, "item"},
      {"next cut short", {{"NewEnum", e}, {"Next", {true}}}, next, "over"},
      {"enumerator of a string", {{"NewEnum", {"/scripted/e"}}}, next, "no enumerator"},
  };
  for (const auto& c : cases) {
    client.replies = base;
    for (const auto& [member, reply] : c.script) client.replies[member] = reply;
    EXPECT_EQ(c.read(), c.expected) << c.name;
  }
  EXPECT_FALSE(link->dead) << "a client that answers is still there";
  EXPECT_EQ(link->callbacks, client.calls);
}

TEST(RemotePageTest, EveryWaitEndsAndAClientThatCannotAnswerKillsThePage) {
  ScriptedClient client(QStringLiteral("/faults"));
  ASSERT_TRUE(client.registered);
  const std::map<QString, QVariantList> endless = {{"Tags", {Path("/faults/inputs")}},
                                                   {"NewEnum", {Path("/faults/e")}},
                                                   {"Next", {true, Path("/faults/i")}}};
  // The page's timeout is 1.5 s, far above how late a busy machine delivers a
  // prompt answer; the upper bound of a wait is far below what a missing limit
  // would cost (a wait without end, 4 million callbacks).
  const struct {
    const char* name;
    std::map<QString, int> delay_ms;
    std::map<QString, QDBusError::ErrorType> errors;
    long max_callbacks, budget_ms, callbacks;  // 0: the page's own limits; -1: not counted
    int at_least_ms, within_ms;
  } cases[] = {
      // The form's Snapshot is asked first; the scripted client has none.
      {"never answers", {{"Tags", -1}}, {}, 0, 0, 2, 1500, 10000},
      {"the snapshot never comes", {{"Snapshot", -1}}, {}, 0, 0, 1, 1500, 10000},
      {"answers too late", {{"NewEnum", 4000}}, {}, 0, 0, 3, 1500, 10000},
      {"the bus says it is gone", {}, {{"Tags", QDBusError::ServiceUnknown}}, 0, 0, 2, 0, 10000},
      {"endless stream, callbacks spent", {}, {}, 300, 0, 300, 0, 30000},
      {"endless stream, time spent", {{"Next", 20}}, {}, 0, 500, -1, 500, 10000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    client.replies = endless;
    client.delay_ms = c.delay_ms;
    client.errors = c.errors;
    auto link = LinkTo(Bus("client"), 1500);
    if (c.max_callbacks) link->max_callbacks = c.max_callbacks;
    if (c.budget_ms) link->budget_ms = static_cast<int>(c.budget_ms);
    QElapsedTimer timer;
    timer.start();
    int items = 0;  // the walk by enumerator ends however long the stream is
    if (auto inputs = RemoteForm(link, "/faults/form")->Inputs()) {
      ForEachByEnumerator(*inputs, [&](PageInput&) { return ++items < 1'000'000; });
    }
    EXPECT_TRUE(link->dead);
    EXPECT_GE(timer.elapsed(), c.at_least_ms);
    EXPECT_LT(timer.elapsed(), c.within_ms);
    if (c.callbacks >= 0) {
      EXPECT_EQ(link->callbacks, c.callbacks);
    }
    // A dead page makes no more round trips.
    const long callbacks = link->callbacks;
    EXPECT_EQ(RemoteDocument(link, "/faults/d")->Url(), "");
    EXPECT_EQ(link->callbacks, callbacks);
  }
}

TEST(RemotePageTest, WaitsInsideWaitsEnd) {
  ScriptedClient client(QStringLiteral("/nested"));
  ASSERT_TRUE(client.registered);
  client.replies = {{"Url", {"u"}}};
  // A call that runs inside another call's wait may hold it only for its
  // hold time once that other call has its answer.
  auto outer = LinkTo(Bus("client"));
  auto inner = LinkTo(Bus("client"));
  inner->hold_ms = 200;
  client.delay_ms = {{"Title", -1}};
  qint64 held_ms = -1;
  client.after_reply = [&] {
    client.after_reply = nullptr;
    QElapsedTimer timer;
    timer.start();
    RemoteDocument(inner, "/nested/d")->Title();
    held_ms = timer.elapsed();
  };
  EXPECT_EQ(RemoteDocument(outer, "/nested/d")->Url(), "u");
  EXPECT_FALSE(outer->dead);
  EXPECT_TRUE(inner->dead);
  EXPECT_GE(held_ms, 150);
  EXPECT_LT(held_ms, 2800) << "not its 3 s timeout";

  // A page that calls the server back from every callback: the deepest wait
  // fails at once and kills the page.
  client.delay_ms.clear();
  auto page = LinkTo(Bus("client"));
  int depth = 0, deepest = 0;
  client.after_reply = [&] {
    deepest = std::max(deepest, ++depth);
    RemoteDocument(page, "/nested/d")->Url();
    --depth;
  };
  RemoteDocument(page, "/nested/d")->Url();
  client.after_reply = nullptr;
  EXPECT_TRUE(page->dead);
  EXPECT_EQ(deepest, kMaxNestedWaits);
}

TEST(RemotePageTest, ClientThatLeftTheBusFailsAtOnce) {
  auto page = HtmlPage::FromString("<form><input name=\"a\"></form>");
  std::shared_ptr<RemotePageLink> link;
  std::unique_ptr<PageDocument> document;
  {
    QDBusConnection leaving = Bus("leaving");
    ASSERT_TRUE(leaving.isConnected());
    PageExporter exporter(leaving, QStringLiteral("/page"));
    link = LinkTo(leaving);
    document = RemoteBrowser(link, exporter.ExportBrowser(*page))->Document();
    ASSERT_TRUE(document);
    QDBusConnection::disconnectFromBus(QStringLiteral("leaving"));
  }  // the connection closes with its last handle, the exporter's
  QElapsedTimer waited;
  waited.start();
  while (Bus("server").interface()->isServiceRegistered(link->service) && waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(document->Url(), "");
  EXPECT_EQ(document->Forms(), nullptr);
  EXPECT_LT(timer.elapsed(), link->timeout_ms) << "no timeout is waited for";
  EXPECT_TRUE(link->dead);
  EXPECT_EQ(link->callbacks, 2) << "Document, then Url; Forms makes no call";
}

}  // namespace
}  // namespace zr
