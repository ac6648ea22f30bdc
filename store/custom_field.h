// CustomField: a user-defined value with a description and a pattern list of
// the field names it fills.
#ifndef ZRFORM_STORE_CUSTOM_FIELD_H_
#define ZRFORM_STORE_CUSTOM_FIELD_H_

#include <string>

#include "store/field_entry.h"

namespace zr {

class CustomField : public FieldEntry {
 public:
  CustomField() : FieldEntry(kCustomFieldKind) {}
  CustomField(std::string description, std::string names, std::string value);

  // Fills field with value when field's name matches the names pattern list.
  // The form name is ignored.
  bool FillValue(std::string& field, FormName form_name) const override;
  // The kind as a number, then description, names and value.
  bool WriteTo(ByteWriter& file) const override;
  // Reads the kind as stored, then the three texts; false at the first failure.
  bool ReadFrom(ByteReader& file) override;

  const std::string& names() const { return names_; }
  const std::string& value() const { return value_; }
  void Set(std::string description, std::string names, std::string value);

 private:
  std::string names_;
  std::string value_;
};

}  // namespace zr

#endif  // ZRFORM_STORE_CUSTOM_FIELD_H_
