// FormProfile: the Home or Work personal data used to fill registration
// forms, each value with the pattern list that recognises its fields. The
// title, first name and last name are shared by both profiles
// (SharedNameFields). The file holds 31 ProtectedStrings.
#ifndef ZRFORM_STORE_FORM_PROFILE_H_
#define ZRFORM_STORE_FORM_PROFILE_H_

#include <array>
#include <string>
#include <string_view>

#include "store/protected_file.h"

namespace zr {

inline constexpr char kHomeProfileFileName[] = "FormHome.dat";
inline constexpr char kWorkProfileFileName[] = "FormWork.dat";

// Every profile value, in the order a profile tries their lists when filling
// (which is also their order in the file).
enum class ProfileField {
  kJobTitle,
  kCompany,
  kTitle,      // shared
  kFirstName,  // shared
  kLastName,   // shared
  kAddress,
  kAddress1,
  kAddress2,
  kCity,
  kState,
  kCountry,
  kZip,
  kTel,
  kFax,
  kEmail,
};
inline constexpr int kProfileFieldCount = 15;

// The default pattern list of a value.
std::string_view DefaultPatternList(ProfileField field);
// Whether the value is one of the shared person fields.
bool IsSharedField(ProfileField field);

// The title, first name and last name with their lists: one set per process.
struct SharedNameFields {
  std::array<std::string, 3> values;
  std::array<std::string, 3> lists;
  SharedNameFields();
  void Reset() { *this = SharedNameFields(); }
};
SharedNameFields& SharedNames();

class FormProfile : public ProtectedFile {
 public:
  // Values empty; every empty list, the shared ones included, takes its default.
  FormProfile();

  // The value and list of field; for the shared fields, those of SharedNames().
  std::string& Value(ProfileField field);
  const std::string& Value(ProfileField field) const;
  std::string& List(ProfileField field);
  const std::string& List(ProfileField field) const;

  // Fills field from the first value whose list matches its name (an empty
  // value too), else from the custom fields. record_id and form_name are ignored.
  bool FillFieldValue(std::string& field, int record_id = -1,
                      FormName form_name = std::nullopt) override;
  // Reads the 31 strings (replacing the shared fields too); at the first
  // failure the rest keep their contents. After a whole read, empty lists take
  // their defaults again.
  bool ReadFrom(ByteReader& file) override;
  bool WriteTo(ByteWriter& file) const override;

  // Gives every empty list, the shared ones included, its default.
  void RestoreEmptyLists();

 private:
  // The twelve own values and lists, indexed by ProfileField (shared slots unused).
  std::array<std::string, kProfileFieldCount> values_;
  std::array<std::string, kProfileFieldCount> lists_;
};

}  // namespace zr

#endif  // ZRFORM_STORE_FORM_PROFILE_H_
