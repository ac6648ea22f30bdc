// The forms and their fields as headless Chromium's form.elements shows them,
// on the malformed pages html/membership_*.html (nested forms, forms in
// tables, the form attribute, unclosed forms, fields after </form>, a charset
// that does not fit, a byte-order mark). The expected table was printed by
// tests/pages/browser_forms.mjs; the fields after "|" belong to no form, so
// none of the forms here may list them. This test runs no browser.
#include <gtest/gtest.h>

#include <string>

#include "pages/html_page.h"
#include "tests/pages/html_page_test_support.h"

namespace zr {
namespace {

// "NAME[inputs,text areas,selects] ..." as the script prints it.
std::string Forms(PageDocument& document) {
  std::string out;
  ForEachByIndex(*document.Forms(), [&](PageForm& form) {
    std::string names;
    auto add = [&](auto& field) { names += (names.empty() ? "" : ",") + field.Name(); };
    ForEachByIndex(*form.Inputs(), add);
    ForEachByIndex(*form.TextAreas(), add);
    ForEachByIndex(*form.Selects(), add);
    out += (out.empty() ? "" : " ") + form.Name() + "[" + names + "]";
  });
  return out;
}

TEST(HtmlPageMembershipTest, FormsHoldWhatTheBrowserPutsInThem) {
  const struct {
    const char *file, *browser;
  } cases[] = {
      {"membership_after_end.html", "login[user,pass] second[s1] | stray1,stray2,stray3"},
      {"membership_bom.html", "bom[prénom,straße] bom2[ünter] | outside"},
      {"membership_charset_lie.html", "lie[before,after] end[last] | "},
      {"membership_comments.html", "kept[k1,k3,k2] | k4"},
      {"membership_form_attribute.html",
       "first[own,pick] late[early,moved,inside,note] | to_div,to_nothing"},
      {"membership_foster.html", "wrap[fostered,hidden_in_table,cell] late_in_table[t1] | t2,t3"},
      {"membership_nested.html", "outer[a1,b1,b2] next[n1] | c1,c2"},
      {"membership_table.html", "rows[r1,r2] cell[k1,k2,k3] | r3,after_table,k4"},
      {"membership_unclosed.html", "in_div[d1,d2] open_end[e1,e2] | d3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::unique_ptr<HtmlPage> page = HtmlPage::Open(testing::TestPagePath(c.file));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->NotReadWhole(), "");
    const std::string browser = c.browser;
    EXPECT_EQ(Forms(*page->Document()), browser.substr(0, browser.find(" | ")));
  }
}

}  // namespace
}  // namespace zr
