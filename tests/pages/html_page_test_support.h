// Helpers for the page tests: the test pages in html/, and an outline of a
// page (forms, fields, options) read by index or by enumerator.
#ifndef ZRFORM_TESTS_PAGES_HTML_PAGE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_PAGES_HTML_PAGE_TEST_SUPPORT_H_

#include <memory>
#include <string>

#include "forms/page_forms.h"
#include "pages/html_page.h"

namespace zr::testing {

inline std::string TestPagePath(const std::string& name) {
  return std::string(ZR_HTML_TEST_DIR) + "/" + name;
}

// Calls visit(item) for each item of collection, by index or by enumerator.
template <typename Item, typename Visit>
void Each(PageCollection<Item>* collection, bool by_index, Visit visit) {
  if (collection == nullptr) return;
  if (by_index) return ForEachByIndex(*collection, visit);
  ForEachByEnumerator(*collection, [&](Item& item) { return visit(item), true; });
}

// "form NAME; input TYPE NAME=VALUE; textarea NAME; select NAME; option TEXT=VALUE; ".
inline std::string Outline(PageDocument& document, bool by_index = true) {
  std::string out;
  Each(document.Forms().get(), by_index, [&](PageForm& form) {
    out += "form " + form.Name() + "; ";
    Each(form.Inputs().get(), by_index, [&](PageInput& input) {
      out += "input " + input.Type() + " " + input.Name() + "=" + input.Value() + "; ";
    });
    Each(form.TextAreas().get(), by_index,
         [&](PageTextArea& area) { out += "textarea " + area.Name() + "; "; });
    Each(form.Selects().get(), by_index, [&](PageSelect& select) {
      out += "select " + select.Name() + "; ";
      Each(select.Options().get(), by_index, [&](PageOption& option) {
        out += "option " + option.Text() + "=" + option.Value() + "; ";
      });
    });
  });
  return out;
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_PAGES_HTML_PAGE_TEST_SUPPORT_H_
