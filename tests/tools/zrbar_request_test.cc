// zrbar's command line: every command form, options in any place, the number
// ranges, and the usage errors with their messages.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/zrbar_request.h"

namespace zr {
namespace {

constexpr const char* kCommandNames[] = {
    "fill", "record", "autorecord", "find-password", "auto-record-login", "update-fields",
    "password-manager", "form-manager", "history-add", "history-count", "history-item",
    "history-list", "history-clear", "history-save", "history-load", "history-cur-file"};

// The command and every field that differs from a fresh request.
std::string Describe(const BarRequest& r) {
  std::ostringstream text;
  text << kCommandNames[static_cast<int>(r.command)];
  if (r.hwnd != 0) text << " hwnd=" << r.hwnd;
  if (!r.page.empty()) text << " page=" << r.page;
  if (!r.url.empty()) text << " url=" << r.url;
  if (!r.out.empty()) text << " out=" << r.out;
  if (r.database_type != 0) text << " type=" << r.database_type;
  if (r.force) text << " force";
  if (r.automatic) text << " auto";
  if (r.form_index != 0) text << " form=" << r.form_index;
  if (!r.file.empty()) text << " file=" << r.file;
  if (!r.text.empty()) text << " text=" << r.text;
  if (r.item_type != 0) text << " item_type=" << r.item_type;
  if (r.item_index != 0) text << " index=" << r.item_index;
  return text.str();
}

TEST(ZrbarRequestTest, ParsesEveryCommandForm) {
  const struct {
    std::vector<std::string> arguments;
    std::string request;
  } cases[] = {
      {{"--hwnd", "42", "fill", "a.html", "--type", "password", "--force", "--auto", "--url",
        "https://e.com/login", "--out", "o.html"},
       "fill hwnd=42 page=a.html url=https://e.com/login out=o.html type=1 force auto"},
      {{"fill", "--type=work", "--out=o.html", "a.html"}, "fill page=a.html out=o.html type=3"},
      {{"fill", "a.html", "--hwnd", "7", "--type", "home"}, "fill hwnd=7 page=a.html type=2"},
      {{"--hwnd", "0x1A", "record", "p.html"}, "record hwnd=26 page=p.html"},
      {{"--hwnd", "-9223372036854775808", "form-manager"}, "form-manager hwnd=-9223372036854775808"},
      {{"--hwnd", "0xFFFFFFFFFFFFFFFF", "password-manager"}, "password-manager hwnd=-1"},
      {{"autorecord", "p.html", "--form", "2", "--url", "u"}, "autorecord page=p.html url=u form=2"},
      {{"find-password", "https://e.com/"}, "find-password url=https://e.com/"},
      {{"auto-record-login"}, "auto-record-login"},
      {{"update-fields", "-"}, "update-fields file=-"},
      {{"history", "add", "--", "--help", "-1"}, "history-add text=--help item_type=-1"},
      {{"history", "add", "Köln", "2147483647"}, "history-add text=Köln item_type=2147483647"},
      {{"history", "count"}, "history-count"},
      {{"history", "item", "-2147483648"}, "history-item index=-2147483648"},
      {{"history", "list"}, "history-list"},
      {{"history", "clear"}, "history-clear"},
      {{"history", "save"}, "history-save"},
      {{"history", "load", "/tmp/h.txt"}, "history-load file=/tmp/h.txt"},
      {{"history", "cur-file"}, "history-cur-file"},
  };
  for (const auto& c : cases) {
    BarParse parse = ParseBarCommandLine(c.arguments);
    ASSERT_TRUE(parse.request) << c.request << ": " << parse.error;
    EXPECT_FALSE(parse.help);
    EXPECT_EQ(Describe(*parse.request), c.request);
  }
}

TEST(ZrbarRequestTest, RejectsBadUsageWithAMessage) {
  const std::string hwnd = "--hwnd must be a 64-bit window number (decimal or 0x hex), not ";
  const std::string form = "--form must be a form index (0 is the first), not ";
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } cases[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"history"}, "history needs one of add, count, item, list, clear, save, load, cur-file"},
      {{"history", "remove", "x"}, "unknown history command 'remove'"},
      {{"fill", "a.html"}, "fill: --type password|home|work is required"},
      {{"fill", "a.html", "--type", "customize"}, "--type must be password, home or work, not 'customize'"},
      {{"fill", "--type", "home"}, "fill: missing PAGE"},
      {{"fill", "a.html", "b.html", "--type", "home"}, "fill: unexpected argument 'b.html'"},
      {{"fill", "a.html", "--type", "home", "--force=yes"}, "--force takes no value"},
      {{"fill", "a.html", "--type", "home", "--url="}, "--url must not be empty"},
      {{"fill", "", "--type", "home"}, "PAGE must not be empty"},
      {{"record", "p.html", "--out", "o.html"}, "--out does not apply to record"},
      {{"record", "p.html", "--url", "a", "--url", "b"}, "--url is given twice"},
      {{"autorecord", "p.html", "--type", "home"}, "--type does not apply to autorecord"},
      {{"autorecord", "p.html", "--form", "-1"}, form + "'-1'"},
      {{"autorecord", "p.html", "--form", "2147483648"}, form + "'2147483648'"},
      {{"find-password", "--hwnd", "1", "u"}, "--hwnd does not apply to find-password"},
      {{"find-password", "\xC3"}, "URL is not valid UTF-8"},
      {{"auto-record-login", "extra"}, "auto-record-login: unexpected argument 'extra'"},
      {{"update-fields", ""}, "FILE must not be empty (- reads standard input)"},
      {{"--hwnd", "abc", "password-manager"}, hwnd + "'abc'"},
      {{"--hwnd", "9223372036854775808", "form-manager"}, hwnd + "'9223372036854775808'"},
      {{"--hwnd", "0x1FFFFFFFFFFFFFFFF", "form-manager"}, hwnd + "'0x1FFFFFFFFFFFFFFFF'"},
      {{"--hwnd", "+-4", "form-manager"}, hwnd + "'+-4'"},
      {{"form-manager", "--hwnd"}, "--hwnd needs a value"},
      {{"--verbose", "auto-record-login"}, "unknown option --verbose"},
      {{"history", "add", "x"}, "history add: missing TYPE"},
      {{"history", "add", "x", "2147483648"}, "TYPE must be a 32-bit whole number, not '2147483648'"},
      {{"history", "add", "x", "1 "}, "TYPE must be a 32-bit whole number, not '1 '"},
      {{"history", "add", "\xFF", "1"}, "TEXT is not valid UTF-8"},
      {{"history", "item", "0x1"}, "N must be a 32-bit whole number, not '0x1'"},
      {{"history", "save", "a", "b"}, "history save: unexpected argument 'b'"},
      {{"history", "load", "/tmp/\xC0\xAF"}, "FILE is not valid UTF-8"},
      {{"history", "list", "--hwnd", "3"}, "--hwnd does not apply to history list"},
  };
  for (const auto& c : cases) {
    BarParse parse = ParseBarCommandLine(c.arguments);
    EXPECT_FALSE(parse.request) << c.error << ": " << Describe(*parse.request);
    EXPECT_FALSE(parse.help);
    EXPECT_EQ(parse.error, c.error);
  }
}

TEST(ZrbarRequestTest, AsksForHelpExceptAfterDoubleDash) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h"}, {"help"}, {"fill", "--help"}, {"history", "add", "--help"}}) {
    BarParse parse = ParseBarCommandLine(arguments);
    EXPECT_TRUE(parse.help) << arguments.back();
    EXPECT_FALSE(parse.request);
  }
}

}  // namespace
}  // namespace zr
