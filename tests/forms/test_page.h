// The page backend the engine tests run against. In forms_engine_tests the
// engine reaches a page directly; in forms_engine_remote_tests (built with
// ZR_REMOTE_PAGE_TESTS) it reaches it as the server does: the page is exported
// with PageExporter on the "client" bus connection and read with the remote
// page on the "server" connection, both in this process.
#ifndef ZRFORM_TESTS_FORMS_TEST_PAGE_H_
#define ZRFORM_TESTS_FORMS_TEST_PAGE_H_

#include <memory>
#include <string>
#include <string_view>

#include "forms/page_forms.h"
#include "pages/html_page.h"
#ifdef ZR_REMOTE_PAGE_TESTS
#include "pages/page_exporter.h"
#include "pages/remote_page.h"
#endif

namespace zr {

// How the engine sees the test's page objects (which must outlive what it gives).
class TestBackend final : public PageBrowser {
 public:
#ifdef ZR_REMOTE_PAGE_TESTS
  // Pages of one test live side by side: each is exported under a prefix of its own.
  explicit TestBackend(PageBrowser& page)
      : exporter_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client"),
                  QStringLiteral("/test/page%1").arg(++pages_)),
        link_(std::make_shared<RemotePageLink>(RemotePageLink{
            .connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "server"),
            .service = QDBusConnection(QStringLiteral("client")).baseService()})),
        browser_(RemoteBrowser(link_, exporter_.ExportBrowser(page))) {}
  std::unique_ptr<PageDocument> Document() override { return browser_->Document(); }
  std::unique_ptr<PageDocument> Document(std::unique_ptr<PageDocument> d) { return RemoteDocument(link_, exporter_.ExportDocument(std::move(d))); }
  std::unique_ptr<PageForm> Form(std::unique_ptr<PageForm> f) { return RemoteForm(link_, exporter_.ExportForm(std::move(f))); }

 private:
  static inline int pages_ = 0;
  PageExporter exporter_;
  std::shared_ptr<RemotePageLink> link_;
  std::unique_ptr<PageBrowser> browser_;
#else
  explicit TestBackend(PageBrowser& page) : page_(page) {}
  std::unique_ptr<PageDocument> Document() override { return page_.Document(); }
  std::unique_ptr<PageDocument> Document(std::unique_ptr<PageDocument> d) { return d; }
  std::unique_ptr<PageForm> Form(std::unique_ptr<PageForm> form) { return form; }
  PageBrowser& page_;
#endif
};

inline std::unique_ptr<PageBrowser> ViaTestBackend(PageBrowser& page) { return std::make_unique<TestBackend>(page); }

// An HTML page seen through the test backend.
class TestPage final : public PageBrowser {
 public:
  explicit TestPage(std::unique_ptr<HtmlPage> html) : html_(std::move(html)), backend_(*html_) {}
  std::unique_ptr<PageDocument> Document() override { return backend_.Document(); }
  // The document and its form at form_index, as the toolbar hands them over on a submit.
  std::unique_ptr<PageDocument> SubmittedDocument() { return backend_.Document(html_->Document()); }
  std::unique_ptr<PageForm> SubmittedForm(int i) { return backend_.Form(html_->Document()->Forms()->At(i)); }
  // The page as HTML, with what was written into it.
  std::string Serialize() const { return html_->Serialize(); }

 private:
  std::unique_ptr<HtmlPage> html_;
  TestBackend backend_;
};

inline std::unique_ptr<TestPage> MakeTestPage(std::string_view html,
                                              const std::string& url = kBlankPageUrl) {
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, url);
  return page ? std::make_unique<TestPage>(std::move(page)) : nullptr;
}

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_TEST_PAGE_H_
