// Helpers for the HTML page tests: the test pages, and an outline of a page
// (forms, fields, options) read by index or by enumerator.
#ifndef ZRFORM_TESTS_PAGES_HTML_PAGE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_PAGES_HTML_PAGE_TEST_SUPPORT_H_

#include <memory>
#include <string>
#include <vector>

#include "forms/page_forms.h"
#include "pages/html_page.h"

namespace zr::testing {

inline std::string TestPagePath(const std::string& name) {
  return std::string(ZR_HTML_TEST_DIR) + "/" + name;
}

enum class Walk { kByIndex, kByEnumerator };

// Calls visit(item) for each item of collection, walked the given way.
template <typename Item, typename Visit>
void Each(PageCollection<Item>* collection, Walk walk, Visit visit) {
  if (collection == nullptr) return;
  if (walk == Walk::kByIndex) {
    ForEachByIndex(*collection, visit);
  } else {
    ForEachByEnumerator(*collection, [&](Item& item) {
      visit(item);
      return true;
    });
  }
}

// One line per form and element: "form NAME", "input TYPE NAME=VALUE",
// "textarea NAME", "select NAME", "option TEXT=VALUE".
inline std::vector<std::string> Outline(PageDocument& document, Walk walk) {
  std::vector<std::string> lines;
  Each(document.Forms().get(), walk, [&](PageForm& form) {
    lines.push_back("form " + form.Name());
    Each(form.Inputs().get(), walk, [&](PageInput& input) {
      lines.push_back("input " + input.Type() + " " + input.Name() + "=" + input.Value());
    });
    Each(form.TextAreas().get(), walk,
         [&](PageTextArea& area) { lines.push_back("textarea " + area.Name()); });
    Each(form.Selects().get(), walk, [&](PageSelect& select) {
      lines.push_back("select " + select.Name());
      Each(select.Options().get(), walk, [&](PageOption& option) {
        lines.push_back("option " + option.Text() + "=" + option.Value());
      });
    });
  });
  return lines;
}

// The first form of page, or null.
inline std::unique_ptr<PageForm> FirstForm(HtmlPage& page) {
  std::unique_ptr<PageDocument> document = page.Document();
  std::unique_ptr<PageCollection<PageForm>> forms = document->Forms();
  return forms ? forms->At(0) : nullptr;
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_PAGES_HTML_PAGE_TEST_SUPPORT_H_
