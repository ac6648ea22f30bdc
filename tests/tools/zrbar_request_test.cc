// zrbar's command line: every command form, the options in any place, and the
// usage errors with their messages.
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
std::string Describe(const BarRequest& request) {
  BarRequest fresh;
  std::ostringstream text;
  text << kCommandNames[static_cast<int>(request.command)];
  if (request.hwnd != fresh.hwnd) text << " hwnd=" << request.hwnd;
  if (!request.page.empty()) text << " page=" << request.page;
  if (!request.url.empty()) text << " url=" << request.url;
  if (!request.out.empty()) text << " out=" << request.out;
  if (request.database_type != 0) text << " type=" << request.database_type;
  if (request.force) text << " force";
  if (request.automatic) text << " auto";
  if (request.form_index != 0) text << " form=" << request.form_index;
  if (!request.file.empty()) text << " file=" << request.file;
  if (!request.text.empty()) text << " text=" << request.text;
  if (request.item_type != 0) text << " item_type=" << request.item_type;
  if (request.item_index != 0) text << " index=" << request.item_index;
  return text.str();
}

TEST(ZrbarRequestTest, ParsesEveryCommandForm) {
  const struct {
    std::vector<std::string> arguments;
    std::string request;
  } cases[] = {
      {{"fill", "a.html", "--type", "home"}, "fill page=a.html type=2"},
      {{"--hwnd", "42", "fill", "a.html", "--type", "password", "--force", "--auto", "--url",
        "https://e.com/login", "--out", "o.html"},
       "fill hwnd=42 page=a.html url=https://e.com/login out=o.html type=1 force auto"},
      {{"fill", "--type=work", "--out=o.html", "a.html"}, "fill page=a.html out=o.html type=3"},
      {{"fill", "a.html", "--hwnd", "7", "--type", "home"}, "fill hwnd=7 page=a.html type=2"},
      {{"--hwnd", "0x1A", "record", "p.html"}, "record hwnd=26 page=p.html"},
      {{"--hwnd", "-5", "record", "p.html", "--url", "https://e.com/"},
       "record hwnd=-5 page=p.html url=https://e.com/"},
      {{"--hwnd", "9223372036854775807", "form-manager"}, "form-manager hwnd=9223372036854775807"},
      {{"--hwnd", "-9223372036854775808", "form-manager"},
       "form-manager hwnd=-9223372036854775808"},
      {{"--hwnd", "0xFFFFFFFFFFFFFFFF", "password-manager"}, "password-manager hwnd=-1"},
      {{"autorecord", "p.html"}, "autorecord page=p.html"},
      {{"autorecord", "p.html", "--form", "2", "--url", "u"}, "autorecord page=p.html url=u form=2"},
      {{"find-password", "https://mail.example.com/"}, "find-password url=https://mail.example.com/"},
      {{"auto-record-login"}, "auto-record-login"},
      {{"update-fields", "-"}, "update-fields file=-"},
      {{"update-fields", "fields.xml"}, "update-fields file=fields.xml"},
      {{"password-manager"}, "password-manager"},
      {{"history", "add", "example.com", "3"}, "history-add text=example.com item_type=3"},
      {{"history", "add", "--", "--help", "-1"}, "history-add text=--help item_type=-1"},
      {{"history", "add", "Köln", "2147483647"}, "history-add text=Köln item_type=2147483647"},
      {{"history", "add", "", "0"}, "history-add"},
      {{"history", "count"}, "history-count"},
      {{"history", "item", "1"}, "history-item index=1"},
      {{"history", "item", "-2147483648"}, "history-item index=-2147483648"},
      {{"history", "list"}, "history-list"},
      {{"history", "clear"}, "history-clear"},
      {{"history", "save"}, "history-save"},
      {{"history", "save", "h.txt"}, "history-save file=h.txt"},
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
      {{"autorecord", "p.html", "--form", "-1"}, "--form must be a form index (0 is the first), not '-1'"},
      {{"autorecord", "p.html", "--form", "2147483648"}, "--form must be a form index (0 is the first), not '2147483648'"},
      {{"find-password", "--hwnd", "1", "u"}, "--hwnd does not apply to find-password"},
      {{"find-password"}, "find-password: missing URL"},
      {{"find-password", "\xC3"}, "URL is not valid UTF-8"},
      {{"auto-record-login", "extra"}, "auto-record-login: unexpected argument 'extra'"},
      {{"update-fields"}, "update-fields: missing FILE"},
      {{"update-fields", ""}, "FILE must not be empty (- reads standard input)"},
      {{"--hwnd", "abc", "password-manager"}, "--hwnd must be a 64-bit window number (decimal or 0x hex), not 'abc'"},
      {{"--hwnd", "9223372036854775808", "form-manager"}, "--hwnd must be a 64-bit window number (decimal or 0x hex), not '9223372036854775808'"},
      {{"--hwnd", "0x1FFFFFFFFFFFFFFFF", "form-manager"}, "--hwnd must be a 64-bit window number (decimal or 0x hex), not '0x1FFFFFFFFFFFFFFFF'"},
      {{"--hwnd", "+-4", "form-manager"}, "--hwnd must be a 64-bit window number (decimal or 0x hex), not '+-4'"},
      {{"form-manager", "--hwnd"}, "--hwnd needs a value"},
      {{"--verbose", "auto-record-login"}, "unknown option --verbose"},
      {{"history", "add", "x"}, "history add: missing TYPE"},
      {{"history", "add", "x", "three"}, "TYPE must be a 32-bit whole number, not 'three'"},
      {{"history", "add", "x", "2147483648"}, "TYPE must be a 32-bit whole number, not '2147483648'"},
      {{"history", "add", "x", "1 "}, "TYPE must be a 32-bit whole number, not '1 '"},
      {{"history", "add", "\xFF", "1"}, "TEXT is not valid UTF-8"},
      {{"history", "count", "1"}, "history count: unexpected argument '1'"},
      {{"history", "item"}, "history item: missing N"},
      {{"history", "item", "0x1"}, "N must be a 32-bit whole number, not '0x1'"},
      {{"history", "save", "a", "b"}, "history save: unexpected argument 'b'"},
      {{"history", "save", ""}, "FILE must not be empty"},
      {{"history", "load"}, "history load: missing FILE"},
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

TEST(ZrbarRequestTest, AsksForHelp) {
  const std::vector<std::string> cases[] = {
      {"--help"}, {"-h"}, {"help"}, {"fill", "--help"}, {"history", "add", "--help"}};
  for (const auto& arguments : cases) {
    BarParse parse = ParseBarCommandLine(arguments);
    EXPECT_TRUE(parse.help) << arguments.back();
    EXPECT_FALSE(parse.request);
  }
  // After "--" it is a text like any other.
  BarParse text = ParseBarCommandLine({"history", "add", "--", "--help", "1"});
  ASSERT_TRUE(text.request);
  EXPECT_EQ(text.request->text, "--help");
}

}  // namespace
}  // namespace zr
