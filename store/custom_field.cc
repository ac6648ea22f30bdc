// CustomField: filling, reading and writing one custom field.
#include "store/custom_field.h"

#include "matcher/pattern_list.h"
#include "store/protected_string.h"

namespace zr {

CustomField::CustomField(std::string description, std::string names, std::string value)
    : FieldEntry(kCustomFieldKind) {
  Set(std::move(description), std::move(names), std::move(value));
}

void CustomField::Set(std::string description, std::string names, std::string value) {
  description_ = std::move(description);
  names_ = std::move(names);
  value_ = std::move(value);
}

bool CustomField::FillValue(std::string& field, FormName) const {
  RegExp regexp;
  return MatchPatternList(regexp, field, names_, value_);
}

bool CustomField::WriteTo(ByteWriter& file) const {
  return file.WriteUint32(kind_) && WriteProtectedString(file, description_) &&
         WriteProtectedString(file, names_) && WriteProtectedString(file, value_);
}

bool CustomField::ReadFrom(ByteReader& file) {
  return file.ReadUint32(kind_) == ReadStatus::kOk && ReadProtectedString(file, description_) &&
         ReadProtectedString(file, names_) && ReadProtectedString(file, value_);
}

}  // namespace zr
