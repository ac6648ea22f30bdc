// The client side of a remote page, called as the server calls it: objects are
// made as they are fetched, anything it does not have is answered with an
// error, and nothing a page throws ends the client.
#include "pages/page_exporter.h"

#include <gtest/gtest.h>

#include <QDBusError>
#include <QDBusObjectPath>
#include <set>
#include <stdexcept>

#include "bus_page_test_support.h"
#include "pages/html_page.h"

namespace zr {
namespace {

constexpr char kPage[] = R"(<title>T</title><form name="f"><input name="a" value="1">
  <input type="password" name="b"><select name="s"><option>x</option></select></form>)";

QDBusMessage Call(const QString& path, const char* interface, const char* member,
                  const QVariantList& arguments = {}) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      ClientBus().baseService(), path, QLatin1String(interface), QLatin1String(member));
  call.setArguments(arguments);
  return ServerBus().call(call, QDBus::BlockWithGui, 2000);
}

// The object path the reply names, or "<error>" when it names none.
QString PathIn(const QDBusMessage& reply, int index = 0) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() <= index) {
    return QStringLiteral("<error>");
  }
  return reply.arguments()[index].value<QDBusObjectPath>().path();
}

// The paths of a page's objects, fetched as the server fetches them.
struct Exported {
  QString browser, document, forms, form, inputs, input;
};

Exported Fetch(PageExporter& exporter, HtmlPage& page) {
  Exported paths;
  paths.browser = exporter.ExportBrowser(page);
  paths.document = PathIn(Call(paths.browser, "ZRForm.Page.Browser", "Document"));
  paths.forms = PathIn(Call(paths.document, "ZRForm.Page.Document", "Forms"));
  paths.form = PathIn(Call(paths.forms, "ZRForm.Page.Collection", "Item", {0}));
  paths.inputs = PathIn(Call(paths.form, "ZRForm.Page.Form", "Tags", {QStringLiteral("INPUT")}));
  paths.input = PathIn(Call(paths.inputs, "ZRForm.Page.Collection", "Item", {0}));
  return paths;
}

TEST(PageExporterTest, AnswersWhatItDoesNotHaveWithErrors) {
  auto page = HtmlPage::FromString(kPage);
  PageExporter exporter(ClientBus(), QStringLiteral("/errors"));
  Exported at = Fetch(exporter, *page);
  ASSERT_EQ(exporter.calls_answered(), 5);
  const QString none;  // success
  const QString unknown_object = QDBusError::errorString(QDBusError::UnknownObject);
  const QString unknown_method = QDBusError::errorString(QDBusError::UnknownMethod);
  const QString unknown_interface = QDBusError::errorString(QDBusError::UnknownInterface);
  const QString invalid_args = QDBusError::errorString(QDBusError::InvalidArgs);
  struct Case {
    QString path;
    const char* interface;
    const char* member;
    QVariantList arguments;
    QString error;
  };
  const Case cases[] = {
      {"/errors/999", "ZRForm.Page.Browser", "Document", {}, unknown_object},
      {"/errors", "ZRForm.Page.Browser", "Document", {}, unknown_object},
      {"/errors/x1", "ZRForm.Page.Browser", "Document", {}, unknown_object},
      {at.browser + "/1", "ZRForm.Page.Browser", "Document", {}, unknown_object},
      {at.browser, "ZRForm.Page.Document", "Url", {}, unknown_interface},
      {at.browser, "ZRForm.Page.Browser", "Url", {}, unknown_method},
      {at.forms, "ZRForm.Page.Collection", "Item", {QStringLiteral("0")}, invalid_args},
      {at.forms, "ZRForm.Page.Collection", "Item", {0, 1}, invalid_args},
      {at.input, "ZRForm.Page.Input", "PutValue", {5}, invalid_args},
      {at.input, "", "Describe", {}, none},
      {at.input, "ZRForm.Page.Input", "Value", {}, none},
  };
  for (const Case& c : cases) {
    QDBusMessage reply = Call(c.path, c.interface, c.member, c.arguments);
    EXPECT_EQ(reply.errorName(), c.error) << qPrintable(c.path) << " " << c.member;
  }
  EXPECT_EQ(exporter.calls_answered(), 5 + static_cast<long>(std::size(cases)));
  EXPECT_EQ(Call(at.input, "ZRForm.Page.Input", "Value").arguments().value(0).toString(), "1")
      << "no write was made by a call with wrong arguments";
}

