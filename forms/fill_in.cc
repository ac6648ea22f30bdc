// Filling a page's forms from a login record or a profile, and choosing the login.
#include "forms/fill_in.h"

#include <algorithm>

#include "forms/capture.h"
#include "forms/master_password.h"
#include "forms/page_address.h"
#include "matcher/pattern_list.h"
#include "platform/code_page.h"
#include "platform/locale_compare.h"
#include "platform/unicode_case.h"
#include "platform/utf8.h"
#include "store/data_set.h"
#include "store/find_no_case.h"
#include "store/site_match.h"

namespace zr {

namespace {

// The number of UTF-16 units of UTF-8 text, as a page counts a value's length.
size_t Utf16Length(std::string_view utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if (!IsUtf8Continuation(c)) ++units;  // a lead byte or a single byte
    if (c >= 0xF0) ++units;               // four-byte characters take two units
  }
  return units;
}

// The value to write into an input with the given maximum length: a value
// longer than that (in UTF-16 units) keeps its first max_length bytes in the
// code page, cut at a character boundary.
PageText FitToMaxLength(const std::string& value, std::optional<long> max_length) {
  PageText text = CodePageToUtf8(value);
  if (!max_length || *max_length < 0 || Utf16Length(text) <= static_cast<size_t>(*max_length)) {
    return text;
  }
  size_t keep = std::min(value.size(), static_cast<size_t>(*max_length));
  return CodePageToUtf8(value.substr(0, CharBoundaryAtOrBefore(value, keep)));
}

// Looks an element's name up in the data set; the value found, in the code page.
std::optional<std::string> Lookup(ProtectedFile& data_set, int record_id, FormName form_name,
                                  const PageText& name) {
  std::string field = Utf8ToCodePage(name);
  if (!data_set.FillFieldValue(field, record_id, form_name)) return std::nullopt;
  return field;
}

// Fills every form by index; returns the number of elements written.
int FillForms(PageCollection<PageForm>& forms, ProtectedFile& data_set, int record_id,
              bool force_fill_in) {
  int filled = 0;
  ForEachByIndex(forms, [&](PageForm& form) {
    std::string form_name_text = Utf8ToCodePage(form.Name());
    FormName form_name;
    if (!form_name_text.empty()) form_name = form_name_text;
    if (auto inputs = form.Inputs()) {
      ForEachByIndex(*inputs, [&](PageInput& input) {
        if (!force_fill_in && !input.Value().empty()) return;
        PageText type = input.Type();
        if (!type.empty() && !EqualsNoCase(type, "TEXT") && !EqualsNoCase(type, "PASSWORD")) {
          return;
        }
        std::optional<std::string> value = Lookup(data_set, record_id, form_name, input.Name());
        if (!value) return;
        input.PutValue(FitToMaxLength(*value, input.MaxLength()));
        ++filled;
      });
    }
    if (auto text_areas = form.TextAreas()) {
      ForEachByIndex(*text_areas, [&](PageTextArea& text_area) {
        std::optional<std::string> value = Lookup(data_set, record_id, form_name, text_area.Name());
        if (!value) return;
        text_area.PutValue(CodePageToUtf8(*value));
        ++filled;
      });
    }
    if (auto selects = form.Selects()) {
      ForEachByIndex(*selects, [&](PageSelect& select) {
        std::optional<std::string> value = Lookup(data_set, record_id, form_name, select.Name());
        if (!value) return;
        auto options = select.Options();
        if (!options) return;
        std::u32string wanted = FoldCaseUtf8(CodePageToUtf8(*value));
        int length = options->Length().value_or(0);
        for (int index = 0; index < length; ++index) {
          std::unique_ptr<PageOption> option = options->At(index);
          if (!option) continue;
          if (FoldCaseUtf8(option->Text()) == wanted || FoldCaseUtf8(option->Value()) == wanted) {
            option->PutSelected();
            ++filled;
            return;
          }
        }
      });
    }
  });
  return filled;
}

// The records whose site matches the page at address, and the longest such site.
struct Candidates {
  std::vector<LoginRecord*> records;
  size_t longest = 0;
};

Candidates FindCandidates(LoginStore& store, std::string_view address) {
  Candidates candidates;
  store.ForEach([&](LoginRecord& record) {
    if (!SiteMatchesPage(record.site(), address)) return;
    candidates.records.push_back(&record);
    candidates.longest = std::max(candidates.longest, record.site().size());
  });
  return candidates;
}

// The one record an automatic fill takes, or null.
const LoginRecord* AutomaticChoice(const Candidates& candidates) {
  const LoginRecord* last = nullptr;
  int count = 0;
  for (const LoginRecord* record : candidates.records) {
    if (record->fill_automatically()) {
      ++count;
      last = record;
    }
  }
  if (count == 1 && last->site().size() >= candidates.longest) return last;
  return nullptr;
}

}  // namespace

