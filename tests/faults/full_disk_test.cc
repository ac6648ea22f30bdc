// Saves on a really full disk: a small tmpfs or loop-device ext4, filled up,
// then each save made to need more room than is left. Every save must report
// failure and leave every file byte for byte as it was, with no temporary file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>

#include "platform/registry_store.h"
#include "tests/faults/child_process.h"
#include "tests/faults/data_variants.h"
#include "tests/faults/small_filesystem.h"

namespace zr::faults {
namespace {

constexpr size_t kKiB = 1024;
constexpr size_t kFilesystemSize = 4 * kKiB * kKiB;
constexpr int kSmallSize = 3;     // items in the files a case does not save
constexpr uint32_t kNewFlag = 7;  // the auto-login flag the failing write tries to set

struct FullDiskCase {
  const char* name;
  DataFile file;
  int old_size;                  // items in the file before the save
  int new_size;                  // items the save tries to write
  size_t free_bytes;             // left free on the disk for the save
  bool auto_login_flag = false;  // save with WriteAutoLoginRecord instead
};

const FullDiskCase kCases[] = {
    {"Password.dat grows past the free space", DataFile::kLogins, 20, 1500, 64 * kKiB},
    {"Password.dat rewritten at its size, no room for the copy", DataFile::kLogins, 600, 600,
     64 * kKiB},
    {"FormHome.dat grows to the largest profile", DataFile::kHomeProfile, 10, 1000, 8 * kKiB},
    {"FormWork.dat grows to the largest profile", DataFile::kWorkProfile, 10, 1000, 8 * kKiB},
    {"customize.dat grows, saved with the Work profile", DataFile::kCustomFields, 5, 1500,
     64 * kKiB},
    {"Rejected.dat grows with not a byte free", DataFile::kRejected, 5, 2000, 0},
    {"History.txt grows to its 1000 entries", DataFile::kHistory, 5, 1000, 64 * kKiB},
    {"registry hive grows", DataFile::kRegistry, 5, 2000, 64 * kKiB},
    {"auto-login flag written into a large hive", DataFile::kRegistry, 1500, 1500, 64 * kKiB, true},
};

long long FileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

bool SaveNew(const FullDiskCase& c, const DataPlace& place) {
  if (c.auto_login_flag) return WriteAutoLoginRecord(kNewFlag);
  return Save(c.file, place, Generate(c.file, 1, c.new_size));
}

void RunCase(SmallFilesystem& fs, const FullDiskCase& c) {
  DataPlace place{fs.path() + "/data", fs.path() + "/config"};
  ASSERT_EQ(::mkdir(place.data_folder.c_str(), 0700), 0) << ErrnoText("mkdir");
  ::setenv("XDG_CONFIG_HOME", place.config_home.c_str(), 1);
  ASSERT_EQ(RegistryStore::DefaultPath(Hive::kCurrentUser), PathOf(DataFile::kRegistry, place));
  ResetProcessState();
  std::map<DataFile, std::string> before;
  for (DataFile file : kAllDataFiles) {
    int size = file == c.file ? c.old_size : kSmallSize;
    ASSERT_TRUE(Save(file, place, Generate(file, 0, size))) << FileName(file);
  }
  for (DataFile file : kAllDataFiles) before[file] = ReadBytes(PathOf(file, place)).value_or("");

  ASSERT_TRUE(fs.FillLeaving(c.free_bytes));
  const size_t free_bytes = fs.FreeBytes();
  EXPECT_FALSE(SaveNew(c, place)) << "a save that did not fit reported success";
  for (DataFile file : kAllDataFiles) {
    EXPECT_TRUE(SameBytes(ReadBytes(PathOf(file, place)), before[file])) << FileName(file);
    EXPECT_TRUE(Load(file, place).has_value()) << FileName(file) << " no longer loads";
  }
  EXPECT_TRUE(Load(c.file, place) == Generate(c.file, 0, c.old_size)) << "old content lost";
  EXPECT_TRUE(TemporaryFiles(place.data_folder).empty()) << "temporary file left";
  EXPECT_TRUE(TemporaryFiles(FolderOf(DataFile::kRegistry, place)).empty())
      << "temporary file left beside the hive";

  // With room again the same save succeeds: it failed for want of space alone,
  // and it did need more than was free.
  fs.RemoveFiller();
  EXPECT_TRUE(SaveNew(c, place)) << "the save fails even with room";
  long long needed = FileSize(PathOf(c.file, place));
  EXPECT_GT(needed, static_cast<long long>(free_bytes)) << "the case did not fill the disk";
  if (c.auto_login_flag) {
    EXPECT_EQ(ReadAutoLoginRecord(), kNewFlag);
  } else {
    EXPECT_TRUE(Load(c.file, place) == Generate(c.file, 1, c.new_size)) << "new content";
  }
  std::cout << "[ figures  ] " << c.name << ": " << free_bytes << " bytes free, the file needs "
            << needed << "\n";
  std::filesystem::remove_all(place.data_folder);
  std::filesystem::remove_all(place.config_home);
}

// Mounts a small filesystem of kind in a child and runs every case on it.
void RunAllCases(FilesystemKind kind) {
  ZR_RUN_IN_CHILD([kind] {
    std::string why;
    auto fs = SmallFilesystem::Mount(kind, kFilesystemSize, why);
    if (!fs) SkipChild(std::string("cannot mount a small ") + KindName(kind) + ": " + why);
    std::cout << "[ figures  ] " << KindName(kind) << " of " << kFilesystemSize << " bytes, "
              << fs->FreeBytes() << " free when empty\n";
    for (const FullDiskCase& c : kCases) {
      SCOPED_TRACE(c.name);
      RunCase(*fs, c);
      fs->RemoveFiller();
      if (::testing::Test::HasFatalFailure()) return;
    }
  });
}

TEST(FullDiskTest, FailedSavesOnAFullTmpfsLeaveEveryFileWhole) {
  RunAllCases(FilesystemKind::kTmpfs);
}

// ext4 reserves and allocates blocks otherwise than tmpfs counts pages.
TEST(FullDiskTest, FailedSavesOnAFullLoopDeviceExt4LeaveEveryFileWhole) {
  RunAllCases(FilesystemKind::kLoopExt4);
}

}  // namespace
}  // namespace zr::faults
