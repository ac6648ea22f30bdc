// One table over the ways a save can fail: a really full disk (a small tmpfs,
// filled up, and the save made to need more than is left), a folder the user
// may not write, a hive the user may not read. Every such save must report
// failure and leave every file byte for byte as it was, with no temporary
// file; once the fault is gone the same save goes through. As root the test
// runs as "nobody", since root ignores permission bits.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "platform/registry_store.h"
#include "tests/faults/faults_support.h"
#include "tests/support/test_support.h"

namespace zr::faults {
namespace {

constexpr size_t kKiB = 1024;
enum class Way { kFullDisk, kReadOnlyFolder, kUnreadableFile };

struct FailCase {
  const char* name;
  Way way;
  DataFile file;
  int old_size;        // items in the file before (0: no file)
  int new_size;        // items the save tries to write (0: WriteAutoLoginRecord)
  size_t free_bytes;   // full disk: left free for the save
};

const FailCase kCases[] = {
    {"Password.dat grows past the free space", Way::kFullDisk, DataFile::kLogins, 20, 1500, 64 * kKiB},
    {"Password.dat rewritten at its size", Way::kFullDisk, DataFile::kLogins, 600, 600, 64 * kKiB},
    {"FormHome.dat grows", Way::kFullDisk, DataFile::kHomeProfile, 10, 1000, 8 * kKiB},
    {"customize.dat grows", Way::kFullDisk, DataFile::kCustomFields, 5, 1500, 64 * kKiB},
    {"Rejected.dat, not a byte free", Way::kFullDisk, DataFile::kRejected, 5, 2000, 0},
    {"History.txt grows", Way::kFullDisk, DataFile::kHistory, 5, 1000, 64 * kKiB},
    {"registry hive grows", Way::kFullDisk, DataFile::kRegistry, 5, 2000, 64 * kKiB},
    {"auto-login flag into a large hive", Way::kFullDisk, DataFile::kRegistry, 1500, 0, 64 * kKiB},
    {"Password.dat", Way::kReadOnlyFolder, DataFile::kLogins, 20, 20, 0},
    {"FormWork.dat", Way::kReadOnlyFolder, DataFile::kWorkProfile, 20, 20, 0},
    {"customize.dat", Way::kReadOnlyFolder, DataFile::kCustomFields, 20, 20, 0},
    {"Rejected.dat not yet there", Way::kReadOnlyFolder, DataFile::kRejected, 0, 20, 0},
    {"History.txt", Way::kReadOnlyFolder, DataFile::kHistory, 20, 20, 0},
    {"registry hive whose folder must be made", Way::kReadOnlyFolder, DataFile::kRegistry, 0, 20, 0},
    {"auto-login flag into an unreadable hive", Way::kUnreadableFile, DataFile::kRegistry, 20, 0, 0},
};

bool SaveNew(const FailCase& c, const DataPlace& place) {
  return c.new_size == 0 ? WriteAutoLoginRecord(7) : Save(c.file, place, 1, c.new_size);
}

void RunCase(const std::string& base, const FailCase& c) {
  DataPlace place{base + "/data", base + "/config"};
  ASSERT_EQ(::mkdir(place.data_folder.c_str(), 0700), 0);
  testing::ScopedEnv config("XDG_CONFIG_HOME", place.config_home);
  for (DataFile file : kAllDataFiles) {
    ASSERT_TRUE(Save(file, place, 0, file == c.file ? c.old_size : 3)) << FileName(file);
  }
  if (c.old_size == 0) std::filesystem::remove(PathOf(c.file, place));
  bool hive_folder_gone = c.file == DataFile::kRegistry && c.old_size == 0;
  if (hive_folder_gone) std::filesystem::remove_all(FolderOf(c.file, place));
  std::map<DataFile, std::optional<std::string>> before;
  for (DataFile file : kAllDataFiles) before[file] = ReadBytes(PathOf(file, place));

  const std::string locked = hive_folder_gone ? place.config_home
                             : c.way == Way::kUnreadableFile ? PathOf(c.file, place)
                                                             : FolderOf(c.file, place);
  if (c.way == Way::kFullDisk) {
    ASSERT_TRUE(FillLeaving(base, c.free_bytes));
  } else {
    ASSERT_EQ(::chmod(locked.c_str(), c.way == Way::kUnreadableFile ? 0 : 0500), 0);
  }
  EXPECT_FALSE(SaveNew(c, place)) << "a failed save reported success";
  std::filesystem::remove(base + "/filler");
  ::chmod(locked.c_str(), c.way == Way::kUnreadableFile ? 0600 : 0700);

  for (DataFile file : kAllDataFiles) {
    EXPECT_EQ(ReadBytes(PathOf(file, place)), before[file]) << FileName(file) << " changed";
  }
  EXPECT_TRUE(TemporaryFiles(place.data_folder).empty()) << "temporary file left";
  EXPECT_TRUE(TemporaryFiles(FolderOf(DataFile::kRegistry, place)).empty()) << "temporary file left";
  // Without the fault the same save goes through (and on the full disk it
  // did need more than was left).
  EXPECT_TRUE(SaveNew(c, place)) << "fails even without the fault";
  if (c.way == Way::kFullDisk) {
    EXPECT_GT(ReadBytes(PathOf(c.file, place)).value_or("").size(), c.free_bytes) << "disk not filled";
  }
  std::filesystem::remove_all(place.data_folder);
  std::filesystem::remove_all(place.config_home);
}

TEST(SaveFailuresTest, AFailedSaveSaysSoAndLeavesEveryFileAsItWas) {
  ZR_RUN_IN_CHILD([] {
    std::string disk = MountSmallTmpfs(4 * kKiB * kKiB);
    DropRootToNobody(disk);
    for (const FailCase& c : kCases) {
      SCOPED_TRACE(c.name);
      RunCase(disk, c);
      if (::testing::Test::HasFatalFailure()) return;
    }
  });
}

}  // namespace
}  // namespace zr::faults
