// FieldEntry: the common base of a login record (kind 1) and a custom field
// (kind 2): an id, a site address, a description and two flags.
#ifndef ZRFORM_STORE_FIELD_ENTRY_H_
#define ZRFORM_STORE_FIELD_ENTRY_H_

#include <cstdint>
#include <string>

#include "store/byte_stream.h"
#include "store/protected_file.h"

namespace zr {

inline constexpr uint32_t kLoginRecordKind = 1;
inline constexpr uint32_t kCustomFieldKind = 2;

class FieldEntry {
 public:
  explicit FieldEntry(uint32_t kind) : kind_(kind) {}
  virtual ~FieldEntry() = default;

  // Given an element name in field, replaces it with this entry's value for
  // that name and returns true, or leaves it and returns false.
  virtual bool FillValue(std::string& field, FormName form_name) const = 0;
  virtual bool WriteTo(ByteWriter& file) const = 0;
  virtual bool ReadFrom(ByteReader& file) = 0;

  uint32_t kind() const { return kind_; }
  int id() const { return id_; }
  void set_id(int id) { id_ = id; }
  const std::string& description() const { return description_; }
  void set_description(std::string text) { description_ = std::move(text); }

 protected:
  uint32_t kind_;
  int id_ = -1;
  std::string site_;  // a login record's site address; unused by custom fields
  std::string description_;
  uint32_t flag1_ = 1;  // a login record's "Fill in automatically"
  uint32_t flag2_ = 0;  // a login record's "Require master password to fill in"
};

}  // namespace zr

#endif  // ZRFORM_STORE_FIELD_ENTRY_H_
