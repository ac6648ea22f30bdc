// The HTML page backend: the test pages through PageForms, attribute rules, writes and their
// serialisation, the option selection rule, the saved file (form membership: membership test).
#include "pages/html_page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "tests/pages/html_page_test_support.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::Outline;
using testing::TempDir;
using testing::TestPagePath;

std::unique_ptr<PageForm> FirstForm(HtmlPage& page) { return page.Document()->Forms()->At(0); }
bool Has(const std::string& text, const std::string& part) { return text.find(part) != text.npos; }

TEST(HtmlPageTest, TestPagesReadAsBrowsersOfTheTimeShowThem) {
  const struct {
    const char *file, *title, *outline;
  } cases[] = {
      {"login.html", "Sign in — Harbour Street Credit Union",
       "form search; input text q=; "  // type "search" reads as text
       "form login; input hidden csrf_token=b3f1c0de9a; input text username=; "
       "input password password=; input checkbox remember=yes; input submit signin=Sign in; "
       "input image go=; "},
      {"signup.html", "Create your account",
       "form signup; input text first_name=Jérôme; input text last_name=; input text email=; "
       "input text phone=; input password pass1=; input password pass2=; "
       "input checkbox terms=agreed; input reset =Start again; input submit =Join; "
       "textarea about; textarea address; select country; option Choose one=; "
       "option New Zealand=nz; option Germany=de; option Other country=Other country; "
       "select interests; option Fiction=fic; option History=his; option Films & series=film; "
       "option Music=mus; "},
      // Declared ISO-8859-1: texts read as UTF-8.
      {"latin1.html", "Café du Nord",
       "form réservation; input text prénom=Renée; select plat; option Crêpe=Crêpe; "
       "option Gâteau=gâteau; "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::unique_ptr<HtmlPage> page = HtmlPage::Open(TestPagePath(c.file));
    ASSERT_NE(page, nullptr);
    std::unique_ptr<PageDocument> document = page->Document();
    EXPECT_EQ(document->Title(), c.title);
    EXPECT_EQ(document->Url(), HtmlPage::FileUrl(TestPagePath(c.file)));
    EXPECT_EQ(Outline(*document, true), c.outline);
    EXPECT_EQ(Outline(*document, false), c.outline);
  }
}

TEST(HtmlPageTest, AttributesReadAsTheOriginalDocumentReportedThem) {
  const struct {
    std::string attributes, type;
    std::optional<long> max_length;
  } rows[] = {
      {"", "text", std::nullopt},
      {"type=PassWord maxlength=32", "password", 32},
      {"type=RADIO maxlength=' 15 '", "radio", 15},
      {"type=hidden maxlength=12abc", "hidden", 12},
      {"type=File MAXLENGTH=-0", "file", 0},
      {"type=image maxlength=-1", "image", std::nullopt},
      {"type=email maxlength=abc", "text", std::nullopt},
      {"type=' password' maxlength=2147483647", "text", 2147483647L},
      {"type=bogus maxlength=2147483648", "text", std::nullopt},
  };
  std::string html = "<form>";
  for (const auto& row : rows) html += "<input " + row.attributes + ">";
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html + "</form>");
  std::unique_ptr<PageCollection<PageInput>> inputs = FirstForm(*page)->Inputs();
  ASSERT_EQ(inputs->Length(), static_cast<int>(std::size(rows)));
  EXPECT_EQ(inputs->At(-1), nullptr);
  EXPECT_EQ(inputs->At(std::size(rows)), nullptr);
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(inputs->At(i)->Type(), rows[i].type) << rows[i].attributes;
    EXPECT_EQ(inputs->At(i)->MaxLength(), rows[i].max_length) << rows[i].attributes;
  }
  page = HtmlPage::FromString(
      "<form NAME='F&amp;1'><input Name=' user ' Value='a &amp; b &lt;c&gt; &#8364; &eacute;'>"
      "<input name=x name=y value=first value=second><select>"
      "<option>\n  Two\t words  </option><option value=''>  Empty </option></select></form>");
  std::unique_ptr<PageForm> form = FirstForm(*page);
  EXPECT_EQ(form->Name(), "F&1");
  EXPECT_EQ(form->Inputs()->At(0)->Name() + "|" + form->Inputs()->At(0)->Value(),
            " user |a & b <c> € é");
  EXPECT_EQ(form->Inputs()->At(1)->Name() + form->Inputs()->At(1)->Value(), "xfirst");
  std::unique_ptr<PageCollection<PageOption>> options = form->Selects()->At(0)->Options();
  EXPECT_EQ(options->At(0)->Text() + "|" + options->At(0)->Value(), "Two words|Two words");
  EXPECT_EQ(options->At(1)->Text() + "|" + options->At(1)->Value(), "Empty|");
}

