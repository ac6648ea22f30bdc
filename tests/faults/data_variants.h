// Fault tests' view of the data files: each file's content made from a variant
// number and a size, saved and loaded through the classes the server uses.
#ifndef ZRFORM_TESTS_FAULTS_DATA_VARIANTS_H_
#define ZRFORM_TESTS_FAULTS_DATA_VARIANTS_H_

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zr::faults {

// Every file a save writes: the data folder's files and the user's registry hive.
enum class DataFile {
  kLogins,        // Password.dat
  kHomeProfile,   // FormHome.dat
  kWorkProfile,   // FormWork.dat
  kCustomFields,  // customize.dat, written by every profile or login save
  kRejected,      // Rejected.dat
  kHistory,       // History.txt
  kRegistry,      // HKEY_CURRENT_USER.reg under $XDG_CONFIG_HOME/Zorvane
};
inline constexpr DataFile kAllDataFiles[] = {
    DataFile::kLogins,   DataFile::kHomeProfile, DataFile::kWorkProfile, DataFile::kCustomFields,
    DataFile::kRejected, DataFile::kHistory,     DataFile::kRegistry};

// The data folder, and the folder used as XDG_CONFIG_HOME for the registry hive.
struct DataPlace {
  std::string data_folder;
  std::string config_home;
};

// A file's content as rows of texts: what a load gives back, compared as a whole.
using Items = std::vector<std::vector<std::string>>;

const char* FileName(DataFile file);
std::string PathOf(DataFile file, const DataPlace& place);
// The folder that holds the file (the hive's own folder for the registry).
std::string FolderOf(DataFile file, const DataPlace& place);

// Content number variant with size items (records, sites, entries, values;
// for profiles the length of each value). Different variants differ in every file.
Items Generate(DataFile file, int variant, int size);

// Forgets the process-wide custom and shared fields, as a fresh process has them.
void ResetProcessState();
// Makes the process's custom fields the items (Generate(kCustomFields, ...)),
// remembering "customize.dat" of folder as their file. Writes nothing.
void SetCustomFields(const std::string& folder, const Items& items);

// Saves items through the file's class: LoginStore, FormProfile, RejectedSites,
// History, RegistryStore (XDG_CONFIG_HOME must be place.config_home). Custom
// fields are set and saved the way the form manager does it: by saving the
// Work profile (loaded first, so it keeps its content). Logins and profiles
// write "customize.dat" from the custom fields the process holds.
// Returns what the save returned.
bool Save(DataFile file, const DataPlace& place, const Items& items);
// Loads the file through its class into a fresh object; nullopt when the
// class reports that it cannot be read.
std::optional<Items> Load(DataFile file, const DataPlace& place);

// Whole file bytes; nullopt when it cannot be read.
std::optional<std::string> ReadBytes(const std::string& path);
// Whether two file contents (nullopt: no file) are equal; when not, says
// how, briefly (file contents are too long to print).
::testing::AssertionResult SameBytes(const std::optional<std::string>& actual,
                                     const std::optional<std::string>& expected);
// Names in folder that are temporary files of an atomic write (".tmp" in them).
std::vector<std::string> TemporaryFiles(const std::string& folder);

}  // namespace zr::faults

#endif  // ZRFORM_TESTS_FAULTS_DATA_VARIANTS_H_
