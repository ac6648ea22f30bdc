// The data folder: XDG_DATA_HOME, else HOME/.local/share, else the home of the
// password database, else the executable's folder; new folders are made 0700,
// an existing ToolBar folder loses every permission of others (never through
// a link).
#include "platform/data_folder.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/user_folders.h"
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

TEST(DataFolderTest, FoundUnderXdgDataHomeOrHomeAndCreatedPrivate) {
  struct Row {
    std::optional<std::string> xdg;  // below the temporary folder when absolute
    const char* share;               // where the data folders go, below it
  } rows[] = {
      {"/data/home/", "/data/home"}, {std::nullopt, "/.local/share"},
      {"relative/data", "/.local/share"}, {"", "/.local/share"},
  };
  for (const Row& row : rows) {
    TempDir temp;
    ASSERT_FALSE(temp.path().empty());
    const bool absolute = row.xdg && row.xdg->starts_with("/");
    ScopedEnv data_home("XDG_DATA_HOME", absolute ? temp.path() + *row.xdg : row.xdg);
    ScopedEnv home("HOME", temp.path());
    const std::string share = temp.path() + row.share;
    SCOPED_TRACE(share);
    EXPECT_EQ(FindDataFolder(), share + "/Zorvane/ToolBar");
    for (std::string folder = share + "/Zorvane/ToolBar"; folder != temp.path();
         folder = folder.substr(0, folder.rfind('/'))) {
      EXPECT_EQ(FolderMode(folder), 0700) << folder;
    }
    EXPECT_EQ(FindDataFolder(), share + "/Zorvane/ToolBar") << "a second run finds it in place";
  }
  // Without any home: the executable's folder, where nothing is created.
  const std::string exe_folder = ExecutableFolder();
  struct stat st;
  EXPECT_EQ(::stat((exe_folder + "/" + program_invocation_short_name).c_str(), &st), 0);
  EXPECT_EQ(DataFolderIn(std::nullopt), exe_folder);
  EXPECT_EQ(FolderMode(exe_folder + "/Zorvane"), -1);
}

TEST(DataFolderTest, AnExistingToolBarFolderLosesEveryPermissionOfOthers) {
  const std::pair<int, int> rows[] = {{0777, 0700}, {0750, 0700}, {0701, 0700}, {0500, 0500}};
  for (const auto& [before, after] : rows) {
    SCOPED_TRACE(before);
    TempDir temp;
    const std::string folder = temp.path() + "/Zorvane/ToolBar";
    ASSERT_TRUE(MakeFolderPath(folder));
    ASSERT_EQ(::chmod(folder.c_str(), static_cast<mode_t>(before)), 0);
    ASSERT_EQ(::chmod((temp.path() + "/Zorvane").c_str(), 0755), 0);
    EXPECT_EQ(DataFolderIn(temp.path()), folder);
    EXPECT_EQ(FolderMode(folder), after);
    EXPECT_EQ(FolderMode(temp.path() + "/Zorvane"), 0755) << "only the ToolBar folder";
  }
  // A link in its place is not followed to change its target.
  TempDir temp;
  const std::string elsewhere = temp.path() + "/elsewhere";
  ASSERT_TRUE(MakeFolderPath(elsewhere) && MakeFolderPath(temp.path() + "/Zorvane"));
  ASSERT_EQ(::chmod(elsewhere.c_str(), 0777), 0);
  ASSERT_EQ(::symlink(elsewhere.c_str(), (temp.path() + "/Zorvane/ToolBar").c_str()), 0);
  (void)DataFolderIn(temp.path());
  EXPECT_EQ(FolderMode(elsewhere), 0777);
  // MakeFolderPath fails below a file.
  ASSERT_TRUE(testing::WriteFile(temp.path() + "/file", ""));
  EXPECT_FALSE(MakeFolderPath(temp.path() + "/file/below"));
}

TEST(DataFolderTest, WithoutAUsableHomeVariableTheHomeComesFromThePasswordDatabase) {
  const struct passwd* entry = ::getpwuid(::getuid());
  std::optional<std::string> database_home;
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') {
    database_home = entry->pw_dir;
  }
  for (const char* home : {static_cast<const char*>(nullptr), "", "relative/home"}) {
    ScopedEnv home_env("HOME", home ? std::optional<std::string>(home) : std::nullopt);
    EXPECT_EQ(UserHome(), database_home) << (home ? home : "unset");
  }
  ScopedEnv home_env("HOME", "/some/home//");
  EXPECT_EQ(UserHome(), "/some/home");
  ScopedEnv data_home("XDG_DATA_HOME", "//");
  EXPECT_EQ(XdgFolder("XDG_DATA_HOME", ".local/share", "/home/x"), "/") << "the root keeps its slash";
  EXPECT_EQ(JoinPath("/", "Zorvane"), "/Zorvane");
}

}  // namespace
}  // namespace zr
