// LoginImport: rows to records, the check against the store, and the summary.
#include "store/login_import.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <unordered_map>

#include "platform/ascii_case.h"
#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "store/csv_table.h"
#include "store/file_cipher.h"
#include "store/find_no_case.h"
#include "store/login_store.h"
#include "store/protected_string.h"
#include "store/site_key.h"
#include "store/site_match.h"

namespace zr {

namespace {

constexpr std::string_view kLastPassNoteUrl = "http://sn";
constexpr std::string_view kBitwardenLogin = "login";
constexpr size_t kMaxShownValueBytes = 120;

std::string_view Trimmed(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A url or user name as a skipped row shows it: on one line, and not too long.
std::string Shown(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < value.size() && text.size() < kMaxShownValueBytes; ++i) {
    unsigned char c = static_cast<unsigned char>(value[i]);
    if (c >= 0x20 && c != 0x7F) {
      text += static_cast<char>(c);
    } else {
      text += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : "\\x";
      if (c != '\n' && c != '\r' && c != '\t') text += {kHex[c >> 4], kHex[c & 15]};
    }
  }
  if (text.size() < value.size()) {
    // Not into the middle of a character.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
      text.pop_back();
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) text.pop_back();
    text += "...";
  }
  return text;
}

std::string Plural(int count, std::string_view word) {
  return std::to_string(count) + " " + std::string(word) + (count == 1 ? "" : "s");
}

// The page address a url stands for: "https://" in front of one without a
// scheme, the scheme in lower case as a browser writes it; none for other schemes.
std::optional<std::string> PageAddressOf(std::string_view url) {
  size_t scheme_end = url.find("://");
  if (scheme_end == std::string_view::npos) return "https://" + std::string(url);
  std::string scheme = AsciiLower(url.substr(0, scheme_end));
  if (scheme != "http" && scheme != "https") return std::nullopt;
  return scheme + std::string(url.substr(scheme_end));
}

// Bitwarden puts every url of a login into one value, separated by commas:
// the first, up to a comma that a scheme follows ("a,https://b" gives "a").
std::string_view FirstUrl(std::string_view urls) {
  for (size_t comma = urls.find(','); comma != std::string_view::npos;
       comma = urls.find(',', comma + 1)) {
    std::string_view rest = Trimmed(urls.substr(comma + 1));
    size_t scheme = rest.find("://");
    if (scheme != 0 && scheme != std::string_view::npos &&
        std::all_of(rest.begin(), rest.begin() + scheme,
                    [](char c) { return std::isalpha(static_cast<unsigned char>(c)); })) {
      return Trimmed(urls.substr(0, comma));
    }
  }
  return urls;
}

}  // namespace

bool LoginImport::Read(std::string_view text, std::optional<CsvFormat> format) {
  std::optional<CsvLayout> layout;
  std::string header_error;
  int header_line = 0;
  auto on_row = [&](CsvRow&& row) {
    if (!layout) {
      header_line = row.line;
      layout = CsvLayout::FromHeader(row.values, format, header_error);
      return layout.has_value();
    }
    if (static_cast<size_t>(++rows_) > kMaxImportRows) return false;
    TakeRow(*layout, row);
    return true;
  };
  std::optional<CsvError> error = CsvTable::Read(text, on_row);
  if (error || !layout) {
    candidates_.clear();
    skipped_.clear();
    if (!layout && !header_error.empty()) {
      error_ = "line " + std::to_string(header_line) + ": " + header_error;
    } else if (error && error->message.empty()) {
      error_ = "the file has more than " + std::to_string(kMaxImportRows) +
               " rows, more than one import takes: split it into smaller files";
    } else if (error) {
      error_ = "line " + std::to_string(error->line) + " " + error->message;
    } else {
      error_ = "the file is empty: it has no header line";
    }
    return false;
  }
  format_ = layout->format;
  return true;
}

bool LoginImport::ReadFile(const std::string& path, std::optional<CsvFormat> format) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    error_ = "it is not a file that can be read";
    return false;
  }
  uintmax_t size = std::filesystem::file_size(path, error);
  std::string text;
  if (!error && size <= kMaxImportFileBytes && !ReadWholeFile(path, text)) {
    error_ = "it cannot be read";
    return false;
  }
  // Checked again after the read: the file may have grown meanwhile.
  if (error || size > kMaxImportFileBytes || text.size() > kMaxImportFileBytes) {
    error_ = "it is larger than " + std::to_string(kMaxImportFileBytes >> 20) +
             " MB, more than one import takes: split it into smaller files";
    return false;
  }
  return Read(text, format);
}

