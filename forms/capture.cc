// Capturing logins from a page and offering to remember them.
#include "forms/capture.h"

#include <unordered_map>

#include "forms/page_address.h"
#include "platform/code_page.h"
#include "platform/registry_store.h"
#include "store/data_set.h"
#include "store/find_no_case.h"
#include "store/protected_string.h"
#include "store/site_key.h"

namespace zr {

namespace {

constexpr std::string_view kTextType = "TEXT";
constexpr std::string_view kPasswordType = "PASSWORD";

}  // namespace

namespace {

// The lookup key of a captured field: form name and field name as FindField
// compares them (ASCII case ignored), kept apart by a byte no name holds.
std::string FieldKey(std::string_view form_name, std::string_view field_name) {
  std::string key;
  key.reserve(form_name.size() + field_name.size() + 1);
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (char c : form_name) key.push_back(fold(c));
  key.push_back('\0');
  for (char c : field_name) key.push_back(fold(c));
  return key;
}

}  // namespace

bool CaptureLogin(PageDocument& document, LoginRecord& record, FormName filter, bool detect) {
  std::string address = detect ? std::string() : PageAddress(document);
  bool has_password = false;
  bool has_filled = false;
  // Where each captured field is in record, so that a page of many inputs is
  // read in one pass rather than searched once per input.
  std::unordered_map<std::string, size_t> captured;
  for (size_t i = 0; i < record.fields().size(); ++i) {
    const LoginField& field = record.fields()[i];
    captured.emplace(FieldKey(field.form_name, field.field_name), i);
  }
  bool record_has_password = record.GetPassword().has_value();
  std::unique_ptr<PageCollection<PageForm>> forms = document.Forms();
  if (forms) {
    ForEachByEnumerator(*forms, [&](PageForm& form) {
      std::string form_name(FitToStoredString(Utf8ToCodePage(form.Name())));
      if (filter && !filter->empty() && !form_name.empty() && !EqualsNoCase(form_name, *filter)) {
        return true;
      }
      std::unique_ptr<PageCollection<PageInput>> inputs = form.Inputs();
      if (!inputs) return true;
      ForEachByEnumerator(*inputs, [&](PageInput& input) {
        PageText type = input.Type();
        if (type.empty()) type = kTextType;
        bool is_password = EqualsNoCase(type, kPasswordType);
        if (!is_password && !EqualsNoCase(type, kTextType)) return true;
        if (is_password) has_password = true;
        // Detecting needs only the first password input and keeps nothing.
        if (detect) return !has_password;
        PageText value = input.Value();
        if (value.empty()) return true;
        has_filled = true;
        // Held as the file will hold them, so that the record in memory
        // and the one read back after a restart are the same login.
        std::string name(FitToStoredString(Utf8ToCodePage(input.Name())));
        std::string stored_value(FitToStoredString(Utf8ToCodePage(value)));
        std::string stored_type(FitToStoredString(Utf8ToCodePage(type)));
        std::string key = FieldKey(form_name, name);
        if (auto found = captured.find(key); found != captured.end()) {
          LoginField& field = record.fields()[found->second];
          field.value = std::move(stored_value);
          field.type = std::move(stored_type);
          return true;
        }
        // A page may hold any number of inputs; a record holds a bounded
        // number of fields, and past the bound still takes one password.
        bool room = record.FieldCount() < kMaxCapturedFields;
        if (!room && !(is_password && !record_has_password)) return true;
        captured.emplace(std::move(key), record.fields().size());
        record.AddField(name, stored_value, stored_type, form_name);
        if (is_password) record_has_password = true;
        return true;
      });
      return !(detect && has_password);
    });
  }
  if (detect) return has_password;
  if (!has_password || !has_filled) return false;
  record.set_site(std::string(FitToStoredString(address)));
  return true;
}

namespace {

// Tells the user that the file at path could not be written; returns false.
bool ReportNotSaved(Prompts& prompts, WindowId owner, std::string_view path) {
  prompts.ShowMessage(owner, NotSavedText(path), kNotSavedCaption, MessageIcon::kExclamation,
                      MessageButtons::kOk);
  return false;
}

}  // namespace

bool OfferToRemember(DataSet& data, Prompts& prompts, WindowId owner, LoginRecord& record,
                     const std::string& description) {
  std::string site = record.site();
  SiteKey(site);
  record.set_site(site);
  bool saved = true;
  RememberPasswordData answers;
  answers.login_name = record.GetLoginName().value_or("");
  answers.password = record.GetPassword().value_or("");
  answers.description = description;
  answers.site = site;
  if (prompts.RememberPassword(owner, answers) == RememberAnswer::kYes) {
    record.set_description(answers.description);
    record.set_site(answers.site);
    record.set_fill_automatically(answers.fill_automatically ? 1 : 0);
    data.logins.AddOrMerge(std::make_unique<LoginRecord>(record));
    if (!data.logins.Save()) saved = ReportNotSaved(prompts, owner, data.logins.path());
  }
  // An empty entry would occur in every address and silence recording on
  // every site; that is what the other box is for.
  if (answers.never_this_site && !answers.site.empty()) {
    data.rejected.Reject(answers.site);
    if (!data.rejected.Save()) saved = ReportNotSaved(prompts, owner, data.rejected.path());
  }
  if (answers.never_any_site) {
    data.auto_login_record = 0;
    if (!WriteAutoLoginRecord(0)) {
      saved = ReportNotSaved(prompts, owner, RegistryStore::DefaultPath(Hive::kCurrentUser));
    }
  }
  return saved;
}

Outcome AutoRecord(DataSet& data, Prompts& prompts, WindowId owner, PageDocument* document,
                   PageForm* form) {
  if (!document || !form) return Outcome::kNothing;
  std::string address = PageAddress(*document);
  if (data.rejected.IsRejected(address)) return Outcome::kNothing;
  LoginRecord record;
  // Cut as the captured form names are, so that a long name or one with a
  // NUL still selects its own form.
  std::string filter(FitToStoredString(Utf8ToCodePage(form->Name())));
  if (!CaptureLogin(*document, record, filter, false)) return Outcome::kNothing;
  const LoginRecord* same = data.logins.FindSame(record);
  if (same && same->GetPassword().value_or("") == record.GetPassword().value_or(""))
    return Outcome::kDone;
  if (data.logins.HasSameSiteLogin(record)) return Outcome::kDone;
  std::string description = (same && !same->description().empty())
                                ? same->description()
                                : Utf8ToCodePage(document->Title());
  return OfferToRemember(data, prompts, owner, record, description) ? Outcome::kDone
                                                                    : Outcome::kNotSaved;
}

Outcome RecordPassword(DataSet& data, Prompts& prompts, WindowId owner, PageBrowser* browser,
                       long* found) {
  std::unique_ptr<PageDocument> document = browser ? browser->Document() : nullptr;
  if (!document) return Outcome::kNothing;
  LoginRecord record;
  const bool captured = CaptureLogin(*document, record, std::nullopt, false);
  if (found) *found = captured ? 1 : 0;
  if (captured &&
      !OfferToRemember(data, prompts, owner, record, Utf8ToCodePage(document->Title()))) {
    return Outcome::kNotSaved;
  }
  return Outcome::kDone;
}

}  // namespace zr
