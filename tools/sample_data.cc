// The sample values, and a data folder written from them.
#include "tools/sample_data.h"

#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#include "store/custom_field_list.h"

namespace zr::sample {

namespace {

constexpr Login kLogins[] = {
    {"mail.example.com", "Mail", "ann", "correct horse", true},
    {"shop.example.org", "Shop", "ann.lee", "battery staple", false},
};

constexpr ProfileValue kHome[] = {
    {ProfileField::kTitle, "Dr"},
    {ProfileField::kFirstName, "Ann"},
    {ProfileField::kLastName, "Lee"},
    {ProfileField::kAddress, "12 Harbour Road"},
    {ProfileField::kCity, "Portsmouth"},
    {ProfileField::kZip, "PO1 2AB"},
    {ProfileField::kEmail, "ann@example.com"},
};

constexpr ProfileValue kWork[] = {
    {ProfileField::kJobTitle, "Engineer"},
    {ProfileField::kCompany, "Example Ltd"},
    {ProfileField::kTel, "+44 20 7946 0000"},
};

constexpr CustomField kCustom = {"Member number", "member;membership", "M-1024"};

const HistoryEntry kHistory[] = {{1, "example.com"}, {2, "weather"}, {12, "news-today"}};

std::unique_ptr<LoginRecord> MakeRecord(const Login& login) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site(std::string(login.site));
  record->set_description(std::string(login.description));
  record->AddField("username", std::string(login.user), "text", "login");
  record->AddField("password", std::string(login.password), "password", "login");
  return record;
}

}  // namespace

std::span<const Login> Logins() { return kLogins; }
std::span<const ProfileValue> HomeProfile() { return kHome; }
std::span<const ProfileValue> WorkProfile() { return kWork; }
const CustomField& Custom() { return kCustom; }
std::span<const HistoryEntry> History() { return kHistory; }

bool FillSampleData(DataSet& data) {
  for (const Login& login : kLogins) {
    std::unique_ptr<LoginRecord> record = MakeRecord(login);
    if (!login.fill_automatically) record->set_fill_automatically(0);
    data.logins.AddOrMerge(std::move(record));
  }
  for (const ProfileValue& entry : kHome) data.home.Value(entry.field) = entry.value;
  for (const ProfileValue& entry : kWork) data.work.Value(entry.field) = entry.value;
  data.rejected.Reject(std::string(kRejectedSite));
  return CustomFields().SetCustomField(-1, std::string(kCustom.description),
                                       std::string(kCustom.names), std::string(kCustom.value));
}

}  // namespace zr::sample

namespace zr {

bool WriteSampleData(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  DataSet data;
  (void)sample::FillSampleData(data);
  std::vector<HistoryEntry> history(sample::History().begin(), sample::History().end());
  return data.logins.Save(DataFilePath(folder, kPasswordFileName)) &&
         data.work.Save(DataFilePath(folder, kWorkProfileFileName)) &&
         data.home.Save(DataFilePath(folder, kHomeProfileFileName)) &&
         data.rejected.Save(DataFilePath(folder, kRejectedFileName)) &&
         WriteHistoryFile(DataFilePath(folder, kHistoryFileName), history);
}

}  // namespace zr
