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

// page (which must outlive the result) as the engine sees it.
std::unique_ptr<PageBrowser> ViaTestBackend(PageBrowser& page);

// An HTML page seen through the test backend; Serialize shows what the engine wrote.
class TestPage final : public PageBrowser {
 public:
  explicit TestPage(std::unique_ptr<HtmlPage> html)
      : html_(std::move(html)), browser_(ViaTestBackend(*html_)) {}
  std::unique_ptr<PageDocument> Document() override { return browser_->Document(); }
  std::string Serialize() const { return html_->Serialize(); }
  // The document and its form at form_index, as the toolbar hands them over
  // when that form is submitted.
  std::unique_ptr<PageDocument> SubmittedDocument();
  std::unique_ptr<PageForm> SubmittedForm(int form_index);

 private:
  std::unique_ptr<HtmlPage> html_;
  std::unique_ptr<PageBrowser> browser_;
};

inline std::unique_ptr<TestPage> MakeTestPage(std::string_view html,
                                              const std::string& url = kBlankPageUrl) {
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, url);
  return page ? std::make_unique<TestPage>(std::move(page)) : nullptr;
}

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_TEST_PAGE_H_
