// DataSet: everything the toolbar helper keeps in memory, loaded from the
// data folder in a fixed order: logins, the Work profile, the Home profile
// (which decides the shared person fields), the rejected sites, then the
// AutoLoginRecord setting. A missing file leaves its object at its defaults.
#ifndef ZRFORM_STORE_DATA_SET_H_
#define ZRFORM_STORE_DATA_SET_H_

#include <cstdint>
#include <string>

#include "store/form_profile.h"
#include "store/login_store.h"
#include "store/rejected_sites.h"

namespace zr {

struct DataSet {
  LoginStore logins;
  FormProfile work;
  FormProfile home;
  RejectedSites rejected;
  uint32_t auto_login_record = 1;

  // Loads every file of folder (no trailing '/') in the order above and reads
  // the setting. Failures of single steps are ignored.
  void Load(const std::string& folder);
};

// folder + "/" + name.
std::string DataFilePath(const std::string& folder, std::string_view name);

}  // namespace zr

#endif  // ZRFORM_STORE_DATA_SET_H_
