// The two test backends: the page itself, or (ZR_REMOTE_PAGE_TESTS) the page
// exported with PageExporter on the "client" bus connection and read with the
// remote page on the "server" connection, both in this process.
#include "test_page.h"

#ifdef ZR_REMOTE_PAGE_TESTS
#include <QDBusConnection>

#include "pages/page_exporter.h"
#include "pages/remote_page.h"
#endif

namespace zr {
namespace {

#ifdef ZR_REMOTE_PAGE_TESTS

class RemoteBackend final : public TestBackend {
 public:
  RemoteBackend()
      : exporter_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client"),
                  NextPrefix()),
        link_(std::make_shared<RemotePageLink>(RemotePageLink{
            .connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "server"),
            .service = QDBusConnection(QStringLiteral("client")).baseService()})) {}
  std::unique_ptr<PageBrowser> Browser(PageBrowser& browser) override {
    return RemoteBrowser(link_, exporter_.ExportBrowser(browser));
  }
  std::unique_ptr<PageDocument> Document(std::unique_ptr<PageDocument> document) override {
    return RemoteDocument(link_, exporter_.ExportDocument(std::move(document)));
  }
  std::unique_ptr<PageForm> Form(std::unique_ptr<PageForm> form) override {
    return RemoteForm(link_, exporter_.ExportForm(std::move(form)));
  }
  long callbacks() const override { return link_->callbacks; }

 private:
  // Pages of one test live side by side: each is exported under a prefix of its own.
  static QString NextPrefix() {
    static int pages = 0;
    return QStringLiteral("/test/page%1").arg(++pages);
  }

  PageExporter exporter_;
  std::shared_ptr<RemotePageLink> link_;
};

using Backend = RemoteBackend;

#else

// Forwards to a browser it does not own.
class BrowserRef final : public PageBrowser {
 public:
  explicit BrowserRef(PageBrowser& browser) : browser_(browser) {}
  std::unique_ptr<PageDocument> Document() override { return browser_.Document(); }

 private:
  PageBrowser& browser_;
};

class LocalBackend final : public TestBackend {
 public:
  std::unique_ptr<PageBrowser> Browser(PageBrowser& browser) override {
    return std::make_unique<BrowserRef>(browser);
  }
  std::unique_ptr<PageDocument> Document(std::unique_ptr<PageDocument> document) override {
    return document;
  }
  std::unique_ptr<PageForm> Form(std::unique_ptr<PageForm> form) override { return form; }
  long callbacks() const override { return 0; }
};

using Backend = LocalBackend;

#endif

// A browser that keeps the backend it is seen through.
class BackedBrowser final : public PageBrowser {
 public:
  explicit BackedBrowser(PageBrowser& page)
      : backend_(MakeTestBackend()), browser_(backend_->Browser(page)) {}
  std::unique_ptr<PageDocument> Document() override {
    return browser_ ? browser_->Document() : nullptr;
  }

 private:
  std::unique_ptr<TestBackend> backend_;
  std::unique_ptr<PageBrowser> browser_;
};

}  // namespace

std::unique_ptr<TestBackend> MakeTestBackend() { return std::make_unique<Backend>(); }

TestPage::TestPage(std::unique_ptr<HtmlPage> html)
    : html_(std::move(html)), backend_(MakeTestBackend()), browser_(backend_->Browser(*html_)) {}

std::unique_ptr<PageDocument> TestPage::SubmittedDocument() {
  return backend_->Document(html_->Document());
}

std::unique_ptr<PageForm> TestPage::SubmittedForm(int form_index) {
  std::unique_ptr<PageCollection<PageForm>> forms = html_->Document()->Forms();
  return backend_->Form(forms ? forms->At(form_index) : nullptr);
}

std::unique_ptr<TestPage> MakeTestPage(std::string_view html, const std::string& url) {
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, url);
  if (!page) return nullptr;
  return std::make_unique<TestPage>(std::move(page));
}

std::unique_ptr<PageBrowser> ViaTestBackend(PageBrowser& page) {
  return std::make_unique<BackedBrowser>(page);
}

}  // namespace zr
