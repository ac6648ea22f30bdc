// Pieces of the fault tests: a body run in a forked child (for mounts, lowered
// privileges and kills that must not touch the test program), a small tmpfs,
// and every data file saved as the server saves it, from a variant and a size.
#ifndef ZRFORM_TESTS_FAULTS_FAULTS_SUPPORT_H_
#define ZRFORM_TESTS_FAULTS_FAULTS_SUPPORT_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zr::faults {

// Runs body in a forked child: "" when it passed, "skip: ..." when it could not
// set up its fault, else why it failed. REQUIRES: a single-threaded process.
std::string RunInChild(const std::function<void()>& body);
void DropRootToNobody(const std::string& folder);  // when root: gives folder to "nobody" and becomes it
std::string MountSmallTmpfs(size_t size);          // in a child: a new folder in a private mount namespace
bool FillLeaving(const std::string& folder, size_t free_bytes);  // with a file "filler" in folder

enum class DataFile { kLogins, kHomeProfile, kWorkProfile, kCustomFields, kRejected, kHistory, kRegistry };
inline constexpr DataFile kAllDataFiles[] = {DataFile::kLogins,       DataFile::kHomeProfile, DataFile::kWorkProfile,
                                             DataFile::kCustomFields, DataFile::kRejected,    DataFile::kHistory,
                                             DataFile::kRegistry};
struct DataPlace {
  std::string data_folder, config_home;  // config_home: XDG_CONFIG_HOME, where the registry hive goes
};
const char* FileName(DataFile file);
std::string FolderOf(DataFile file, const DataPlace& place);
std::string PathOf(DataFile file, const DataPlace& place);
// Saves content number variant of size items as a fresh process would; every
// save writes customize.dat too, the same unless it saves the custom fields.
bool Save(DataFile file, const DataPlace& place, int variant, int size);
std::optional<std::string> ReadBytes(const std::string& path);
std::vector<std::string> TemporaryFiles(const DataPlace& place);  // of atomic writes, in both folders

}  // namespace zr::faults

#define ZR_RUN_IN_CHILD(...)                                                      \
  do {                                                                            \
    std::string zr_outcome = ::zr::faults::RunInChild(__VA_ARGS__);               \
    if (zr_outcome.rfind("skip: ", 0) == 0) GTEST_SKIP() << zr_outcome.substr(6); \
    ASSERT_EQ(zr_outcome, "");                                                    \
  } while (false)

#endif  // ZRFORM_TESTS_FAULTS_FAULTS_SUPPORT_H_
