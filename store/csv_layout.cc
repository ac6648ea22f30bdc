// CsvLayout: the formats' header columns, the aliases of each role, and the
// detection order (the formats with the most telling columns first).
#include "store/csv_layout.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "platform/ascii_case.h"
#include "store/find_no_case.h"

namespace zr {

namespace {

struct FormatSpec {
  CsvFormat format;
  std::string_view name;
  // The columns a header must have to be of this format (lower case); the
  // columns that newer versions of a program added are not among them.
  std::initializer_list<std::string_view> required;
};

// In detection order: a header of a later format cannot have every column of
// an earlier one.
const std::array<FormatSpec, 6> kFormats = {{
    {CsvFormat::kFirefox,
     "firefox",
     {"url", "username", "password", "httprealm", "formactionorigin"}},
    {CsvFormat::kBitwarden,
     "bitwarden",
     {"type", "name", "login_uri", "login_username", "login_password"}},
    {CsvFormat::kLastPass,
     "lastpass",
     {"url", "username", "password", "extra", "name", "grouping"}},
    {CsvFormat::kOnePassword, "1password", {"title", "url", "username", "password", "otpauth"}},
    {CsvFormat::kKeePassXC,
     "keepassxc",
     {"group", "title", "username", "password", "url", "notes"}},
    {CsvFormat::kChromium, "chromium", {"name", "url", "username", "password"}},
}};

const std::initializer_list<std::string_view> kUrlNames = {"url", "website", "origin", "hostname",
                                                           "login_uri"};
const std::initializer_list<std::string_view> kUserNames = {"username", "user", "login", "account",
                                                            "login_username"};
const std::initializer_list<std::string_view> kPasswordNames = {"password", "login_password"};
const std::initializer_list<std::string_view> kNameNames = {"name", "title"};

std::string Normalized(std::string_view name) {
  auto trim = [&] {
    size_t first = name.find_first_not_of(" \t\"'");
    if (first == std::string_view::npos) return std::string_view();
    size_t last = name.find_last_not_of(" \t\"'");
    return name.substr(first, last - first + 1);
  };
  std::string text(trim());
  for (char& c : text) c = AsciiLower(c);
  return text;
}

// The first column whose name is one of names, in the order of names.
int Column(const std::vector<std::string>& header, std::initializer_list<std::string_view> names) {
  for (std::string_view wanted : names) {
    auto found = std::find(header.begin(), header.end(), wanted);
    if (found != header.end()) return static_cast<int>(found - header.begin());
  }
  return CsvLayout::kNone;
}

bool HasAll(const std::vector<std::string>& header, std::initializer_list<std::string_view> names) {
  return std::all_of(names.begin(), names.end(), [&](std::string_view name) {
    return std::find(header.begin(), header.end(), name) != header.end();
  });
}

std::string Listed(std::initializer_list<std::string_view> names, std::string_view last_word) {
  std::string text;
  size_t i = 0;
  for (std::string_view name : names) {
    if (i) text += i + 1 == names.size() ? std::string(" ") + std::string(last_word) + " " : ", ";
    text += name;
    ++i;
  }
  return text;
}

std::string Found(const std::vector<std::string>& header) {
  std::string text;
  for (const std::string& name : header) {
    if (!text.empty()) text += ", ";
    text += name.empty() ? "(no name)" : name;
  }
  return "the header has the columns " + (text.empty() ? std::string("(none)") : text);
}

}  // namespace

std::string_view CsvFormatName(CsvFormat format) {
  for (const FormatSpec& spec : kFormats) {
    if (spec.format == format) return spec.name;
  }
  return "generic";
}

std::optional<CsvFormat> ParseCsvFormatName(std::string_view name) {
  for (const FormatSpec& spec : kFormats) {
    if (EqualsNoCase(spec.name, name)) return spec.format;
  }
  return std::nullopt;
}

std::string CsvFormatNames() {
  std::string text;
  for (const FormatSpec& spec :
       {kFormats[5], kFormats[0], kFormats[1], kFormats[4], kFormats[2], kFormats[3]}) {
    if (!text.empty()) text += ", ";
    text += spec.name;
  }
  return text;
}

std::optional<CsvLayout> CsvLayout::FromHeader(const std::vector<std::string>& raw_header,
                                               std::optional<CsvFormat> named, std::string& error) {
  std::vector<std::string> header;
  header.reserve(raw_header.size());
  for (const std::string& name : raw_header) header.push_back(Normalized(name));

  CsvLayout layout;
  layout.columns = header.size();
  const FormatSpec* format = nullptr;
  for (const FormatSpec& spec : kFormats) {
    if ((!named || spec.format == *named) && HasAll(header, spec.required)) {
      format = &spec;
      break;
    }
  }
  if (named && !format) {
    const FormatSpec& spec =
        *std::find_if(kFormats.begin(), kFormats.end(),
                      [&](const FormatSpec& candidate) { return candidate.format == *named; });
    error = Found(header) + "; a " + std::string(spec.name) + " file needs " +
            Listed(spec.required, "and");
    return std::nullopt;
  }
  layout.format = format ? format->format : CsvFormat::kGeneric;
  layout.url = Column(header, kUrlNames);
  layout.user = Column(header, kUserNames);
  layout.password = Column(header, kPasswordNames);
  layout.name = Column(header, kNameNames);
  if (layout.format == CsvFormat::kBitwarden) {
    layout.type = Column(header, {"type"});
    layout.fields = Column(header, {"fields"});
    layout.reprompt = Column(header, {"reprompt"});
  }
  if (layout.url == kNone || layout.user == kNone || layout.password == kNone) {
    error = Found(header) + "; a file of logins needs a url column (" + Listed(kUrlNames, "or") +
            "), a user name column (" + Listed(kUserNames, "or") + ") and a password column (" +
            Listed(kPasswordNames, "or") + "), or the header of a known export (" +
            CsvFormatNames() + ")";
    return std::nullopt;
  }
  return layout;
}

}  // namespace zr
