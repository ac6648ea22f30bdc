// Robustness of the HTML page backend: deep nesting, huge forms, invalid
// UTF-8, very long texts, pages without forms, and mangled markup.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "pages/html_page.h"
#include "tests/pages/html_page_test_support.h"

namespace zr {
namespace {

using testing::FirstForm;
using testing::Outline;
using testing::TestPagePath;
using testing::Walk;

bool IsValidUtf8(const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || at + length > text.size()) return false;
    for (size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(HtmlPageRobustnessTest, DeepNestingStopsTheParseAtLibxml2sDepthLimit) {
  constexpr int kDepth = 100000;
  std::string html = "<html><body><form name=before><input name=a></form><form name=deep>";
  html.reserve(html.size() + kDepth * 11 + 100);
  for (int i = 0; i < kDepth; ++i) html += "<div>";
  html += "<input name=inner>";
  for (int i = 0; i < kDepth; ++i) html += "</div>";
  html += "</form><form name=after><input name=z></form></body></html>";

  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html);
  ASSERT_NE(page, nullptr);
  // libxml2 halts at 256 levels and keeps what it had built: the form that
  // holds the nesting is there, what stands deeper or after it is not.
  const std::vector<std::string> expected = {"form before", "input text a=", "form deep"};
  EXPECT_EQ(Outline(*page->Document(), Walk::kByIndex), expected);
  EXPECT_EQ(Outline(*page->Document(), Walk::kByEnumerator), expected);
  EXPECT_FALSE(page->Serialize().empty());
  EXPECT_LT(SecondsSince(start), 10.0);
}

TEST(HtmlPageRobustnessTest, TenThousandInputsWalkInLinearTime) {
  constexpr int kInputs = 10000;
  std::string html = "<form name=big>";
  for (int i = 0; i < kInputs; ++i) html += "<p><input name=f" + std::to_string(i) + ">";
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html + "</form>");
  ASSERT_NE(page, nullptr);

  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<PageForm> form = FirstForm(*page);
  std::unique_ptr<PageCollection<PageInput>> inputs = form->Inputs();
  ASSERT_EQ(inputs->Length(), kInputs);
  int index = 0;
  ForEachByIndex(*inputs,
                 [&](PageInput& input) { EXPECT_EQ(input.Name(), "f" + std::to_string(index++)); });
  const double by_index = SecondsSince(start);
  const auto enumerate_start = std::chrono::steady_clock::now();
  index = 0;
  ForEachByEnumerator(*form->Inputs(), [&](PageInput& input) {
    EXPECT_EQ(input.Name(), "f" + std::to_string(index++));
    return input.PutValue("v");
  });
  const double by_enumerator = SecondsSince(enumerate_start);
  EXPECT_EQ(index, kInputs);
  RecordProperty("by_index_ms", static_cast<int>(by_index * 1000));
  RecordProperty("by_enumerator_ms", static_cast<int>(by_enumerator * 1000));
  // Linear walks take milliseconds; a walk that searched the tree per item
  // would take seconds.
  EXPECT_LT(by_index + by_enumerator, 2.0);
}

TEST(HtmlPageRobustnessTest, InvalidUtf8NeverReachesTheCaller) {
  static const char kWithNul[] = "<form name=\"nul\0here\"><input name=x\0y></form>";
  const std::vector<std::string> pages = {
      "<form name=\"a\xff\xfe\"><input name=\"n\xc3\" value=\"\xed\xa0\x80\"></form>",
      "<meta charset=utf-8><form name=f><input name=\"\xc0\xaf\" value=\"caf\xc3\xa9\xf8\"></form>",
      "<meta charset=shift_jis><form name=\"\x82\xa0\x82\"><input name=\"\x81\"></form>",
      "<meta charset=no-such-encoding><form name=\"\xe9\"><input value=\"\x80\"></form>",
      std::string(kWithNul, sizeof kWithNul - 1),
  };
  for (const std::string& html : pages) {
    SCOPED_TRACE(html);
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html);
    ASSERT_NE(page, nullptr);
    std::vector<std::string> lines = Outline(*page->Document(), Walk::kByIndex);
    ASSERT_FALSE(lines.empty());
    for (const std::string& line : lines) EXPECT_TRUE(IsValidUtf8(line)) << line;
    EXPECT_FALSE(page->Serialize().empty());
  }
  // Written texts are made valid too, and cut at a NUL byte.
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString("<form><input name=x></form>");
  std::unique_ptr<PageInput> input = FirstForm(*page)->Inputs()->At(0);
  ASSERT_TRUE(input->PutValue("ok\xff\xc3(\xe2\x82"));
  EXPECT_EQ(input->Value(), "ok\uFFFD\uFFFD(\uFFFD");
  ASSERT_TRUE(input->PutValue(std::string("before\0after", 12)));
  EXPECT_EQ(input->Value(), "before");
  EXPECT_NE(page->Serialize().find("value=\"before\""), std::string::npos);
}

