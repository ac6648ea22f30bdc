// How page bytes are decoded (byte-order marks, a declared charset that fits, the windows-1252
// fallback); a page the parser does not read to its end is never written back.
#include "pages/html_page_charset.h"

#include <gtest/gtest.h>

#include <string>

#include "pages/html_page.h"
#include "platform/atomic_file.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using namespace std::string_literals;

TEST(HtmlPageCharsetTest, BytesAreDecodedAsABrowserDecodesThem) {
  const std::string http_equiv = "<meta http-equiv='Content-Type' content='text/html; charset=";
  const struct {
    std::string bytes, encoding, text;
  } cases[] = {
      {"\xEF\xBB\xBF<p>\xC3\xA9", "utf-8", "<p>\u00e9"},
      {"\xFF\xFE<\0p\0>\0\xE9\0=\xD8\x00\xDC"s, "utf-16le", "<p>\u00e9\U0001F400"},
      {"\xFE\xFF\0<\0p\0>\0\xE9\xD8=\xDC\x00"s, "utf-16be", "<p>\u00e9\U0001F400"},
      // The byte-order mark wins over the declaration.
      {"\xEF\xBB\xBF<meta charset=koi8-r>\xC3\xA9", "utf-8", "<meta charset=koi8-r>\u00e9"},
      {"<p>\xE2\x82\xAC", "utf-8", "<p>\u20ac"},
      {"<p>\x80\xE9\x81", "windows-1252", "<p>\u20ac\u00e9\u0081"},
      {"<META CHARSET=\"ISO-8859-1\"><p>\x80", "windows-1252",
       "<META CHARSET=\"ISO-8859-1\"><p>\u20ac"},
      {http_equiv + "Shift_JIS'><p>\x83\x65", "shift_jis", http_equiv + "Shift_JIS'><p>\u30c6"},
      // A declaration that does not fit the bytes, or that nobody knows.
      {"<meta charset=utf-8><p>Ren\xE9", "windows-1252", "<meta charset=utf-8><p>Ren\u00e9"},
      {"<meta charset=x-bogus><p>\xE9", "windows-1252", "<meta charset=x-bogus><p>\u00e9"},
      // Declarations a browser does not see.
      {"<!-- <meta charset=koi8-r> --><p>\xC3\xA9", "utf-8",
       "<!-- <meta charset=koi8-r> --><p>\u00e9"},
      {std::string(1024, ' ') + "<meta charset=koi8-r>\xC3\xA9", "utf-8",
       std::string(1024, ' ') + "<meta charset=koi8-r>\u00e9"},
      {"<metadata charset=koi8-r>\xC3\xA9", "utf-8", "<metadata charset=koi8-r>\u00e9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    DecodedPage page = DecodePage(c.bytes);
    EXPECT_EQ(page.encoding, c.encoding);
    EXPECT_EQ(page.Text(c.bytes), c.text);
  }
}

TEST(HtmlPageCharsetTest, APageNotReadWholeIsNeverWrittenBack) {
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<div>";
  const struct {
    std::string html, reason;
  } cases[] = {
      {deep + "<form><input name=a></form>", "its elements nest deeper than the parser follows"},
      {"<p>" + std::string(10'000'001, 'x') + "</p><form><input name=a></form>",
       "it holds a text longer than the parser keeps"},
  };
  testing::TempDir folder;
  const std::string path = folder.File("out.html");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    ASSERT_TRUE(WriteFileAtomically(path, "before"));
    std::unique_ptr<HtmlPage> page = HtmlPage::FromString(c.html);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->NotReadWhole().rfind(c.reason, 0), 0u) << page->NotReadWhole();
    EXPECT_EQ(page->Serialize(), "");
    std::string error;
    EXPECT_FALSE(page->Save(path, &error));
    EXPECT_EQ(error, "the page was not read whole (" + page->NotReadWhole() + ")");
    EXPECT_EQ(testing::ReadFile(path), "before");
  }
  // 255 levels are read whole and saved.
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(deep.substr(0, 5 * 250) + "<p>end");
  std::string error = "unset";
  EXPECT_TRUE(page->Save(path, &error));
  EXPECT_EQ(error, "");
  EXPECT_NE(testing::ReadFile(path).find("end"), std::string::npos);
}

}  // namespace
}  // namespace zr
