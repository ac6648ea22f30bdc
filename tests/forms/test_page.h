// The page backend the engine tests run against. In forms_engine_tests the
// engine reaches a page directly; in forms_engine_remote_tests (built with
// ZR_REMOTE_PAGE_TESTS) it reaches it as the server does: the page is exported
// on one bus connection and read back through a remote page on another.
#ifndef ZRFORM_TESTS_FORMS_TEST_PAGE_H_
#define ZRFORM_TESTS_FORMS_TEST_PAGE_H_

#include <memory>
#include <string>
#include <string_view>

#include "forms/page_forms.h"
#include "pages/html_page.h"

namespace zr {

// How the engine sees a page that the test holds.
class TestBackend {
 public:
  virtual ~TestBackend() = default;
  // The browser as the engine sees it; browser must outlive the backend.
  virtual std::unique_ptr<PageBrowser> Browser(PageBrowser& browser) = 0;
  // A document and a form as handed over for a submit (either may be null).
  virtual std::unique_ptr<PageDocument> Document(std::unique_ptr<PageDocument> document) = 0;
  virtual std::unique_ptr<PageForm> Form(std::unique_ptr<PageForm> form) = 0;
  // The callbacks made so far (0 when the engine reaches the page directly).
  virtual long callbacks() const = 0;
};

std::unique_ptr<TestBackend> MakeTestBackend();

// An HTML page seen through the test backend. Its own tree shows what the
// engine wrote (Serialize).
class TestPage final : public PageBrowser {
 public:
  explicit TestPage(std::unique_ptr<HtmlPage> html);
  std::unique_ptr<PageDocument> Document() override {
    return browser_ ? browser_->Document() : nullptr;
  }
  std::string Serialize() const { return html_->Serialize(); }
  // The document and its form at form_index, as the toolbar hands them over
  // when that form is submitted.
  std::unique_ptr<PageDocument> SubmittedDocument();
  std::unique_ptr<PageForm> SubmittedForm(int form_index);
  TestBackend& backend() { return *backend_; }

 private:
  std::unique_ptr<HtmlPage> html_;
  std::unique_ptr<TestBackend> backend_;
  std::unique_ptr<PageBrowser> browser_;  // destroyed first: it reads through backend_
};

// Parses html as HtmlPage::FromString does; null when that fails.
std::unique_ptr<TestPage> MakeTestPage(std::string_view html,
                                       const std::string& url = kBlankPageUrl);

// A page object of the test's own seen through a backend of its own; page
// must outlive the result.
std::unique_ptr<PageBrowser> ViaTestBackend(PageBrowser& page);

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_TEST_PAGE_H_