TEST(HtmlPageRobustnessTest, TextsLongerThanAMegabyteSurviveWhole) {
  const std::string name(2 * 1024 * 1024, 'n');
  const std::string value(3 * 1024 * 1024, 'v');
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(
      "<form name=" + name + "><input name=\"" + name + "\" value=\"" + value +
      "\"><select><option>" + value + "</option></select><input name=after></form>");
  ASSERT_NE(page, nullptr);
  std::unique_ptr<PageForm> form = FirstForm(*page);
  EXPECT_EQ(form->Name(), name);
  std::unique_ptr<PageCollection<PageInput>> inputs = form->Inputs();
  ASSERT_EQ(inputs->Length(), 2);
  EXPECT_EQ(inputs->At(0)->Name(), name);
  EXPECT_EQ(inputs->At(0)->Value(), value);
  EXPECT_EQ(inputs->At(1)->Name(), "after");
  EXPECT_EQ(form->Selects()->At(0)->Options()->At(0)->Text().size(), value.size());

  const std::string written(5 * 1024 * 1024, 'w');
  ASSERT_TRUE(inputs->At(1)->PutValue(written));
  EXPECT_EQ(inputs->At(1)->Value(), written);
  EXPECT_NE(page->Serialize().find(written), std::string::npos);
}

TEST(HtmlPageRobustnessTest, PagesWithoutFormsHaveAnEmptyCollection) {
  for (const char* html :
       {"", " ", "<p>Just text</p>", "<!-- <form> -->", "<textarea><form><input></form></textarea>",
        "</form></form>", "<script>document.write('<form>')</script>", "<input name=lonely>"}) {
    SCOPED_TRACE(html);
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html);
    ASSERT_NE(page, nullptr);
    std::unique_ptr<PageCollection<PageForm>> forms = page->Document()->Forms();
    ASSERT_NE(forms, nullptr);
    EXPECT_EQ(forms->Length(), 0);
    EXPECT_EQ(forms->At(0), nullptr);
    EXPECT_FALSE(forms->Enumerate()->Next().ok);
  }
}

TEST(HtmlPageRobustnessTest, NestedFormsEachSeeTheirDescendants) {
  // A <form> start tag inside a table cell does not close the outer form in
  // libxml2's tree: the outer form holds the inner form's inputs too.
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(
      "<form name=outer><input name=a><table><tr><td><form name=inner><input name=b>"
      "</form></td></tr></table><input name=c></form>");
  const std::vector<std::string> expected = {"form outer",    "input text a=", "input text b=",
                                             "input text c=", "form inner",    "input text b="};
  EXPECT_EQ(Outline(*page->Document(), Walk::kByIndex), expected);
  EXPECT_EQ(Outline(*page->Document(), Walk::kByEnumerator), expected);
}

// Pages cut and spliced at random places parse, walk and take writes.
TEST(HtmlPageRobustnessTest, MangledPagesNeverCrash) {
  std::vector<std::string> sources;
  for (const char* file : {"login.html", "signup.html", "malformed.html", "latin1.html"}) {
    std::string html;
    ASSERT_TRUE(ReadWholeFile(TestPagePath(file), html)) << file;
    sources.push_back(html);
  }
  std::mt19937 random(20240607);
  for (int round = 0; round < 400; ++round) {
    const std::string& a = sources[random() % sources.size()];
    const std::string& b = sources[random() % sources.size()];
    std::string html = a.substr(0, random() % (a.size() + 1)) + b.substr(random() % (b.size() + 1));
    for (int flips = html.empty() ? 0 : random() % 8; flips > 0; --flips) {
      html[random() % html.size()] = static_cast<char>(random());
    }
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html);
    ASSERT_NE(page, nullptr);
    std::unique_ptr<PageDocument> document = page->Document();
    ASSERT_EQ(Outline(*document, Walk::kByIndex), Outline(*document, Walk::kByEnumerator));
    testing::Each(document->Forms().get(), Walk::kByIndex, [](PageForm& form) {
      testing::Each(form.Inputs().get(), Walk::kByIndex,
                    [](PageInput& input) { EXPECT_TRUE(input.PutValue("filled")); });
      testing::Each(form.TextAreas().get(), Walk::kByIndex,
                    [](PageTextArea& area) { EXPECT_TRUE(area.PutValue("text")); });
      testing::Each(form.Selects().get(), Walk::kByIndex, [](PageSelect& select) {
        testing::Each(select.Options().get(), Walk::kByIndex,
                      [](PageOption& option) { EXPECT_TRUE(option.PutSelected()); });
      });
    });
    EXPECT_TRUE(IsValidUtf8(document->Title()));
    page->Serialize();
  }
}

}  // namespace
}  // namespace zr