TEST(PageExporterTest, ObjectsAreMadeAsFetchedAndClearDropsThemForGood) {
  auto page = HtmlPage::FromString(kPage);
  PageExporter exporter(ClientBus(), QStringLiteral("/fetched"));
  Exported at = Fetch(exporter, *page);
  std::set<QString> paths = {at.browser, at.document, at.forms, at.form, at.inputs, at.input};
  EXPECT_EQ(paths.size(), 6u);
  QString again = PathIn(Call(at.inputs, "ZRForm.Page.Collection", "Item", {0}));
  EXPECT_TRUE(paths.insert(again).second) << "each fetch is an object of its own";

  struct Case {
    QString path;
    const char* interface;
    const char* member;
    QVariantList arguments;
    bool null;
  };
  const Case fetches[] = {
      {at.inputs, "ZRForm.Page.Collection", "Item", {2}, true},
      {at.inputs, "ZRForm.Page.Collection", "Item", {-1}, true},
      {at.form, "ZRForm.Page.Form", "Tags", {QStringLiteral("select")}, false},
      {at.form, "ZRForm.Page.Form", "Tags", {QStringLiteral("TextArea")}, false},
      {at.form, "ZRForm.Page.Form", "Tags", {QStringLiteral("IFRAME")}, true},
      {at.inputs, "ZRForm.Page.Collection", "NewEnum", {}, false},
  };
  for (const Case& c : fetches) {
    QString path = PathIn(Call(c.path, c.interface, c.member, c.arguments));
    EXPECT_EQ(path == "/", c.null) << c.member << " " << qPrintable(path);
    if (!c.null) paths.insert(path);
  }

  // An enumerator gives every item once, then ok false with the null object.
  QString enumerator = PathIn(Call(at.inputs, "ZRForm.Page.Collection", "NewEnum"));
  int items = 0;
  for (;;) {
    QDBusMessage next = Call(enumerator, "ZRForm.Page.Enumerator", "Next");
    ASSERT_EQ(next.signature(), "bo");
    if (!next.arguments()[0].toBool()) {
      EXPECT_EQ(PathIn(next, 1), "/");
      break;
    }
    ++items;
    ASSERT_LT(items, 10);
  }
  EXPECT_EQ(items, 2);

  exporter.Clear();
  for (const QString& path : paths) {
    EXPECT_EQ(Call(path, "", "Name").errorName(),
              QDBusError::errorString(QDBusError::UnknownObject))
        << qPrintable(path);
  }
  QString browser = exporter.ExportBrowser(*page);
  EXPECT_EQ(paths.count(browser), 0u) << "a dropped path never names a new object";
  EXPECT_EQ(PathIn(Call(browser, "ZRForm.Page.Browser", "Document")).startsWith("/fetched/"), true);
}

TEST(PageExporterTest, NullPageObjectsAndATakenPrefixExportTheNullObject) {
  auto page = HtmlPage::FromString(kPage);
  auto first = std::make_unique<PageExporter>(ClientBus(), QStringLiteral("/taken"));
  QString browser = first->ExportBrowser(*page);
  EXPECT_EQ(first->ExportDocument(nullptr), "/");
  EXPECT_EQ(first->ExportForm(nullptr), "/");
  {
    PageExporter second(ClientBus(), QStringLiteral("/taken"));
    EXPECT_EQ(second.ExportBrowser(*page), "/");
    EXPECT_EQ(second.ExportDocument(page->Document()), "/");
    PageExporter invalid(ClientBus(), QStringLiteral("no/slash"));
    EXPECT_EQ(invalid.ExportBrowser(*page), "/");
  }
  EXPECT_NE(PathIn(Call(browser, "ZRForm.Page.Browser", "Document")), "<error>")
      << "the first exporter keeps its prefix";
  first.reset();
  EXPECT_EQ(Call(browser, "ZRForm.Page.Browser", "Document").errorName(),
            QDBusError::errorString(QDBusError::UnknownObject));
}

// A document whose reads throw, as a page implementation might.
class ThrowingDocument final : public PageDocument {
 public:
  PageText Url() override { throw std::runtime_error("broken page"); }
  PageText Title() override { throw std::bad_alloc(); }
  std::unique_ptr<PageCollection<PageForm>> Forms() override { return nullptr; }
};

TEST(PageExporterTest, WhatAPageThrowsBecomesAnErrorReply) {
  PageExporter exporter(ClientBus(), QStringLiteral("/throwing"));
  QString document = exporter.ExportDocument(std::make_unique<ThrowingDocument>());
  QDBusMessage url = Call(document, "ZRForm.Page.Document", "Url");
  EXPECT_EQ(url.errorName(), QDBusError::errorString(QDBusError::Failed));
  EXPECT_EQ(url.errorMessage(), "broken page");
  EXPECT_EQ(Call(document, "ZRForm.Page.Document", "Title").errorName(),
            QDBusError::errorString(QDBusError::NoMemory));
  EXPECT_EQ(PathIn(Call(document, "ZRForm.Page.Document", "Forms")), "/") << "still answering";
}

}  // namespace
}  // namespace zr
