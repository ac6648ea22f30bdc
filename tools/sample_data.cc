// Writes a sample data folder.
#include "tools/sample_data.h"

#include <sys/stat.h>

#include <cerrno>

#include "store/custom_field_list.h"
#include "store/data_set.h"
#include "store/history_file.h"

namespace zr {

namespace {

std::unique_ptr<LoginRecord> SampleLogin(std::string site, std::string description,
                                         std::string user, std::string password) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site(std::move(site));
  record->set_description(std::move(description));
  record->AddField("username", user, "text", "login");
  record->AddField("password", password, "password", "login");
  return record;
}

}  // namespace

bool WriteSampleData(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  DataSet data;
  data.logins.AddOrMerge(SampleLogin("mail.example.com", "Mail", "ann", "correct horse"));
  data.logins.AddOrMerge(SampleLogin("shop.example.org", "Shop", "ann.lee", "battery staple"));
  data.logins.GetAt(1)->set_fill_automatically(0);
  data.home.Value(ProfileField::kTitle) = "Dr";
  data.home.Value(ProfileField::kFirstName) = "Ann";
  data.home.Value(ProfileField::kLastName) = "Lee";
  data.home.Value(ProfileField::kAddress) = "12 Harbour Road";
  data.home.Value(ProfileField::kCity) = "Portsmouth";
  data.home.Value(ProfileField::kZip) = "PO1 2AB";
  data.home.Value(ProfileField::kEmail) = "ann@example.com";
  data.work.Value(ProfileField::kJobTitle) = "Engineer";
  data.work.Value(ProfileField::kCompany) = "Example Ltd";
  data.work.Value(ProfileField::kTel) = "+44 20 7946 0000";
  (void)CustomFields().SetCustomField(-1, "Member number", "member;membership", "M-1024");
  data.rejected.Reject("bank.example.net");
  std::vector<HistoryEntry> history = {{1, "example.com"}, {2, "weather"}, {12, "news-today"}};
  return data.logins.Save(DataFilePath(folder, kPasswordFileName)) &&
         data.work.Save(DataFilePath(folder, kWorkProfileFileName)) &&
         data.home.Save(DataFilePath(folder, kHomeProfileFileName)) &&
         data.rejected.Save(DataFilePath(folder, kRejectedFileName)) &&
         WriteHistoryFile(DataFilePath(folder, kHistoryFileName), history);
}

}  // namespace zr
