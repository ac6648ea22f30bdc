// zrbar's command line and output without a bus: command forms, number ranges, usage errors.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/zrbar_output.h"
#include "tools/zrbar_request.h"

namespace zr {
namespace {

// The fields of a request that differ from a fresh one.
std::string Describe(const BarRequest& r) {
  std::ostringstream text;
  text << static_cast<int>(r.command);
  auto field = [&](const char* name, const auto& value, bool set) {
    if (set) text << ' ' << name << '=' << value;
  };
  field("hwnd", r.hwnd, r.hwnd != 0), field("page", r.page, !r.page.empty());
  field("url", r.url, !r.url.empty()), field("out", r.out, !r.out.empty());
  field("file", r.file, !r.file.empty()), field("text", r.text, !r.text.empty());
  field("type", r.database_type, r.database_type != 0), field("form", r.form_index, r.form_index);
  field("format", r.format, !r.format.empty());
  field("item", std::to_string(r.item_type) + '/' + std::to_string(r.item_index),
        r.item_type || r.item_index);
  return text.str() + (r.force ? " force" : "") + (r.automatic ? " auto" : "") +
         (r.update_passwords ? " update" : "");
}

TEST(ZrbarCliTest, ParsesEveryCommandForm) {
  // The arguments, and the request, "help", or "error: " and the usage error.
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--hwnd", "42", "fill", "a.html", "--type", "password", "--force", "--auto", "--url", "u",
        "--out", "o"},
       "0 hwnd=42 page=a.html url=u out=o type=1 force auto"},
      {{"--hwnd", "0x1A", "record", "p"}, "1 hwnd=26 page=p"},
      {{"--hwnd", "-9223372036854775808", "form-manager"}, "7 hwnd=-9223372036854775808"},
      {{"autorecord", "p", "--form", "0"}, "2 page=p"},
      {{"-h"}, "help"},
      {{"history", "add", "--", "--help", "2147483647"}, "8 text=--help item=2147483647/0"},
      {{"history", "item", "-2147483648"}, "10 item=0/-2147483648"},
      {{"import", "l.csv", "--format", "bitwarden", "--update-passwords"},
       "16 file=l.csv format=bitwarden update"},
      {{"export", "o.csv", "--update-passwords"},
       "error: --update-passwords does not apply to export"},
      {{}, "error: no command given"},
      {{"fill", "a.html", "--type", "customize"},
       "error: --type must be password, home or work, not 'customize'"},
      {{"record", "p", "--url", "a", "--url", "b"}, "error: --url is given twice"},
      {{"autorecord", "p", "--form", "-1"},
       "error: --form must be a form index (0 is the first), not '-1'"},
      {{"find-password", "\xC3"}, "error: URL is not valid UTF-8"},
      {{"--hwnd", "9223372036854775808", "form-manager"},
       "error: --hwnd must be a 64-bit window number (decimal or 0x hex), not "
       "'9223372036854775808'"},
      {{"history", "add", "x", "1 "}, "error: TYPE must be a 32-bit whole number, not '1 '"},
  };
  for (const auto& [arguments, parsed] : cases) {
    const BarParse parse = ParseBarCommandLine(arguments);
    const std::string request = parse.request ? Describe(*parse.request) : "";
    EXPECT_EQ(
        (parse.help ? "help" : request) + (parse.error.empty() ? "" : "error: " + parse.error),
        parsed);
  }
}

TEST(ZrbarCliTest, NamesOtherResultsInHexAndKeepsEachValueOnItsLine) {
  EXPECT_EQ(HResultName(2) + " " + HResultName(-1), "0x00000002 0xFFFFFFFF");
  const std::string escapes[] = {
      // a value, then how it is printed
      "Köln – 天気", "Köln – 天気",          "C:\\p",   "C:\\\\p",  "a\r\nb",   "a\\r\\nb", "t\tx",
      "t\\x09x",     std::string("n\0x", 3), "n\\x00x", "\x1B[31m", "\\x1B[31m"};
  for (size_t i = 0; i < std::size(escapes); i += 2)
    EXPECT_EQ(EscapeValue(escapes[i]), escapes[i + 1]) << escapes[i + 1];
}

}  // namespace
}  // namespace zr
