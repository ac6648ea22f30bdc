// The server side of a remote page: it reads a page as the page itself reads,
// writes reach the page, failed or malformed answers read as the null results
// without killing the page, and a client that left the bus fails at once.
#include "pages/remote_page.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <climits>
#include <filesystem>
#include <map>

#include "bus_page_test_support.h"
#include "html_page_test_support.h"
#include "pages/page_exporter.h"
#include "pages/remote_page_call.h"

namespace zr {
namespace {

using testing::Outline;
using testing::Walk;

TEST(RemotePageTest, ReadsEveryTestPageAsThePageItselfReadsIt) {
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ZR_HTML_TEST_DIR)) {
    std::string name = entry.path().filename().string();
    auto page = HtmlPage::Open(entry.path().string());
    ASSERT_TRUE(page) << name;
    PageExporter exporter(ClientBus(), QStringLiteral("/outline%1").arg(++pages));
    auto link = LinkTo(ClientBus());
    auto remote = RemoteBrowser(link, exporter.ExportBrowser(*page))->Document();
    ASSERT_TRUE(remote) << name;
    auto local = page->Document();
    for (Walk walk : {Walk::kByIndex, Walk::kByEnumerator}) {
      EXPECT_EQ(Outline(*remote, walk), Outline(*local, walk)) << name;
    }
    EXPECT_EQ(remote->Url(), local->Url()) << name;
    EXPECT_EQ(remote->Title(), local->Title()) << name;
    // A write reaches the page itself.
    if (auto forms = remote->Forms(); forms && forms->Length() > 0) {
      if (auto inputs = forms->At(0)->Inputs(); inputs && inputs->Length() > 0) {
        EXPECT_TRUE(inputs->At(0)->PutValue("written \xE2\x82\xAC")) << name;
        EXPECT_EQ(local->Forms()->At(0)->Inputs()->At(0)->Value(), "written \xE2\x82\xAC") << name;
      }
    }
    EXPECT_FALSE(link->dead);
    EXPECT_EQ(link->callbacks, exporter.calls_answered()) << name;
  }
  EXPECT_GE(pages, 5);
}

// Answers each call by its member from a script: the reply's values, or an
// UnknownMethod error for a member without a script.
class ScriptedClient final : public QDBusVirtualObject {
 public:
  explicit ScriptedClient(QString prefix) : prefix_(std::move(prefix)) {
    registered_ = ClientBus().registerVirtualObject(prefix_, this, QDBusConnection::SubPath);
  }
  ~ScriptedClient() override {
    if (registered_) ClientBus().unregisterObject(prefix_);
  }
  bool registered() const { return registered_; }
  int calls() const { return calls_; }
  std::map<QString, QVariantList> replies;

  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    ++calls_;
    auto reply = replies.find(message.member());
    connection.send(reply == replies.end()
                        ? message.createErrorReply(QDBusError::UnknownMethod, "not scripted")
                        : message.createReply(reply->second));
    return true;
  }

 private:
  QString prefix_;
  bool registered_ = false;
  int calls_ = 0;
};

QVariant Path(const char* path) { return QVariant::fromValue(QDBusObjectPath(path)); }

TEST(RemotePageTest, MalformedAnswersFailTheReadButNotThePage) {
  ScriptedClient client(QStringLiteral("/scripted"));
  ASSERT_TRUE(client.registered());
  auto link = LinkTo(ClientBus());
  auto document = RemoteDocument(link, QStringLiteral("/scripted/document"));
  client.replies = {{"Forms", {Path("/scripted/forms")}},
                    {"Tags", {Path("/scripted/inputs")}},
                    {"Item", {Path("/scripted/item")}}};
  auto forms = document->Forms();
  auto form = RemoteForm(link, QStringLiteral("/scripted/form"));
  ASSERT_TRUE(forms && form);
  auto length = [&] {
    std::optional<int> n = forms->Length();
    return n ? std::to_string(*n) : "none";
  };
  auto first_input = [&]() -> std::unique_ptr<PageInput> {
    auto inputs = form->Inputs();
    return inputs ? inputs->At(0) : nullptr;
  };
  auto type = [&] {
    auto input = first_input();
    return input ? input->Type() : "no input";
  };
  auto max_length = [&] {
    auto input = first_input();
    std::optional<long> n = input ? input->MaxLength() : std::nullopt;
    return n ? std::to_string(*n) : "none";
  };
  auto put_value = [&] {
    auto input = first_input();
    return std::string(input && input->PutValue("v") ? "written" : "failed");
  };
  auto next = [&] {
    auto enumerator = RemoteForm(link, "/scripted/form")->Inputs()->Enumerate();
    if (!enumerator) return std::string("no enumerator");
    PageNext<PageInput> step = enumerator->Next();
    return std::string(!step.ok ? "over" : step.item ? "item" : "other kind");
  };
  const std::map<QString, QVariantList> base = client.replies;
  struct Case {
    const char* name;
    std::map<QString, QVariantList> script;  // over the base script
    std::function<std::string()> read;
    std::string expected;
  };
  const Case cases[] = {
      {"length", {{"Length", {true, 3}}}, length, "3"},
      {"length of a string", {{"Length", {QStringLiteral("3")}}}, length, "none"},
      {"negative length", {{"Length", {true, -4}}}, length, "none"},
      {"item of a number", {{"Item", {5}}, {"Type", {"text"}}}, type, "no input"},
      {"null item", {{"Item", {Path("/")}}, {"Type", {"text"}}}, type, "no input"},
      {"describe", {{"Describe", {"password", "p", "", false, 0}}}, type, "password"},
      {"describe cut short", {{"Describe", {"password", "p"}}, {"Type", {"radio"}}}, type, "radio"},
      {"max length falls back", {{"MaxLength", {true, 7}}}, max_length, "7"},
      {"url of a number", {{"Url", {7}}}, [&] { return document->Url(); }, ""},
      {"write", {{"PutValue", {true}}}, put_value, "written"},
      {"write answered with a string", {{"PutValue", {"yes"}}}, put_value, "failed"},
      {"next",
       {{"NewEnum", {Path("/scripted/e")}}, {"Next", {true, Path("/scripted/i")}}},
       next,
       "item"},
      {"next of another kind",
       {{"NewEnum", {Path("/scripted/e")}}, {"Next", {true, Path("/")}}},
       next,
       "other kind"},
      {"next cut short", {{"NewEnum", {Path("/scripted/e")}}, {"Next", {true}}}, next, "over"},
      {"enumerator of a string", {{"NewEnum", {"/scripted/e"}}}, next, "no enumerator"},
  };
  for (const Case& c : cases) {
    client.replies = base;
    for (const auto& [member, reply] : c.script) client.replies[member] = reply;
    EXPECT_EQ(c.read(), c.expected) << c.name;
  }
  EXPECT_FALSE(link->dead) << "a client that answers is still there";
  EXPECT_EQ(link->callbacks, client.calls());
}

