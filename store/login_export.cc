// LoginExport: one CSV row per record with a password.
#include "store/login_export.h"

#include <array>
#include <vector>

#include "platform/code_page.h"
#include "store/csv_table.h"
#include "store/find_no_case.h"
#include "store/login_store.h"

namespace zr {

namespace {

const std::vector<std::string> kChromiumHeader = {"name", "url", "username", "password", "note"};
const std::vector<std::string> kBitwardenHeader = {
    "folder",   "favorite",  "type",           "name",           "notes",     "fields",
    "reprompt", "login_uri", "login_username", "login_password", "login_totp"};

// A site address as a url: a site is normally a host without a scheme.
std::string UrlOf(const std::string& site) {
  if (site.empty()) return site;
  if (FindNoCasePosition(site, "http://") == 0 || FindNoCasePosition(site, "https://") == 0) {
    return CodePageToUtf8(site);
  }
  return "https://" + CodePageToUtf8(site);
}

// Bitwarden's custom fields: every field but the login name and the password,
// as "name: value" lines.
std::string OtherFields(const LoginRecord& record, const std::string& login_name) {
  std::string text;
  bool user_passed = false;
  bool password_passed = false;
  for (const LoginField& field : record.fields()) {
    bool password = EqualsNoCase(field.type, "password");
    if (password && !password_passed) {
      password_passed = true;
      continue;
    }
    if (!password && !user_passed && field.value == login_name) {
      user_passed = true;
      continue;
    }
    if (!text.empty()) text += '\n';
    text += CodePageToUtf8(field.field_name) + ": " + CodePageToUtf8(field.value);
  }
  return text;
}

}  // namespace

bool LoginExport::CanWrite(CsvFormat format) {
  return format == CsvFormat::kChromium || format == CsvFormat::kBitwarden;
}

LoginExport LoginExport::Write(LoginStore& store, CsvFormat format) {
  LoginExport result;
  const bool bitwarden = format == CsvFormat::kBitwarden;
  CsvTable::AppendRow(result.text_, bitwarden ? kBitwardenHeader : kChromiumHeader);
  std::vector<std::string> row;
  store.ForEach([&](LoginRecord& record) {
    std::optional<std::string> password = record.GetPassword();
    if (!password) {
      ++result.without_password_;
      return;
    }
    std::string login_name = record.GetLoginName().value_or("");
    if (bitwarden) {
      row = {"",
             "",
             "login",
             CodePageToUtf8(record.description()),
             "",
             OtherFields(record, login_name),
             record.require_master_password() ? "1" : "0",
             UrlOf(record.site()),
             CodePageToUtf8(login_name),
             CodePageToUtf8(*password),
             ""};
    } else {
      row = {CodePageToUtf8(record.description()), UrlOf(record.site()), CodePageToUtf8(login_name),
             CodePageToUtf8(*password), ""};
    }
    CsvTable::AppendRow(result.text_, row);
    ++result.written_;
  });
  return result;
}

}  // namespace zr
