// The data folder is 0700 and every data and registry file 0600 after real
// saves, even with a umask that would let everyone read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/data_folder.h"
#include "platform/registry_store.h"
#include "tests/faults/child_process.h"
#include "tests/faults/data_variants.h"
#include "tests/faults/temp_folder.h"

namespace zr::faults {
namespace {

constexpr unsigned kFolderMode = 0700;
constexpr unsigned kFileMode = 0600;

// Permission bits of path, or -1 when it does not exist.
int ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// The mode a file has before it is saved again.
struct ModeCase {
  const char* name;
  int mode_before;  // -1: the save creates the file
};

const ModeCase kCases[] = {
    {"new files", -1},
    {"files everyone could read and write", 0666},
    {"executable files", 0755},
};

TEST(AccessModesTest, DataFolderIsPrivateAndEverySavedFileIsOwnerOnly) {
  ZR_RUN_IN_CHILD([] {
    TempFolder folder("zrmodes");
    const std::string& temp = folder.path();
    ASSERT_FALSE(temp.empty());
    ::umask(0);  // the most permissive: modes come from the code alone
    ::setenv("XDG_DATA_HOME", (temp + "/share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (temp + "/config").c_str(), 1);

    DataPlace place{FindDataFolder(), temp + "/config"};
    EXPECT_EQ(place.data_folder, temp + "/share/Zorvane/ToolBar");
    for (const char* folder : {"/share", "/share/Zorvane", "/share/Zorvane/ToolBar"}) {
      EXPECT_EQ(ModeOf(temp + folder), static_cast<int>(kFolderMode)) << folder;
    }
    for (const ModeCase& c : kCases) {
      SCOPED_TRACE(c.name);
      for (DataFile file : kAllDataFiles) {
        if (c.mode_before >= 0) {
          ASSERT_EQ(::chmod(PathOf(file, place).c_str(), c.mode_before), 0);
        }
        ASSERT_TRUE(Save(file, place, Generate(file, 0, 3))) << FileName(file);
        EXPECT_EQ(ModeOf(PathOf(file, place)), static_cast<int>(kFileMode)) << FileName(file);
      }
      EXPECT_EQ(ModeOf(FolderOf(DataFile::kRegistry, place)), static_cast<int>(kFolderMode));
      ASSERT_EQ(::chmod(PathOf(DataFile::kRegistry, place).c_str(), 0644), 0);
      ASSERT_TRUE(WriteAutoLoginRecord(0));
      EXPECT_EQ(ModeOf(PathOf(DataFile::kRegistry, place)), static_cast<int>(kFileMode))
          << "after WriteAutoLoginRecord";
    }
  });
}

}  // namespace
}  // namespace zr::faults
