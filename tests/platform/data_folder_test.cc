// Tests of the data folder lookup: XDG_DATA_HOME, HOME/.local/share, the
// folders created with mode 0700, and the executable's folder as fallback.
#include "platform/data_folder.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

// The permission bits of a folder, or -1 when path is not a folder.
int FolderMode(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
  return static_cast<int>(st.st_mode & 07777);
}

TEST(DataFolderTest, XdgDataHomeIsCreatedWithPrivateFolders) {
  TempDir temp;
  ASSERT_FALSE(temp.path().empty());
  const std::string xdg = temp.path() + "/data/home";  // missing, like a first run
  ScopedEnv data_home("XDG_DATA_HOME", xdg + "/");
  ScopedEnv home("HOME", temp.path() + "/unused");
  EXPECT_EQ(FindDataFolder(), xdg + "/Zorvane/ToolBar");
  EXPECT_EQ(FolderMode(xdg), 0700);
  EXPECT_EQ(FolderMode(xdg + "/Zorvane"), 0700);
  EXPECT_EQ(FolderMode(xdg + "/Zorvane/ToolBar"), 0700);
  EXPECT_EQ(FolderMode(temp.path() + "/unused"), -1);
  // A second run finds the folders in place.
  EXPECT_EQ(FindDataFolder(), xdg + "/Zorvane/ToolBar");
}

TEST(DataFolderTest, HomeLocalShareWhenXdgDataHomeIsUnsetOrRelative) {
  for (const char* xdg : {static_cast<const char*>(nullptr), "relative/data", ""}) {
    TempDir temp;
    ASSERT_FALSE(temp.path().empty());
    ScopedEnv data_home("XDG_DATA_HOME", xdg ? std::optional<std::string>(xdg) : std::nullopt);
    ScopedEnv home("HOME", temp.path());
    const std::string share = temp.path() + "/.local/share";
    EXPECT_EQ(FindDataFolder(), share + "/Zorvane/ToolBar") << (xdg ? xdg : "unset");
    EXPECT_EQ(FolderMode(temp.path() + "/.local"), 0700);
    EXPECT_EQ(FolderMode(share), 0700);
    EXPECT_EQ(FolderMode(share + "/Zorvane/ToolBar"), 0700);
  }
}

TEST(DataFolderTest, ExistingFoldersKeepTheirMode) {
  TempDir temp;
  ASSERT_FALSE(temp.path().empty());
  ASSERT_EQ(::mkdir((temp.path() + "/Zorvane").c_str(), 0755), 0);
  ASSERT_EQ(::chmod((temp.path() + "/Zorvane").c_str(), 0755), 0);
  ScopedEnv data_home("XDG_DATA_HOME", temp.path());
  EXPECT_EQ(FindDataFolder(), temp.path() + "/Zorvane/ToolBar");
  EXPECT_EQ(FolderMode(temp.path() + "/Zorvane"), 0755);
  EXPECT_EQ(FolderMode(temp.path() + "/Zorvane/ToolBar"), 0700);
}

TEST(DataFolderTest, ExecutableFolderWithoutUsableHome) {
  const std::string exe_folder = ExecutableFolder();
  ASSERT_FALSE(exe_folder.empty());
  EXPECT_NE(exe_folder.back(), '/');
  struct stat st;
  EXPECT_EQ(::stat((exe_folder + "/" + program_invocation_short_name).c_str(), &st), 0)
      << "the test program is not in " << exe_folder;
  // Without HOME the password database gives the home (data_folder_trust_test).
  EXPECT_EQ(DataFolderIn(std::nullopt), exe_folder);
  EXPECT_EQ(FolderMode(exe_folder + "/Zorvane"), -1);
}

TEST(DataFolderTest, MakeFolderPathCreatesEveryMissingLevel) {
  TempDir temp;
  ASSERT_FALSE(temp.path().empty());
  EXPECT_TRUE(MakeFolderPath(temp.path() + "/a/b/c"));
  EXPECT_EQ(FolderMode(temp.path() + "/a"), 0700);
  EXPECT_EQ(FolderMode(temp.path() + "/a/b/c"), 0700);
  EXPECT_TRUE(MakeFolderPath(temp.path() + "/a/b/c"));
  const std::string file = temp.path() + "/a/file";
  FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_FALSE(MakeFolderPath(file + "/below"));
  EXPECT_FALSE(MakeFolderPath(file));
}

}  // namespace
}  // namespace zr
