// The data folder is 0700 and every data and registry file 0600 after real
// saves, even with a umask that would let everyone read, and whatever mode
// the file had before.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/data_folder.h"
#include "platform/registry_store.h"
#include "tests/faults/faults_support.h"
#include "tests/support/test_support.h"

namespace zr::faults {
namespace {

// Permission bits of path, or -1 when it does not exist.
int ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

TEST(AccessModesTest, DataFolderIsPrivateAndEverySavedFileIsOwnerOnly) {
  ZR_RUN_IN_CHILD([] {
    testing::TempDir temp;
    ASSERT_FALSE(temp.path().empty());
    ::umask(0);  // the most permissive: modes come from the code alone
    testing::ScopedEnv data("XDG_DATA_HOME", temp.File("share"));
    testing::ScopedEnv config("XDG_CONFIG_HOME", temp.File("config"));
    DataPlace place{FindDataFolder(), temp.File("config")};
    EXPECT_EQ(place.data_folder, temp.File("share/Zorvane/ToolBar"));
    for (const char* folder : {"share", "share/Zorvane", "share/Zorvane/ToolBar"}) {
      EXPECT_EQ(ModeOf(temp.File(folder)), 0700) << folder;
    }
    for (int mode_before : {-1, 0666, 0755}) {  // -1: the save creates the file
      for (DataFile file : kAllDataFiles) {
        if (mode_before >= 0) {
          ASSERT_EQ(::chmod(PathOf(file, place).c_str(), mode_before), 0);
        }
        ASSERT_TRUE(Save(file, place, 0, 3)) << FileName(file);
        EXPECT_EQ(ModeOf(PathOf(file, place)), 0600) << FileName(file) << " was " << mode_before;
      }
      EXPECT_EQ(ModeOf(FolderOf(DataFile::kRegistry, place)), 0700);
      ASSERT_EQ(::chmod(PathOf(DataFile::kRegistry, place).c_str(), 0644), 0);
      ASSERT_TRUE(WriteAutoLoginRecord(0));
      EXPECT_EQ(ModeOf(PathOf(DataFile::kRegistry, place)), 0600) << "after WriteAutoLoginRecord";
    }
  });
}

}  // namespace
}  // namespace zr::faults
