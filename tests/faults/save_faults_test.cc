// Saves under faults: one table over the ways a save can fail (a full disk, a
// folder the user may not write, a hive the user may not read), what killed
// writers leave behind, and the owner-only modes. As root the children run as
// "nobody", since root ignores permission bits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "platform/atomic_file.h"
#include "platform/data_folder.h"
#include "platform/registry_store.h"
#include "tests/faults/faults_support.h"
#include "tests/support/test_support.h"

namespace zr::faults {
namespace {

constexpr size_t kKiB = 1024;
enum Way { kFullDisk, kReadOnlyFolder, kUnreadableFile };
int ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// A failed save says so and leaves every file as it was, with no temporary
// file; once the fault is gone the same save goes through.
TEST(SaveFaultsTest, AFailedSaveSaysSoAndLeavesEveryFileAsItWas) {
  // old_size, new_size: items before (0: no file) and saved (0: WriteAutoLoginRecord); free_bytes: on a full disk.
  const struct { const char* name; Way way; DataFile file; int old_size, new_size; size_t free_bytes; } kCases[] = {
      {"Password.dat grows past the free space", kFullDisk, DataFile::kLogins, 20, 1500, 64 * kKiB},
      {"Password.dat rewritten at its size", kFullDisk, DataFile::kLogins, 600, 600, 64 * kKiB},
      {"FormHome.dat grows", kFullDisk, DataFile::kHomeProfile, 10, 1000, 8 * kKiB},
      {"customize.dat grows", kFullDisk, DataFile::kCustomFields, 5, 1500, 64 * kKiB},
      {"Rejected.dat, not a byte free", kFullDisk, DataFile::kRejected, 5, 2000, 0},
      {"History.txt grows", kFullDisk, DataFile::kHistory, 5, 1000, 64 * kKiB},
      {"auto-login flag into a large hive", kFullDisk, DataFile::kRegistry, 1500, 0, 64 * kKiB},
      {"Password.dat", kReadOnlyFolder, DataFile::kLogins, 20, 20, 0},
      {"customize.dat", kReadOnlyFolder, DataFile::kCustomFields, 20, 20, 0},
      {"Rejected.dat not yet there", kReadOnlyFolder, DataFile::kRejected, 0, 20, 0},
      {"registry hive whose folder must be made", kReadOnlyFolder, DataFile::kRegistry, 0, 20, 0},
      {"auto-login flag into an unreadable hive", kUnreadableFile, DataFile::kRegistry, 20, 0, 0},
  };
  ZR_RUN_IN_CHILD([&] {
    const std::string base = MountSmallTmpfs(4 * kKiB * kKiB);
    DropRootToNobody(base);
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.name);
      DataPlace place{base + "/data", base + "/config"};
      ASSERT_EQ(::mkdir(place.data_folder.c_str(), 0700), 0);
      testing::ScopedEnv config("XDG_CONFIG_HOME", place.config_home);
      for (DataFile file : kAllDataFiles) ASSERT_TRUE(Save(file, place, 0, file == c.file ? c.old_size : 3));
      const bool no_hive_folder = c.file == DataFile::kRegistry && c.old_size == 0;
      if (c.old_size == 0) std::filesystem::remove_all(no_hive_folder ? FolderOf(c.file, place) : PathOf(c.file, place));
      std::map<DataFile, std::optional<std::string>> before;
      for (DataFile file : kAllDataFiles) before[file] = ReadBytes(PathOf(file, place));
      auto save = [&] { return c.new_size == 0 ? WriteAutoLoginRecord(7) : Save(c.file, place, 1, c.new_size); };
      const std::string locked = no_hive_folder           ? place.config_home
                                 : c.way == kUnreadableFile ? PathOf(c.file, place) : FolderOf(c.file, place);
      if (c.way == kFullDisk) {
        ASSERT_TRUE(FillLeaving(base, c.free_bytes));
      } else {
        ASSERT_EQ(::chmod(locked.c_str(), c.way == kUnreadableFile ? 0 : 0500), 0);
      }
      EXPECT_FALSE(save()) << "a failed save reported success";
      std::filesystem::remove(base + "/filler");
      ::chmod(locked.c_str(), c.way == kUnreadableFile ? 0600 : 0700);
      for (DataFile file : kAllDataFiles) EXPECT_EQ(ReadBytes(PathOf(file, place)), before[file]) << FileName(file);
      EXPECT_EQ(TemporaryFiles(place), std::vector<std::string>());
      EXPECT_TRUE(save()) << "fails even without the fault";
      for (const std::string& folder : {place.data_folder, place.config_home}) std::filesystem::remove_all(folder);
      if (::testing::Test::HasFatalFailure()) return;
    }
  });
}

