// CsvLayout: which export format a CSV file of logins is in and which column
// holds what, found from its header (or checked against a named format).
// Header names are compared with their quotes and surrounding spaces taken
// off and ASCII case ignored.
#ifndef ZRFORM_STORE_CSV_LAYOUT_H_
#define ZRFORM_STORE_CSV_LAYOUT_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

enum class CsvFormat {
  kChromium,
  kFirefox,
  kBitwarden,
  kKeePassXC,
  kLastPass,
  kOnePassword,
  kGeneric,  // another header with a url, a user name and a password column
};

// "chromium", "firefox", "bitwarden", "keepassxc", "lastpass", "1password", "generic".
std::string_view CsvFormatName(CsvFormat format);
// The format of a name given by the user (ASCII case ignored), or none.
// "generic" is not a name a user can give.
std::optional<CsvFormat> ParseCsvFormatName(std::string_view name);
// The names a user can give, for messages: "chromium, firefox, ...".
std::string CsvFormatNames();

struct CsvLayout {
  static constexpr int kNone = -1;

  CsvFormat format = CsvFormat::kGeneric;
  size_t columns = 0;  // how many the header has
  int url = kNone;
  int user = kNone;
  int password = kNone;
  int name = kNone;      // the login's name or title
  int type = kNone;      // bitwarden: "login", "note", "card", ...
  int fields = kNone;    // bitwarden: custom fields, one "name: value" per line
  int reprompt = kNone;  // bitwarden: 1 = ask for the master password

  // The layout of header. With named, the header must have that format's
  // columns; otherwise the first format whose columns it has is taken, then
  // any header with a url, a user name and a password column. On failure
  // error says which columns were found and which are needed.
  static std::optional<CsvLayout> FromHeader(const std::vector<std::string>& header,
                                             std::optional<CsvFormat> named, std::string& error);
};

}  // namespace zr

#endif  // ZRFORM_STORE_CSV_LAYOUT_H_
