// The data folder: XDG_DATA_HOME, else HOME/.local/share, else the password
// database's home, else the executable's folder; new folders are made 0700 and
// an existing ToolBar folder loses every permission of others, never through a link.
#include "platform/data_folder.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/user_folders.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

int FolderMode(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? static_cast<int>(st.st_mode & 07777) : -1;
}

TEST(DataFolderTest, FoundUnderXdgDataHomeOrHomeAndEveryNewFolderIsPrivate) {
  const std::pair<std::optional<std::string>, const char*> rows[] = {
      {"/data", "/data"}, {std::nullopt, "/.local/share"}, {"relative/data", "/.local/share"}};
  for (const auto& [xdg, share] : rows) {
    TempDir temp;
    ScopedEnv data_home("XDG_DATA_HOME", xdg && xdg->starts_with("/") ? temp.path() + *xdg : xdg);
    ScopedEnv home("HOME", temp.path());
    const std::string folder = temp.path() + share + "/Zorvane/ToolBar";
    EXPECT_EQ(FindDataFolder(), folder);
    for (std::string f = folder; f != temp.path(); f = f.substr(0, f.rfind('/'))) EXPECT_EQ(FolderMode(f), 0700) << f;
  }
  EXPECT_EQ(DataFolderIn(std::nullopt), ExecutableFolder());
  EXPECT_EQ(FolderMode(ExecutableFolder() + "/Zorvane"), -1) << "nothing is made beside the executable";
}

TEST(DataFolderTest, AnExistingToolBarFolderLosesEveryPermissionOfOthersButNotThroughALink) {
  for (const auto& [before, after] : {std::pair{0777, 0700}, {0701, 0700}, {0500, 0500}}) {
    TempDir temp;
    const std::string folder = temp.path() + "/Zorvane/ToolBar";
    ASSERT_TRUE(MakeFolderPath(folder));
    ASSERT_EQ(::chmod(folder.c_str(), static_cast<mode_t>(before)), 0);
    ASSERT_EQ(::chmod((temp.path() + "/Zorvane").c_str(), 0755), 0);
    EXPECT_EQ(DataFolderIn(temp.path()), folder);
    EXPECT_EQ(FolderMode(folder), after) << before;
    EXPECT_EQ(FolderMode(temp.path() + "/Zorvane"), 0755) << "only the ToolBar folder";
  }
  TempDir temp;
  ASSERT_TRUE(MakeFolderPath(temp.path() + "/elsewhere") && MakeFolderPath(temp.path() + "/Zorvane"));
  ASSERT_EQ(::chmod((temp.path() + "/elsewhere").c_str(), 0777), 0);
  ASSERT_EQ(::symlink((temp.path() + "/elsewhere").c_str(), (temp.path() + "/Zorvane/ToolBar").c_str()), 0);
  (void)DataFolderIn(temp.path());
  EXPECT_EQ(FolderMode(temp.path() + "/elsewhere"), 0777);
}

TEST(DataFolderTest, WithoutAUsableHomeVariableTheHomeComesFromThePasswordDatabase) {
  const struct passwd* entry = ::getpwuid(::getuid());
  std::optional<std::string> database_home;
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') database_home = entry->pw_dir;
  for (std::optional<std::string> home : {std::optional<std::string>(), std::optional<std::string>("relative")}) {
    ScopedEnv home_env("HOME", home);
    EXPECT_EQ(UserHome(), database_home) << home.value_or("unset");
  }
  ScopedEnv home_env("HOME", "/some/home//");
  EXPECT_EQ(UserHome(), "/some/home");
}

}  // namespace
}  // namespace zr
