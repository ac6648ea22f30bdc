// DataSet: loading the data folder in its fixed order.
#include "store/data_set.h"

#include "platform/registry_store.h"

namespace zr {

std::string DataFilePath(const std::string& folder, std::string_view name) {
  std::string path = folder;
  path += '/';
  path += name;
  return path;
}

void DataSet::Load(const std::string& folder) {
  (void)logins.Load(DataFilePath(folder, kPasswordFileName));
  (void)work.Load(DataFilePath(folder, kWorkProfileFileName));
  (void)home.Load(DataFilePath(folder, kHomeProfileFileName));
  (void)rejected.Load(DataFilePath(folder, kRejectedFileName));
  auto_login_record = ReadAutoLoginRecord();
}

}  // namespace zr