void LoginImport::TakeRow(const CsvLayout& layout, const CsvRow& row) {
  auto value = [&](int column) -> std::string_view {
    if (column < 0 || static_cast<size_t>(column) >= row.values.size()) return {};
    return row.values[column];
  };
  std::string_view url = Trimmed(value(layout.url));
  std::string_view user = value(layout.user);
  std::string_view password = value(layout.password);
  auto skip = [&](std::string_view reason) {
    std::string text = "row " + std::to_string(rows_) + " (line " + std::to_string(row.line) +
                       "): " + std::string(reason);
    if (!url.empty()) text += ", url " + Shown(url);
    if (!user.empty()) text += ", user " + Shown(user);
    skipped_.push_back(std::move(text));
  };
  if (row.values.size() > layout.columns) {
    skip("has " + std::to_string(row.values.size()) + " values, the header " +
         std::to_string(layout.columns));
    return;
  }
  if ((layout.type != CsvLayout::kNone &&
       !EqualsNoCase(Trimmed(value(layout.type)), kBitwardenLogin)) ||
      (layout.format == CsvFormat::kLastPass && EqualsNoCase(url, kLastPassNoteUrl))) {
    ++not_logins_;
    return;
  }
  if (layout.format == CsvFormat::kBitwarden) url = FirstUrl(url);
  if (url.empty()) return skip("url is empty");
  std::optional<std::string> address = PageAddressOf(url);
  if (!address) return skip("url is not a web address (http or https)");
  if (password.empty()) return skip("password is empty");

  // Held as a capture holds them: in the code page, cut to a stored string.
  std::string site = Utf8ToCodePage(*address);
  std::string user_text = Utf8ToCodePage(user);
  std::string password_text = Utf8ToCodePage(password);
  const std::string code_page = CodePageName();
  if (CodePageToUtf8(site) != *address)
    return skip("url has characters that the code page " + code_page + " cannot hold");
  if (CodePageToUtf8(user_text) != user)
    return skip("user name has characters that the code page " + code_page + " cannot hold");
  if (CodePageToUtf8(password_text) != password)
    return skip("password has characters that the code page " + code_page + " cannot hold");
  std::optional<WebAddress> page = ParsePageAddress(site);
  site = std::string(FitToStoredString(site));
  SiteKey(site);
  // The stored site must itself read as an address, as an export writes it:
  // the site key of a host such as "a...[b" is "[b", which does not.
  if (site.empty() || !page || page->host.empty() || !ParsePageAddress("https://" + site)) {
    return skip("url has no host");
  }
  // A host never holds white space or control characters; a site made of
  // them could not be written out and read back.
  if (std::any_of(site.begin(), site.end(),
                  [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; })) {
    return skip("url has spaces or control characters in its host");
  }

  int cut = 0;
  auto fit = [&cut](std::string text) {
    std::string_view kept = FitToStoredString(text);
    if (kept.size() == text.size()) return text;
    ++cut;
    return std::string(kept);
  };
  auto record = std::make_unique<LoginRecord>();
  record->set_site(std::move(site));
  std::string name = fit(Utf8ToCodePage(Trimmed(value(layout.name))));
  record->set_description(name.empty() ? std::string(FitToStoredString(page->host)) : name);
  record->set_fill_automatically(1);
  record->set_require_master_password(Trimmed(value(layout.reprompt)) == "1" ? 1 : 0);
  Candidate candidate;
  candidate.password = fit(std::move(password_text));
  record->fields().push_back(
      {"", kImportedUserField, fit(std::move(user_text)), "text", kImportedUserDescription});
  record->fields().push_back(
      {"", kImportedPasswordField, candidate.password, "password", kImportedPasswordDescription});
  // Bitwarden's custom fields: "name: value", one a line.
  std::string_view fields = value(layout.fields);
  while (!fields.empty() && record->FieldCount() < kMaxImportedFields) {
    size_t end = fields.find_first_of("\r\n");
    std::string_view line = fields.substr(0, end);
    fields = end == std::string_view::npos ? std::string_view() : fields.substr(end + 1);
    size_t colon = line.find(": ");
    std::string field_name = fit(Utf8ToCodePage(Trimmed(line.substr(0, colon))));
    std::string field_value = colon == std::string_view::npos
                                  ? std::string()
                                  : fit(Utf8ToCodePage(line.substr(colon + 2)));
    // A name that an earlier field has could never be filled: the first wins.
    if (field_name.empty() || record->FindField(std::nullopt, field_name)) continue;
    record->fields().push_back({"", field_name, std::move(field_value), "text", field_name});
  }
  cut_values_ += cut;
  candidate.record = std::move(record);
  candidates_.push_back(std::move(candidate));
}