int ChooseLogin(Prompts& prompts, WindowId owner, LoginStore& store, std::string_view address,
                bool automatic) {
  Candidates candidates = FindCandidates(store, address);
  if (candidates.records.empty()) return -1;
  int id = -1;
  if (automatic) {
    // Nothing is filled unasked into a page that others on the network can read or change.
    if (!IsSecureContext(address)) return -1;
    const LoginRecord* chosen = AutomaticChoice(candidates);
    if (!chosen) return -1;
    id = chosen->id();
  } else {
    std::vector<int> offered;
    for (const LoginRecord* record : candidates.records) {
      if (record->site().size() == candidates.longest || record->fill_automatically()) {
        offered.push_back(record->id());
      }
    }
    id = prompts.SelectLogin(owner, store, offered);
  }
  // The dialog may have run other calls meanwhile: look the record up afresh.
  const LoginRecord* record = store.FindById(id);
  if (!record) return -1;
  if (!MayFillRecord(prompts, owner, store, *record)) return -1;
  return id;
}

void FillLoginPair(PageDocument& document, LoginRecord record) {
  std::vector<std::string> form_names;
  for (const LoginField& field : record.fields()) {
    if (std::find(form_names.begin(), form_names.end(), field.form_name) == form_names.end()) {
      form_names.push_back(field.form_name);
    }
  }
  const size_t n = form_names.size();
  size_t k = 0;
  auto forms = document.Forms();
  if (!forms) return;
  ForEachByEnumerator(*forms, [&](PageForm& form) {
    std::optional<std::string> login_name;
    std::optional<std::string> password;
    if (n < 2) {
      login_name = record.GetLoginName();
      password = record.GetPassword();
    } else {
      std::string name = Utf8ToCodePage(form.Name());
      FormName form_name;
      if (!name.empty()) form_name = name;
      login_name = record.GetLoginName(form_name);
      password = record.GetPassword(form_name);
      if (!login_name) {
        login_name = record.GetLoginName(form_names[k]);
        password = record.GetPassword(form_names[k]);
      }
    }
    // Hold a password input and the text input before it, walking in order.
    std::unique_ptr<PageInput> password_input;
    std::unique_ptr<PageInput> text_input;
    auto inputs = form.Inputs();
    auto enumerator = inputs ? inputs->Enumerate() : nullptr;
    for (PageNext<PageInput> next; enumerator && (next = enumerator->Next()).ok;) {
      if (!next.item) continue;
      PageText type = next.item->Type();
      if (EqualsNoCase(type, "password")) {
        password_input = std::move(next.item);
        if (text_input) break;
        continue;
      }
      if (password_input && text_input) break;
      if (EqualsNoCase(type, "text")) text_input = std::move(next.item);
    }
    if (!password_input) return true;
    if (text_input) text_input->PutValue(CodePageToUtf8(login_name.value_or("")));
    password_input->PutValue(CodePageToUtf8(password.value_or("")));
    if (k + 1 < n) ++k;
    return true;
  });
}

namespace {

// The login name input of a name step: the first page of a login that asks
// for the name alone and for the password on the next page. It is the only
// text input of the only form that has text inputs, on a page with no
// password input at all (a page with one is filled by the rules above, as
// ever); null when the page is not such a step.
std::unique_ptr<PageInput> NameStepInput(PageDocument& document) {
  std::unique_ptr<PageInput> name_input;
  int forms_with_text = 0;
  bool password = false;
  auto forms = document.Forms();
  if (!forms) return nullptr;
  ForEachByIndex(*forms, [&](PageForm& form) {
    std::unique_ptr<PageInput> text;
    int texts = 0;
    if (auto inputs = form.Inputs()) {
      for (int i = 0, n = inputs->Length().value_or(0); i < n && !password; ++i) {
        std::unique_ptr<PageInput> input = inputs->At(i);
        if (!input) continue;
        PageText type = input->Type();
        if (EqualsNoCase(type, "password")) password = true;
        if (!EqualsNoCase(type, "text") && !type.empty()) continue;
        if (++texts == 1) text = std::move(input);
      }
    }
    if (texts > 0) ++forms_with_text;
    if (texts == 1) name_input = std::move(text);
  });
  if (password || forms_with_text != 1) return nullptr;
  return name_input;
}

}  // namespace

bool HasAutomaticChoice(LoginStore& store, std::string_view address) {
  return IsSecureContext(address) && AutomaticChoice(FindCandidates(store, address)) != nullptr;
}

long FindPasswordByURL(LoginStore& store, std::string_view url_utf8) {
  std::string address = Utf8ToCodePage(url_utf8);
  if (!store.HasLoginForUrl(address)) return 0;
  return HasAutomaticChoice(store, address) ? 0 : 1;
}

long CountLoginsByURL(LoginStore& store, std::string_view url_utf8) {
  return store.CountLoginsForUrl(Utf8ToCodePage(url_utf8));
}

