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
class Backend {
 public:
  // Pages of one test live side by side: each is exported under a prefix of its own.
  Backend()
      : exporter_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client"),
                  QStringLiteral("/test/page%1").arg(++pages_)),
        link_(std::make_shared<RemotePageLink>(RemotePageLink{
            .connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "server"),
            .service = QDBusConnection(QStringLiteral("client")).baseService()})) {}
  std::unique_ptr<PageBrowser> Browser(PageBrowser& browser) {
    return RemoteBrowser(link_, exporter_.ExportBrowser(browser));
  }
  std::unique_ptr<PageDocument> Document(std::unique_ptr<PageDocument> document) {
    return RemoteDocument(link_, exporter_.ExportDocument(std::move(document)));
  }
  std::unique_ptr<PageForm> Form(std::unique_ptr<PageForm> form) {
    return RemoteForm(link_, exporter_.ExportForm(std::move(form)));
  }

 private:
  static inline int pages_ = 0;
  PageExporter exporter_;
  std::shared_ptr<RemotePageLink> link_;
};
#else
class Backend {
 public:
  std::unique_ptr<PageDocument> Document(std::unique_ptr<PageDocument> document) {
    return document;
  }
  std::unique_ptr<PageForm> Form(std::unique_ptr<PageForm> form) { return form; }
  std::unique_ptr<PageBrowser> Browser(PageBrowser& browser);
};
#endif

// A browser seen through a backend of its own, which it keeps.
class BackedBrowser final : public PageBrowser {
 public:
  explicit BackedBrowser(PageBrowser& page) : browser_(backend_.Browser(page)) {}
  std::unique_ptr<PageDocument> Document() override {
    return browser_ ? browser_->Document() : nullptr;
  }
  Backend& backend() { return backend_; }

 private:
  Backend backend_;
  std::unique_ptr<PageBrowser> browser_;  // destroyed first: it reads through backend_
};

#ifndef ZR_REMOTE_PAGE_TESTS
// Forwards to the page it does not own.
class BrowserRef final : public PageBrowser {
 public:
  explicit BrowserRef(PageBrowser& browser) : browser_(browser) {}
  std::unique_ptr<PageDocument> Document() override { return browser_.Document(); }

 private:
  PageBrowser& browser_;
};
std::unique_ptr<PageBrowser> Backend::Browser(PageBrowser& browser) {
  return std::make_unique<BrowserRef>(browser);
}
#endif

}  // namespace

std::unique_ptr<PageBrowser> ViaTestBackend(PageBrowser& page) {
  return std::make_unique<BackedBrowser>(page);
}

std::unique_ptr<PageDocument> TestPage::SubmittedDocument() {
  return static_cast<BackedBrowser&>(*browser_).backend().Document(html_->Document());
}

std::unique_ptr<PageForm> TestPage::SubmittedForm(int form_index) {
  std::unique_ptr<PageCollection<PageForm>> forms = html_->Document()->Forms();
  return static_cast<BackedBrowser&>(*browser_).backend().Form(forms ? forms->At(form_index)
                                                                     : nullptr);
}

}  // namespace zr
