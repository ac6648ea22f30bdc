// FormProfile: profile values and lists, filling from them, and the profile file.
#include "store/form_profile.h"

#include "matcher/pattern_list.h"
#include "store/custom_field_list.h"
#include "store/protected_string.h"

namespace zr {

namespace {

constexpr std::array<std::string_view, kProfileFieldCount> kDefaultLists = {
    kJobTitlePatterns, kCompanyPatterns,  kTitlePatterns,    kFirstNamePatterns, kLastNamePatterns,
    kAddressPatterns,  kAddress1Patterns, kAddress2Patterns, kCityPatterns,      kStatePatterns,
    kCountryPatterns,  kZipPatterns,      kTelPatterns,      kFaxPatterns,       kEmailPatterns,
};

int SharedSlot(ProfileField field) {
  return static_cast<int>(field) - static_cast<int>(ProfileField::kTitle);
}

ProfileField FieldAt(int index) { return static_cast<ProfileField>(index); }

}  // namespace

std::string_view DefaultPatternList(ProfileField field) {
  return kDefaultLists[static_cast<int>(field)];
}

bool IsSharedField(ProfileField field) {
  return field == ProfileField::kTitle || field == ProfileField::kFirstName ||
         field == ProfileField::kLastName;
}

SharedNameFields::SharedNameFields() {
  for (int slot = 0; slot < 3; ++slot) {
    lists[slot] = DefaultPatternList(FieldAt(slot + static_cast<int>(ProfileField::kTitle)));
  }
}

SharedNameFields& SharedNames() {
  static SharedNameFields shared;
  return shared;
}

FormProfile::FormProfile() { RestoreEmptyLists(); }

std::string& FormProfile::Value(ProfileField field) {
  return IsSharedField(field) ? SharedNames().values[SharedSlot(field)]
                              : values_[static_cast<int>(field)];
}

const std::string& FormProfile::Value(ProfileField field) const {
  return const_cast<FormProfile*>(this)->Value(field);
}

std::string& FormProfile::List(ProfileField field) {
  return IsSharedField(field) ? SharedNames().lists[SharedSlot(field)]
                              : lists_[static_cast<int>(field)];
}

const std::string& FormProfile::List(ProfileField field) const {
  return const_cast<FormProfile*>(this)->List(field);
}

void FormProfile::RestoreEmptyLists() {
  for (int index = 0; index < kProfileFieldCount; ++index) {
    std::string& list = List(FieldAt(index));
    if (list.empty()) list = DefaultPatternList(FieldAt(index));
  }
}

bool FormProfile::FillFieldValue(std::string& field, int, FormName) {
  RegExp regexp;
  for (int index = 0; index < kProfileFieldCount; ++index) {
    if (MatchPatternList(regexp, field, List(FieldAt(index)), Value(FieldAt(index)))) return true;
  }
  return CustomFields().FillFromCustomFields(field);
}

bool FormProfile::ReadFrom(ByteReader& file) {
  if (!ReadProtectedString(file, master_password_text_)) return false;
  for (int index = 0; index < kProfileFieldCount; ++index) {
    if (!ReadProtectedString(file, Value(FieldAt(index)))) return false;
  }
  for (int index = 0; index < kProfileFieldCount; ++index) {
    if (!ReadProtectedString(file, List(FieldAt(index)))) return false;
  }
  RestoreEmptyLists();
  return true;
}

bool FormProfile::WriteTo(ByteWriter& file) const {
  if (!WriteProtectedString(file, master_password_text_)) return false;
  for (int index = 0; index < kProfileFieldCount; ++index) {
    if (!WriteProtectedString(file, Value(FieldAt(index)))) return false;
  }
  for (int index = 0; index < kProfileFieldCount; ++index) {
    if (!WriteProtectedString(file, List(FieldAt(index)))) return false;
  }
  return true;
}

}  // namespace zr
