// The data folder is the user's own: an existing ToolBar folder is made 0700
// when looser (never through a link), and without HOME the home comes from the
// password database.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "platform/data_folder.h"
#include "platform/user_folders.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

int ModeOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<int>(st.st_mode & 07777);
}

TEST(DataFolderTrustTest, AnExistingToolBarFolderLosesEveryPermissionOfOthers) {
  struct Case {
    int before;
    int after;
  };
  const Case cases[] = {{0777, 0700}, {0750, 0700}, {0701, 0700}, {0700, 0700}, {0500, 0500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    TempDir temp;
    ASSERT_FALSE(temp.path().empty());
    const std::string folder = temp.path() + "/Zorvane/ToolBar";
    ASSERT_TRUE(MakeFolderPath(folder));
    ASSERT_EQ(::chmod(folder.c_str(), static_cast<mode_t>(c.before)), 0);
    EXPECT_EQ(DataFolderIn(temp.path()), folder);
    EXPECT_EQ(ModeOf(folder), c.after);
  }
}

TEST(DataFolderTrustTest, AToolBarLinkIsNotFollowedToChangeItsTarget) {
  TempDir temp;
  ASSERT_FALSE(temp.path().empty());
  const std::string elsewhere = temp.path() + "/elsewhere";
  ASSERT_TRUE(MakeFolderPath(elsewhere));
  ASSERT_EQ(::chmod(elsewhere.c_str(), 0777), 0);
  ASSERT_TRUE(MakeFolderPath(temp.path() + "/Zorvane"));
  ASSERT_EQ(::symlink(elsewhere.c_str(), (temp.path() + "/Zorvane/ToolBar").c_str()), 0);
  (void)DataFolderIn(temp.path());
  EXPECT_EQ(ModeOf(elsewhere), 0777);
}

// The home of the password database, or nullopt when it has none usable.
std::optional<std::string> DatabaseHome() {
  const struct passwd* entry = ::getpwuid(::getuid());
  if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] != '/') return std::nullopt;
  return std::string(entry->pw_dir);
}

TEST(DataFolderTrustTest, WithoutAUsableHomeVariableTheHomeComesFromThePasswordDatabase) {
  const std::optional<std::string> database_home = DatabaseHome();
  for (const char* home : {static_cast<const char*>(nullptr), "", "relative/home"}) {
    ScopedEnv home_env("HOME", home ? std::optional<std::string>(home) : std::nullopt);
    EXPECT_EQ(UserHome(), database_home) << (home ? home : "unset");
  }
  ScopedEnv home_env("HOME", "/some/home//");
  EXPECT_EQ(UserHome(), "/some/home");
}

TEST(DataFolderTrustTest, TheRootKeepsItsSlashAndIsNotDoubled) {
  ScopedEnv data_home("XDG_DATA_HOME", "//");
  EXPECT_EQ(XdgFolder("XDG_DATA_HOME", ".local/share", "/home/x"), "/");
  EXPECT_EQ(JoinPath("/", "Zorvane"), "/Zorvane");
  ScopedEnv relative("XDG_DATA_HOME", "data");
  EXPECT_EQ(XdgFolder("XDG_DATA_HOME", ".local/share", "/"), "/.local/share");
  EXPECT_EQ(XdgFolder("XDG_DATA_HOME", ".local/share", std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace zr
