// Content variants of the data files, saved and loaded through the store's,
// the history's and the registry's own classes.
#include "tests/faults/data_variants.h"

#include <dirent.h>

#include <memory>

#include "platform/atomic_file.h"
#include "platform/registry_store.h"
#include "server/history.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/history_file.h"
#include "store/login_store.h"
#include "store/rejected_sites.h"

namespace zr::faults {

namespace {

constexpr char kHiveFolder[] = "/Zorvane";
constexpr char kTestKey[] = "Software\\Zorvane\\FaultTest";
// Profile values are stored in 1024-byte buffers: longer ones would be cut.
constexpr int kMaxProfileValue = 1000;

std::string Tag(int variant) { return "v" + std::to_string(variant); }

// A text of about length bytes that names the variant and the item.
std::string Filler(int variant, int item, int length) {
  std::string text = Tag(variant) + " item " + std::to_string(item) + " ";
  while (static_cast<int>(text.size()) < length) text += static_cast<char>('a' + text.size() % 26);
  return text;
}

Items GenerateProfile(int variant, int size, bool home) {
  Items rows;
  int length = std::min(size, kMaxProfileValue);
  for (int k = 0; k < kProfileFieldCount; ++k) {
    rows.push_back({Filler(variant, k, length) + (home ? "H" : "W"),
                    Tag(variant) + "name" + std::to_string(k) + "|field" + std::to_string(k)});
  }
  return rows;
}

FormProfile& ProfileFrom(FormProfile& profile, const Items& items) {
  for (int k = 0; k < kProfileFieldCount; ++k) {
    profile.Value(static_cast<ProfileField>(k)) = items[k][0];
    profile.List(static_cast<ProfileField>(k)) = items[k][1];
  }
  return profile;
}

Items ProfileItems(const FormProfile& profile) {
  Items rows;
  for (int k = 0; k < kProfileFieldCount; ++k) {
    rows.push_back(
        {profile.Value(static_cast<ProfileField>(k)), profile.List(static_cast<ProfileField>(k))});
  }
  return rows;
}

bool SaveLogins(const DataPlace& place, const Items& items) {
  LoginStore store;
  store.set_master_password_text(items.at(0).at(0));
  for (size_t i = 1; i < items.size(); ++i) {
    auto record = std::make_unique<LoginRecord>();
    record->set_site(items[i][0]);
    record->set_description(items[i][1]);
    record->AddField("user", items[i][2], "text");
    record->AddField("pass", items[i][3], "password");
    store.AddOrMerge(std::move(record));
  }
  return store.Save(PathOf(DataFile::kLogins, place));
}

std::optional<Items> LoadLogins(const DataPlace& place) {
  LoginStore store;
  if (!store.Load(PathOf(DataFile::kLogins, place))) return std::nullopt;
  Items rows{{store.master_password()}};
  for (int i = 0; i < store.Count(); ++i) {
    const LoginRecord& record = *store.GetAt(i);
    std::vector<std::string> row{record.site(), record.description()};
    for (const LoginField& field : record.fields()) row.push_back(field.value);
    rows.push_back(std::move(row));
  }
  return rows;
}

bool SaveHistory(const DataPlace& place, const Items& items) {
  History history;
  for (const auto& row : items) {
    if (history.AddItem(row[1], std::stoi(row[0])) != kS_OK) return false;
  }
  return history.Save(PathOf(DataFile::kHistory, place), false) == kS_OK;
}

std::optional<Items> LoadHistory(const DataPlace& place) {
  History history;
  if (history.Load(PathOf(DataFile::kHistory, place), 0) != kS_OK) return std::nullopt;
  long count = 0;
  (void)history.Count(&count);
  Items rows;
  for (long i = 1; i <= count; ++i) {
    long type = 0;
    std::string text;
    if (history.Item(i, &type, &text) != kS_OK) return std::nullopt;
    rows.push_back({std::to_string(type), text});
  }
  return rows;
}

bool SaveRegistry(const Items& items) {
  RegistryStore store(Hive::kCurrentUser);  // not loaded: the items are the whole hive
  store.SetValue(kToolbarKey, kAutoLoginRecordValue,
                 static_cast<uint32_t>(std::stoul(items[0][0])));
  for (size_t i = 1; i < items.size(); ++i) store.SetValue(kTestKey, items[i][0], items[i][1]);
  return store.Save();
}

std::optional<Items> LoadRegistry(const DataPlace& place) {
  RegistryStore store(PathOf(DataFile::kRegistry, place));
  if (!store.Load() || !store.KeyExists(kToolbarKey)) return std::nullopt;
  auto flag = store.GetValue(kToolbarKey, kAutoLoginRecordValue);
  if (!flag || !std::holds_alternative<uint32_t>(*flag)) return std::nullopt;
  Items rows{{std::to_string(std::get<uint32_t>(*flag))}};
  for (int i = 0;; ++i) {
    auto value = store.GetValue(kTestKey, "Value" + std::to_string(i));
    if (!value) break;
    if (!std::holds_alternative<std::string>(*value)) return std::nullopt;
    rows.push_back({"Value" + std::to_string(i), std::get<std::string>(*value)});
  }
  return rows;
}

}  // namespace

const char* FileName(DataFile file) {
  switch (file) {
    case DataFile::kLogins:
      return kPasswordFileName;
    case DataFile::kHomeProfile:
      return kHomeProfileFileName;
    case DataFile::kWorkProfile:
      return kWorkProfileFileName;
    case DataFile::kCustomFields:
      return kCustomizeFileName;
    case DataFile::kRejected:
      return kRejectedFileName;
    case DataFile::kHistory:
      return kHistoryFileName;
    case DataFile::kRegistry:
      return "HKEY_CURRENT_USER.reg";
  }
  return "";
}

std::string FolderOf(DataFile file, const DataPlace& place) {
  return file == DataFile::kRegistry ? place.config_home + kHiveFolder : place.data_folder;
}

std::string PathOf(DataFile file, const DataPlace& place) {
  return FolderOf(file, place) + "/" + FileName(file);
}

Items Generate(DataFile file, int variant, int size) {
  Items rows;
  switch (file) {
    case DataFile::kLogins:
      rows.push_back({"master " + Tag(variant)});
      for (int i = 0; i < size; ++i) {
        std::string n = std::to_string(i);
        rows.push_back({"https://" + Tag(variant) + ".site" + n + ".example/login",
                        "Account " + n + " " + Tag(variant), "user" + n,
                        "secret " + Tag(variant) + " " + n});
      }
      return rows;
    case DataFile::kHomeProfile:
    case DataFile::kWorkProfile:
      return GenerateProfile(variant, size, file == DataFile::kHomeProfile);
    case DataFile::kCustomFields:
      for (int i = 0; i < size; ++i) {
        std::string n = std::to_string(i);
        rows.push_back({"Field " + n + " " + Tag(variant), "custom" + n, Filler(variant, i, 40)});
      }
      return rows;
    case DataFile::kRejected:
      for (int i = 0; i < size; ++i) {
        rows.push_back({"https://" + Tag(variant) + ".rejected" + std::to_string(i) + ".example"});
      }
      return rows;
    case DataFile::kHistory:
      for (int i = 0; i < std::min(size, static_cast<int>(kMaxHistoryEntriesWritten)); ++i) {
        rows.push_back({std::to_string(i % 3), Filler(variant, i, 200)});
      }
      return rows;
    case DataFile::kRegistry:
      rows.push_back({std::to_string(variant)});
      for (int i = 0; i < size; ++i) {
        rows.push_back({"Value" + std::to_string(i), Filler(variant, i, 60)});
      }
      return rows;
  }
  return rows;
}

void ResetProcessState() {
  CustomFields().Reset();
  SharedNames().Reset();
}

void SetCustomFields(const std::string& folder, const Items& items) {
  CustomFieldList& fields = CustomFields();
  if (fields.path().empty()) (void)fields.LoadCustomFields(folder);
  while (fields.CustomFieldCount() > 0) fields.RemoveCustomField(0);
  for (const auto& row : items) fields.SetCustomField(-1, row[0], row[1], row[2]);
}

bool Save(DataFile file, const DataPlace& place, const Items& items) {
  switch (file) {
    case DataFile::kLogins:
      return SaveLogins(place, items);
    case DataFile::kHomeProfile:
    case DataFile::kWorkProfile: {
      FormProfile profile;
      return ProfileFrom(profile, items).Save(PathOf(file, place));
    }
    case DataFile::kCustomFields: {
      SetCustomFields(place.data_folder, items);
      FormProfile work;
      (void)work.Load(PathOf(DataFile::kWorkProfile, place));
      return work.Save(PathOf(DataFile::kWorkProfile, place));
    }
    case DataFile::kRejected: {
      RejectedSites sites;
      for (const auto& row : items) sites.Reject(row[0]);
      return sites.Save(PathOf(file, place));
    }
    case DataFile::kHistory:
      return SaveHistory(place, items);
    case DataFile::kRegistry:
      return SaveRegistry(items);
  }
  return false;
}

std::optional<Items> Load(DataFile file, const DataPlace& place) {
  switch (file) {
    case DataFile::kLogins:
      return LoadLogins(place);
    case DataFile::kHomeProfile:
    case DataFile::kWorkProfile: {
      FormProfile profile;
      if (!profile.Load(PathOf(file, place))) return std::nullopt;
      return ProfileItems(profile);
    }
    case DataFile::kCustomFields: {
      CustomFieldList fields;  // not the process's list: this one is read afresh
      if (!fields.LoadCustomFields(place.data_folder)) return std::nullopt;
      Items rows;
      for (int i = 0; i < fields.CustomFieldCount(); ++i) {
        const CustomField& field = *fields.GetCustomField(i);
        rows.push_back({field.description(), field.names(), field.value()});
      }
      return rows;
    }
    case DataFile::kRejected: {
      RejectedSites sites;
      if (!sites.Load(PathOf(file, place))) return std::nullopt;
      Items rows;
      for (const std::string& site : sites.sites()) rows.push_back({site});
      return rows;
    }
    case DataFile::kHistory:
      return LoadHistory(place);
    case DataFile::kRegistry:
      return LoadRegistry(place);
  }
  return std::nullopt;
}

std::optional<std::string> ReadBytes(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return std::nullopt;
  return bytes;
}

::testing::AssertionResult SameBytes(const std::optional<std::string>& actual,
                                     const std::optional<std::string>& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  if (!actual || !expected) {
    return ::testing::AssertionFailure() << (actual ? "the file should not exist" : "no file");
  }
  size_t at = 0;
  while (at < actual->size() && at < expected->size() && (*actual)[at] == (*expected)[at]) ++at;
  return ::testing::AssertionFailure() << actual->size() << " bytes instead of " << expected->size()
                                       << ", first difference at byte " << at;
}

std::vector<std::string> TemporaryFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name.find(".tmp") != std::string::npos) names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace zr::faults
