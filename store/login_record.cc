// LoginRecord: fields, lookups, the same-login rule and the record's file body.
#include "store/login_record.h"

#include <cstdint>
#include <utility>

#include "matcher/pattern_list.h"
#include "store/find_no_case.h"
#include "store/protected_string.h"
#include "store/site_match.h"

namespace zr {

namespace {

constexpr std::string_view kPasswordType = "password";
constexpr std::string_view kTextType = "text";

// Whether a field belongs to form_name: any field when none is given.
bool InForm(const LoginField& field, FormName form_name) {
  return !form_name || EqualsNoCase(field.form_name, *form_name);
}

}  // namespace

void LoginRecord::AddField(std::string_view field_name, std::string_view value,
                           std::string_view type, FormName form_name) {
  if (LoginField* existing = FindField(form_name, field_name)) {
    existing->value = value;
    existing->type = type;
    return;
  }
  LoginField field;
  field.form_name = form_name.value_or("");
  field.field_name = field_name;
  field.value = value;
  field.type = type;
  fields_.push_back(std::move(field));
}

const LoginField* LoginRecord::FindField(FormName form_name, std::string_view field_name) const {
  std::string_view form = form_name.value_or("");
  for (const LoginField& field : fields_) {
    if (EqualsNoCase(field.field_name, field_name) && EqualsNoCase(field.form_name, form)) {
      return &field;
    }
  }
  return nullptr;
}

LoginField* LoginRecord::FindField(FormName form_name, std::string_view field_name) {
  return const_cast<LoginField*>(std::as_const(*this).FindField(form_name, field_name));
}

bool LoginRecord::FillValue(std::string& field, FormName form_name) const {
  const LoginField* found = FindField(form_name, field);
  if (!found) return false;
  field = found->value;
  return true;
}

std::optional<std::string> LoginRecord::GetPassword(FormName form_name) const {
  for (const LoginField& field : fields_) {
    if (InForm(field, form_name) && EqualsNoCase(field.type, kPasswordType)) return field.value;
  }
  return std::nullopt;
}

std::optional<std::string> LoginRecord::GetLoginName(FormName form_name) const {
  RegExp regexp;
  for (const LoginField& field : fields_) {
    std::string name = field.field_name;
    if (InForm(field, form_name) && MatchPatternList(regexp, name, kLoginNamePatterns, "")) {
      return field.value;
    }
  }
  for (const LoginField& field : fields_) {
    if (InForm(field, form_name) && EqualsNoCase(field.type, kTextType)) return field.value;
  }
  return std::nullopt;
}

bool LoginRecord::IsSameLogin(const LoginRecord& candidate) const {
  if (!SiteCovers(site_, candidate.site_)) return false;
  if (fields_.size() != candidate.fields_.size()) return false;
  for (const LoginField& field : candidate.fields_) {
    if (EqualsNoCase(field.type, kPasswordType)) continue;
    // Only identical texts compare equal in the locale comparison.
    const LoginField* mine = FindField(field.form_name, field.field_name);
    if (!mine || mine->value != field.value) return false;
  }
  return true;
}

LoginField* LoginRecord::FieldAt(int position) {
  if (position < 0 || position >= FieldCount()) return nullptr;
  return &fields_[position];
}

const LoginField* LoginRecord::FieldAt(int position) const {
  if (position < 0 || position >= FieldCount()) return nullptr;
  return &fields_[position];
}

void LoginRecord::RemoveFieldAt(int position) {
  if (position >= 0 && position < FieldCount()) fields_.erase(fields_.begin() + position);
}

void LoginRecord::TakeContentsOf(LoginRecord&& other) {
  site_ = std::move(other.site_);
  description_ = std::move(other.description_);
  fields_ = std::move(other.fields_);
}

bool LoginRecord::WriteTo(ByteWriter& file) const {
  bool ok = file.WriteUint32(kind_) && WriteProtectedString(file, site_) &&
            WriteProtectedString(file, description_) &&
            file.WriteUint32(static_cast<uint32_t>(fields_.size()));
  for (const LoginField& field : fields_) {
    if (!ok) return false;
    ok = WriteProtectedString(file, field.field_name) && WriteProtectedString(file, field.value) &&
         WriteProtectedString(file, field.type) && WriteProtectedString(file, field.form_name) &&
         WriteProtectedString(file, field.description);
  }
  return ok && file.WriteUint32(flag1_) && file.WriteUint32(flag2_);
}

bool LoginRecord::ReadFrom(ByteReader& file) {
  uint32_t count = 0;
  if (!ReadProtectedString(file, site_) || !ReadProtectedString(file, description_) ||
      file.ReadUint32(count) != ReadStatus::kOk) {
    return false;
  }
  // The count is not trusted to size anything; a count of 0 or less reads no
  // fields, and reading stops at the first field that cannot be read.
  for (int32_t i = 0; i < static_cast<int32_t>(count); ++i) {
    LoginField field;
    if (!ReadProtectedString(file, field.field_name) || !ReadProtectedString(file, field.value) ||
        !ReadProtectedString(file, field.type) || !ReadProtectedString(file, field.form_name) ||
        !ReadProtectedString(file, field.description)) {
      return false;
    }
    fields_.push_back(std::move(field));
  }
  return file.ReadUint32(flag1_) == ReadStatus::kOk && file.ReadUint32(flag2_) == ReadStatus::kOk;
}

}  // namespace zr