Outcome FillInForm(DataSet& data, Prompts& prompts, WindowId owner, PageBrowser* browser, int type,
                   bool force_fill_in, bool automatic) {
  if (!browser) return Outcome::kNothing;
  ProtectedFile* data_set = nullptr;
  switch (static_cast<DatabaseType>(type)) {
    case DatabaseType::kPassword:
      data_set = &data.logins;
      break;
    case DatabaseType::kHome:
      data_set = &data.home;
      break;
    case DatabaseType::kWork:
      data_set = &data.work;
      break;
    default:
      return Outcome::kNothing;
  }
  std::unique_ptr<PageDocument> document = browser->Document();
  if (!document) return Outcome::kNothing;
  const bool from_login = data_set == &data.logins;
  int id = -1;
  if (from_login) {
    LoginRecord detected;
    if (!CaptureLogin(*document, detected, std::nullopt, true)) {
      // A name step gets the login name of the login chosen as for any login
      // page; the password step that follows is filled with the same login.
      std::unique_ptr<PageInput> name_input = NameStepInput(*document);
      if (!name_input) return Outcome::kDone;
      id = ChooseLogin(prompts, owner, data.logins, PageAddress(*document), automatic);
      const LoginRecord* record = id == -1 ? nullptr : data.logins.FindById(id);
      std::optional<std::string> name = record ? record->GetLoginName() : std::nullopt;
      if (!name) return Outcome::kNothing;
      name_input->PutValue(CodePageToUtf8(*name));
      return Outcome::kDone;
    }
    id = ChooseLogin(prompts, owner, data.logins, PageAddress(*document), automatic);
    if (id == -1) return Outcome::kNothing;
  }
  std::unique_ptr<PageCollection<PageForm>> forms = document->Forms();
  if (!forms) return Outcome::kDone;
  int filled = FillForms(*forms, *data_set, id, force_fill_in);
  if (from_login) {
    const LoginRecord* record = data.logins.FindById(id);
    if (record && record->FieldCount() != filled) FillLoginPair(*document, *record);
  }
  return Outcome::kDone;
}

void AddFieldPatterns(FormProfile& profile, std::string_view internal_name,
                      std::string_view patterns) {
  static constexpr std::pair<std::string_view, ProfileField> kInternalNames[] = {
      {"JobTitle", ProfileField::kJobTitle}, {"Company", ProfileField::kCompany},
      {"Title", ProfileField::kTitle},       {"FirstName", ProfileField::kFirstName},
      {"LastName", ProfileField::kLastName}, {"Address", ProfileField::kAddress},
      {"City", ProfileField::kCity},         {"State", ProfileField::kState},
      {"Country", ProfileField::kCountry},   {"Zip", ProfileField::kZip},
      {"Tel", ProfileField::kTel},           {"Fax", ProfileField::kFax},
      {"Email", ProfileField::kEmail},
  };
  for (const auto& [name, field] : kInternalNames) {
    if (LocaleCompareNoCase(name, internal_name) == 0) {
      MergePatternList(profile.List(field), patterns);
      return;
    }
  }
}

namespace {

// The text of attribute in element (name="text"), or none.
std::optional<std::string_view> ReadAttribute(std::string_view element,
                                              std::string_view attribute) {
  size_t word = FindNoCasePosition(element, attribute);
  if (word == std::string_view::npos) return std::nullopt;
  size_t equals = element.find('=', word + attribute.size());
  if (equals == std::string_view::npos) return std::nullopt;
  size_t open = element.find('"', equals + 1);
  if (open == std::string_view::npos) return std::nullopt;
  size_t close = element.find('"', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return element.substr(open + 1, close - open - 1);
}

// Merges the field elements of the section tagged tag into profile; false
// when the section is missing.
bool UpdateProfile(FormProfile& profile, std::string_view text, std::string_view tag) {
  size_t start = FindNoCasePosition(text, tag);
  if (start == std::string_view::npos) return false;
  size_t close_bracket = text.find('>', start + 1);
  if (close_bracket == std::string_view::npos) return false;
  size_t section_start = close_bracket + 1;
  std::string closing_tag = "</" + std::string(tag.substr(1));
  size_t section_end = FindNoCasePosition(text, closing_tag, section_start);
  if (section_end == std::string_view::npos) return false;
  std::string_view section = text.substr(section_start, section_end - section_start);
  for (size_t hit = FindNoCasePosition(section, "<Field "); hit != std::string_view::npos;
       hit = FindNoCasePosition(section, "<Field ", hit + 1)) {
    size_t end = section.find('>', hit + 2);
    if (end == std::string_view::npos) break;
    std::string_view element = section.substr(hit + 1, end - hit - 1);
    std::optional<std::string_view> name = ReadAttribute(element, "name");
    if (!name) continue;
    std::optional<std::string_view> value = ReadAttribute(element, "value");
    if (!value) continue;
    AddFieldPatterns(profile, *name, *value);
  }
  return true;
}

}  // namespace

Outcome UpdateFormFields(DataSet& data, std::string_view text_utf8) {
  std::string text = Utf8ToCodePage(text_utf8);
  bool saved = true;
  if (UpdateProfile(data.home, text, "<HOME>") && !data.home.Save()) saved = false;
  if (UpdateProfile(data.work, text, "<WORK>") && !data.work.Save()) saved = false;
  return saved ? Outcome::kDone : Outcome::kNotSaved;
}

}  // namespace zr
