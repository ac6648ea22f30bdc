// Pieces of the fault tests: a test body run in a forked child (for mounts,
// lowered privileges and kills that must not touch the test program), a small
// tmpfs in a private mount namespace, and every data file saved through the
// function the server saves it with, from a variant number and a size.
#ifndef ZRFORM_TESTS_FAULTS_FAULTS_SUPPORT_H_
#define ZRFORM_TESTS_FAULTS_FAULTS_SUPPORT_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zr::faults {

// Runs body in a forked child: "" when it passed, "skip: why" when it called
// SkipChild, else why it failed. REQUIRES: a single-threaded process.
std::string RunInChild(const std::function<void()>& body);
[[noreturn]] void SkipChild(const std::string& reason);
// In a child, when root: gives folder to "nobody" and becomes it for good.
void DropRootToNobody(const std::string& folder);
// In a child: a tmpfs of size bytes on a new folder in a private mount namespace.
std::string MountSmallTmpfs(size_t size);
// Fills the filesystem of folder (a file "filler" in it) until free_bytes remain.
bool FillLeaving(const std::string& folder, size_t free_bytes);

// Every file a save writes, in the order of the table of save functions.
enum class DataFile { kLogins, kHomeProfile, kWorkProfile, kCustomFields, kRejected, kHistory, kRegistry };
inline constexpr DataFile kAllDataFiles[] = {DataFile::kLogins,       DataFile::kHomeProfile, DataFile::kWorkProfile,
                                             DataFile::kCustomFields, DataFile::kRejected,    DataFile::kHistory,
                                             DataFile::kRegistry};
struct DataPlace {
  std::string data_folder;
  std::string config_home;  // XDG_CONFIG_HOME, where the registry hive goes
};
const char* FileName(DataFile file);
std::string FolderOf(DataFile file, const DataPlace& place);
std::string PathOf(DataFile file, const DataPlace& place);
// Saves content number variant of size items as a fresh process would (custom
// fields through the Work profile; every save also writes customize.dat, with
// variant 0 of 20 fields unless it saves the custom fields). Returns the save's result.
bool Save(DataFile file, const DataPlace& place, int variant, int size);
std::optional<std::string> ReadBytes(const std::string& path);
// Names in the data and hive folders that are temporary files of an atomic write.
std::vector<std::string> TemporaryFiles(const DataPlace& place);

}  // namespace zr::faults

// In a TEST: runs body in a child and reports its outcome (skip, failure).
#define ZR_RUN_IN_CHILD(...)                                                      \
  do {                                                                            \
    std::string zr_outcome = ::zr::faults::RunInChild(__VA_ARGS__);               \
    if (zr_outcome.rfind("skip: ", 0) == 0) GTEST_SKIP() << zr_outcome.substr(6); \
    ASSERT_EQ(zr_outcome, "");                                                    \
  } while (false)

#endif  // ZRFORM_TESTS_FAULTS_FAULTS_SUPPORT_H_
