// The sample data: a few logins, both profiles, a custom field, a rejected
// site and a history list, as values (for tests and tools) and as a data
// folder for trying zrdata. Every text is ASCII, so it reads the same in any
// code page.
#ifndef ZRFORM_TOOLS_SAMPLE_DATA_H_
#define ZRFORM_TOOLS_SAMPLE_DATA_H_

#include <span>
#include <string>
#include <string_view>

#include "store/data_set.h"
#include "store/form_profile.h"
#include "store/history_file.h"

namespace zr::sample {

struct Login {
  std::string_view site;
  std::string_view description;
  std::string_view user;      // the "username" text field of form "login"
  std::string_view password;  // the "password" field of form "login"
  bool fill_automatically;
};

struct ProfileValue {
  ProfileField field;
  std::string_view value;
};

struct CustomField {
  std::string_view description;
  std::string_view names;
  std::string_view value;
};

// In the order they are added (the record ids follow it).
std::span<const Login> Logins();
std::span<const ProfileValue> HomeProfile();
std::span<const ProfileValue> WorkProfile();
const CustomField& Custom();
inline constexpr std::string_view kRejectedSite = "bank.example.net";
std::span<const HistoryEntry> History();

// Puts the sample logins, profiles and rejected site into data (which should
// be empty) and adds the custom field to the process's list. False when the
// custom field could not be added.
bool FillSampleData(DataSet& data);

}  // namespace zr::sample

namespace zr {

// Creates folder (mode 0700) when missing and writes every data file into it.
// False on a failed write.
bool WriteSampleData(const std::string& folder);

}  // namespace zr

#endif  // ZRFORM_TOOLS_SAMPLE_DATA_H_