TEST(HtmlPageTest, WritesChangeTheTreeAtOnceAndShowInTheSavedPage) {
  std::unique_ptr<HtmlPage> page = HtmlPage::Open(TestPagePath("signup.html"));
  std::unique_ptr<PageForm> form = FirstForm(*page);
  std::unique_ptr<PageInput> fetched_before = form->Inputs()->At(1);
  const std::string value = "O'Brien & \"Sons\" <Ltd> € \u00e9";
  ASSERT_TRUE(form->Inputs()->At(1)->PutValue(value));
  ASSERT_TRUE(form->TextAreas()->At(0)->PutValue("<b>not markup</b> & more"));
  EXPECT_EQ(fetched_before->Value(), value);
  const std::string html = page->Serialize();
  EXPECT_TRUE(Has(html, "value=\"O'Brien &amp; &quot;Sons&quot; &lt;Ltd&gt; &euro; &eacute;\""))
      << html;
  EXPECT_TRUE(Has(html, ">&lt;b&gt;not markup&lt;/b&gt; &amp; more</textarea>"));
  EXPECT_EQ(FirstForm(*HtmlPage::FromString(html))->Inputs()->At(1)->Value(), value);

  // A single-choice select keeps one selected option.
  page = HtmlPage::FromString(
      "<form><select name=one><option selected>a<option>b<optgroup><option selected>c</select>"
      "<select name=many multiple><option selected>x<option>y</select></form>");
  std::unique_ptr<PageCollection<PageSelect>> selects = FirstForm(*page)->Selects();
  ASSERT_TRUE(selects->At(0)->Options()->At(1)->PutSelected());
  ASSERT_TRUE(selects->At(1)->Options()->At(1)->PutSelected());
  EXPECT_TRUE(Has(page->Serialize(),
                  "<select name=\"one\"><option>a</option><option selected>b"
                  "</option><optgroup><option>c</option></optgroup></select>"
                  "<select name=\"many\" multiple><option selected>x</option>"
                  "<option selected>y</option></select>"))
      << page->Serialize();

  // A Latin-1 page is saved in its own encoding; what it cannot hold is a reference.
  page = HtmlPage::Open(TestPagePath("latin1.html"));
  ASSERT_TRUE(FirstForm(*page)->Inputs()->At(0)->PutValue("Zoë €5"));
  EXPECT_TRUE(Has(page->Serialize(), "value=\"Zo\xeb &#8364;5\""));
}

TEST(HtmlPageTest, SaveWritesAnOwnerOnlyFileThatReopens) {
  TempDir temp;
  std::unique_ptr<HtmlPage> page =
      HtmlPage::Open(TestPagePath("login.html"), "https://bank.example/login?next=%2F");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Document()->Url(), "https://bank.example/login?next=%2F");
  ASSERT_TRUE(page->Document()->Forms()->At(1)->Inputs()->At(2)->PutValue("s3cret"));
  const std::string path = temp.File("filled.html");
  ASSERT_TRUE(page->Save(path));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::unique_ptr<HtmlPage> saved = HtmlPage::Open(path);
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->Document()->Forms()->At(1)->Inputs()->At(2)->Value(), "s3cret");
  EXPECT_FALSE(page->Save(temp.File("no/such/folder/page.html")));
  EXPECT_EQ(HtmlPage::Open("/nonexistent/page.html"), nullptr);
  EXPECT_EQ(HtmlPage::Open(temp.path()), nullptr) << "a folder";
  EXPECT_EQ(HtmlPage::FileUrl("/tmp/a/../my pages/log?in#1%.html"),
            "file:///tmp/my%20pages/log%3Fin%231%25.html");
}

}  // namespace
}  // namespace zr