void LoginImport::Plan(const LoginStore& store) {
  added_ = already_stored_ = other_password_ = 0;
  plan_.assign(candidates_.size(), Step());
  // A known record can be the same login as a candidate only if its user
  // name field, looked up as the same-login rule looks it up, has the
  // candidate's user name: the records are indexed by that value. Each
  // entry is a record and its Step::same: a store position, or -2 - index
  // for an earlier candidate.
  std::unordered_map<std::string_view, std::vector<std::pair<const LoginRecord*, int>>> by_user;
  auto user_of = [](const LoginRecord& record) {
    return record.FindField(std::nullopt, kImportedUserField);
  };
  for (int position = 0; position < store.Count(); ++position) {
    const LoginRecord& record = *store.GetAt(position);
    if (const LoginField* field = user_of(record))
      by_user[field->value].emplace_back(&record, position);
  }
  for (size_t i = 0; i < candidates_.size(); ++i) {
    const Candidate& candidate = candidates_[i];
    auto& known = by_user[user_of(*candidate.record)->value];
    auto same = std::find_if(known.begin(), known.end(), [&](const auto& entry) {
      return entry.first->IsSameLogin(*candidate.record);
    });
    if (same == known.end()) {
      known.emplace_back(candidate.record.get(), -2 - static_cast<int>(i));
      ++added_;
      continue;
    }
    plan_[i].same = same->second;
    plan_[i].other_password = same->first->GetPassword() != candidate.password;
    ++(plan_[i].other_password ? other_password_ : already_stored_);
  }
}

namespace {

// The field whose value GetPassword gives.
LoginField* PasswordFieldOf(LoginRecord& record) {
  for (LoginField& field : record.fields()) {
    if (EqualsNoCase(field.type, kImportedPasswordField)) return &field;
  }
  return nullptr;
}

}  // namespace

void LoginImport::Apply(LoginStore& store, bool update_passwords) {
  Plan(store);
  // Everything that may allocate comes first, while store is untouched: the
  // plan, the room for the new records, and the new passwords of stored
  // records, each made the value that is then moved in.
  std::vector<std::pair<LoginField*, std::string>> replaced;
  int replaced_in_file = 0;
  if (update_passwords) {
    replaced.reserve(other_password_);
    for (size_t i = 0; i < candidates_.size(); ++i) {
      const Step& step = plan_[i];
      if (!step.other_password) continue;
      if (step.same <= -2) {
        // An earlier row of the file, not yet stored: the later password wins.
        LoginField* field = PasswordFieldOf(*candidates_[-2 - step.same].record);
        if (field) field->value = candidates_[i].password, ++replaced_in_file;
        continue;
      }
      if (LoginField* field = PasswordFieldOf(*store.GetAt(step.same)))
        replaced.emplace_back(field, candidates_[i].password);
    }
  }
  store.Reserve(store.Count() + added_);
  // From here on nothing allocates: moved strings and pointers, appends into
  // the room made.
  for (auto& [field, password] : replaced) field->value = std::move(password);
  updated_ = static_cast<int>(replaced.size()) + replaced_in_file;
  for (size_t i = 0; i < candidates_.size(); ++i) {
    if (plan_[i].same == -1) store.Append(std::move(candidates_[i].record));
  }
  applied_ = true;
}

std::string LoginImport::Summary() const {
  std::string text = Plural(logins(), "login") + ": " + std::to_string(added_) + " new, " +
                     std::to_string(already_stored_) + " already stored, " +
                     std::to_string(other_password_) + " with another password, " +
                     Plural(skipped(), "row") + " skipped\n";
  text += "Read as a " + std::string(CsvFormatName(format_)) + " file.\n";
  if (other_password_ > 0 && applied_) {
    text += updated_ > 0 ? "The stored passwords of " + Plural(updated_, "login") +
                               " were replaced with the file's.\n"
                         : "Their stored passwords were kept; import again and choose to update "
                           "passwords to take the file's.\n";
  }
  if (not_logins_ > 0) {
    text += Plural(not_logins_, "item") + " that are not logins (notes, cards) were passed over.\n";
  }
  if (cut_values_ > 0) {
    text += Plural(cut_values_, "value") + " longer than " + std::to_string(kMaxCipherBytes) +
            " bytes, the most a stored text holds, were cut to fit.\n";
  }
  if (!skipped_.empty()) text += "Skipped:\n";
  for (size_t i = 0; i < skipped_.size() && i < kMaxListedSkippedRows; ++i) {
    text += skipped_[i] + "\n";
  }
  if (skipped_.size() > kMaxListedSkippedRows) {
    text += "... and " + Plural(static_cast<int>(skipped_.size() - kMaxListedSkippedRows), "row") +
            " more\n";
  }
  return text;
}

}  // namespace zr