TEST(RemotePageTest, EndlessEnumeratorEndsAtTheCallbackBudget) {
  ScriptedClient client(QStringLiteral("/endless"));
  ASSERT_TRUE(client.registered());
  client.replies = {{"Tags", {Path("/endless/inputs")}},
                    {"NewEnum", {Path("/endless/e")}},
                    {"Next", {true, Path("/endless/i")}}};
  auto link = LinkTo(ClientBus());
  link->callbacks = kMaxCallbacksPerPage - 6;  // as if the walk had gone on for long
  auto inputs = RemoteForm(link, QStringLiteral("/endless/form"))->Inputs();
  ASSERT_TRUE(inputs);
  int items = 0;
  ForEachByEnumerator(*inputs, [&](PageInput&) { return ++items < 1000; });
  EXPECT_EQ(items, 4) << "Tags, NewEnum and four Next calls spend the budget";
  EXPECT_TRUE(link->dead);
  EXPECT_EQ(link->callbacks, kMaxCallbacksPerPage);
}

TEST(RemotePageTest, NullPathsAndADeadLinkMakeNoCalls) {
  auto link = LinkTo(ClientBus());
  for (const char* path : {"", "/"}) {
    EXPECT_EQ(RemoteBrowser(link, path), nullptr);
    EXPECT_EQ(RemoteDocument(link, path), nullptr);
    EXPECT_EQ(RemoteForm(link, path), nullptr);
  }
  EXPECT_EQ(RemoteBrowser(nullptr, "/page/1"), nullptr);

  // Whatever the page, once its link is dead every operation fails at once.
  link->dead = true;
  auto form = RemoteForm(link, QStringLiteral("/nowhere/1"));
  auto document = RemoteDocument(link, QStringLiteral("/nowhere/2"));
  ASSERT_TRUE(form && document);
  EXPECT_EQ(RemoteBrowser(link, "/nowhere/3")->Document(), nullptr);
  EXPECT_EQ(document->Url() + document->Title() + form->Name(), "");
  EXPECT_EQ(document->Forms(), nullptr);
  EXPECT_EQ(form->Inputs(), nullptr);
  EXPECT_EQ(form->TextAreas(), nullptr);
  EXPECT_EQ(form->Selects(), nullptr);
  EXPECT_EQ(link->callbacks, 0);

  auto no_client = std::make_shared<RemotePageLink>(
      RemotePageLink{.connection = ServerBus(), .service = QString()});
  EXPECT_EQ(RemoteBrowser(no_client, "/page/1")->Document(), nullptr);
  EXPECT_TRUE(no_client->dead) << "no client to call";
  EXPECT_EQ(no_client->callbacks, 0);
}

TEST(RemotePageTest, ClientThatLeftTheBusFailsAtOnce) {
  auto page = HtmlPage::FromString("<form><input name=\"a\"></form>");
  std::shared_ptr<RemotePageLink> link;
  std::unique_ptr<PageDocument> document;
  {
    QDBusConnection leaving =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("leaving"));
    ASSERT_TRUE(leaving.isConnected());
    PageExporter exporter(leaving, QStringLiteral("/page"));
    link = LinkTo(leaving);
    document = RemoteBrowser(link, exporter.ExportBrowser(*page))->Document();
    ASSERT_TRUE(document);
    QDBusConnection::disconnectFromBus(QStringLiteral("leaving"));
  }  // the connection closes with its last handle, the exporter's
  const QString name = link->service;
  QElapsedTimer waited;
  waited.start();
  while (ServerBus().interface()->isServiceRegistered(name) && waited.elapsed() < 5000) {
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