TEST(SaveFaultsTest, AWriteRemovesOnlyWhatDeadWritersOfThatFileLeft) {
  enum Entry { kFile, kLocked, kFolder, kLink };
  const struct { const char* name; Entry entry; bool removed; } kLeftovers[] = {
      {"Password.dat.tmpAb12Cd", kFile, true},     // left by a killed writer
      {"Password.dat.tmpXy98Zw", kLocked, false},  // held by a writer at work
      {"Rejected.dat.tmpAb12Cd", kFile, false},    // of another file
      {"xPassword.dat.tmpAb12Cd", kFile, false},   // of a file whose name ends alike
      {"Password.dat.tmpAb12C", kFile, false},     // random part too short
      {"Password.dat.tmpAb-2Cd", kFile, false},    // a character mkostemp never uses
      {"Password.dat.tmpQq11Ww", kFolder, false},
      {"Password.dat.tmpLn00Kk", kLink, false},
  };
  testing::TempDir folder;
  ASSERT_TRUE(testing::WriteFile(folder.File("outside"), "kept"));
  int lock = -1;
  for (const auto& c : kLeftovers) {
    const std::string path = folder.File(c.name);
    const bool made = c.entry == kFolder ? ::mkdir(path.c_str(), 0700) == 0
                      : c.entry == kLink ? ::symlink(folder.File("outside").c_str(), path.c_str()) == 0
                      : c.entry == kFile ? testing::WriteFile(path, "")  // a lock conflicts within one process too
                                         : (lock = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)) >= 0 &&
                                               ::flock(lock, LOCK_EX) == 0;
    ASSERT_TRUE(made) << c.name;
  }
  ASSERT_TRUE(WriteFileAtomically(folder.File("Password.dat"), "new content"));
  for (const auto& c : kLeftovers) EXPECT_EQ(ModeOf(folder.File(c.name)) < 0, c.removed) << c.name;
  EXPECT_EQ(ReadBytes(folder.File("outside")), "kept");
  ::close(lock);  // once its writer is gone, the held one goes at the next write
  ASSERT_TRUE(WriteFileAtomically(folder.File("Password.dat"), "newer content"));
  EXPECT_LT(ModeOf(folder.File("Password.dat.tmpXy98Zw")), 0);
}

TEST(SaveFaultsTest, DataFolderIsPrivateAndEverySavedFileOwnerOnlyWhateverTheUmask) {
  ZR_RUN_IN_CHILD([] {
    testing::TempDir temp;
    ::umask(0);
    testing::ScopedEnv data("XDG_DATA_HOME", temp.File("share"));
    testing::ScopedEnv config("XDG_CONFIG_HOME", temp.File("config"));
    const DataPlace place{FindDataFolder(), temp.File("config")};
    EXPECT_EQ(ModeOf(temp.File("share/Zorvane/ToolBar")), 0700);
    for (int mode_before : {-1, 0666}) {  // -1: the save creates the file
      for (DataFile file : kAllDataFiles) {
        ASSERT_TRUE(mode_before < 0 || ::chmod(PathOf(file, place).c_str(), mode_before) == 0);
        ASSERT_TRUE(Save(file, place, 0, 3)) << FileName(file);
        EXPECT_EQ(ModeOf(PathOf(file, place)), 0600) << FileName(file) << " was " << mode_before;
      }
      EXPECT_EQ(ModeOf(FolderOf(DataFile::kRegistry, place)), 0700);
    }
  });
}

}  // namespace
}  // namespace zr::faults
