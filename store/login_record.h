// LoginRecord: what is remembered of one login on one site: the site address,
// a description, the captured form fields and two flags. The record owns its
// fields and keeps them in capture order.
#ifndef ZRFORM_STORE_LOGIN_RECORD_H_
#define ZRFORM_STORE_LOGIN_RECORD_H_

#include <optional>
#include <string>
#include <vector>

#include "store/field_entry.h"

namespace zr {

inline constexpr char kUnnamedFieldDescription[] = "unnamed field";
inline constexpr char kAutoRecordedDescription[] = "Auto Recorded";

// One captured input element.
struct LoginField {
  std::string form_name;  // "" when unknown
  std::string field_name;
  std::string value;
  std::string type;  // "text", "password", ...
  std::string description = kUnnamedFieldDescription;
};

class LoginRecord : public FieldEntry {
 public:
  // A new record: description "Auto Recorded", filled automatically, no
  // master password required.
  LoginRecord() : FieldEntry(kLoginRecordKind) { description_ = kAutoRecordedDescription; }

  // Replaces the value and type of FindField(form_name, field_name), or
  // appends a new field (form name "" when none is given).
  void AddField(std::string_view field_name, std::string_view value, std::string_view type,
                FormName form_name = std::nullopt);
  // The first field whose name and form name equal the given ones, ASCII case
  // ignored; with no form name only fields with an empty form name qualify.
  LoginField* FindField(FormName form_name, std::string_view field_name);
  const LoginField* FindField(FormName form_name, std::string_view field_name) const;

  bool FillValue(std::string& field, FormName form_name) const override;
  bool WriteTo(ByteWriter& file) const override;
  // Reads the body (the kind is read by the store). On failure the field being
  // read is dropped and earlier fields stay.
  bool ReadFrom(ByteReader& file) override;

  // The value of the first "password" field (restricted to form_name when
  // given), or none.
  std::optional<std::string> GetPassword(FormName form_name = std::nullopt) const;
  // The value of the first field whose name matches the login-name patterns,
  // else of the first "text" field (restricted to form_name when given), or none.
  std::optional<std::string> GetLoginName(FormName form_name = std::nullopt) const;
  // Whether candidate is the same login as this stored record: this site
  // covers the candidate's (SiteCovers), the field counts are equal, and every
  // non-password field of the candidate has an equal value here.
  bool IsSameLogin(const LoginRecord& candidate) const;

  const std::string& site() const { return site_; }
  void set_site(std::string site) { site_ = std::move(site); }
  bool fill_automatically() const { return flag1_ != 0; }
  uint32_t fill_automatically_flag() const { return flag1_; }
  void set_fill_automatically(uint32_t flag) { flag1_ = flag; }
  bool require_master_password() const { return flag2_ != 0; }
  uint32_t require_master_password_flag() const { return flag2_; }
  void set_require_master_password(uint32_t flag) { flag2_ = flag; }

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  LoginField* FieldAt(int position);
  const LoginField* FieldAt(int position) const;
  void RemoveFieldAt(int position);
  const std::vector<LoginField>& fields() const { return fields_; }
  std::vector<LoginField>& fields() { return fields_; }

  // Takes over the site address, description and fields of other; keeps this
  // record's id and flags.
  void TakeContentsOf(LoginRecord&& other);

 private:
  std::vector<LoginField> fields_;
};

}  // namespace zr

#endif  // ZRFORM_STORE_LOGIN_RECORD_H_
