// Saves into folders the user may not write: each must report failure and
// leave the files as they were. Root ignores permission bits, so as root the
// test runs as "nobody".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "platform/registry_store.h"
#include "tests/faults/child_process.h"
#include "tests/faults/data_variants.h"
#include "tests/faults/temp_folder.h"

namespace zr::faults {
namespace {

constexpr int kSize = 20;

struct LockedCase {
  const char* name;
  DataFile file;
  bool file_exists;       // false: the save would create the file
  bool hive_folder_gone;  // registry only: the hive's folder is missing, its parent locked
};

const LockedCase kCases[] = {
    {"Password.dat", DataFile::kLogins, true, false},
    {"FormHome.dat", DataFile::kHomeProfile, true, false},
    {"FormWork.dat", DataFile::kWorkProfile, true, false},
    {"customize.dat through the Work profile", DataFile::kCustomFields, true, false},
    {"Rejected.dat", DataFile::kRejected, true, false},
    {"Rejected.dat not yet there", DataFile::kRejected, false, false},
    {"History.txt", DataFile::kHistory, true, false},
    {"registry hive", DataFile::kRegistry, true, false},
    {"registry hive whose folder must be made", DataFile::kRegistry, false, true},
};

void RunCase(const std::string& base, const LockedCase& c) {
  DataPlace place{base + "/data", base + "/config"};
  ASSERT_EQ(::mkdir(place.data_folder.c_str(), 0700), 0) << ErrnoText("mkdir");
  ::setenv("XDG_CONFIG_HOME", place.config_home.c_str(), 1);
  ResetProcessState();
  for (DataFile file : kAllDataFiles) ASSERT_TRUE(Save(file, place, Generate(file, 0, kSize)));
  if (c.hive_folder_gone) {
    std::filesystem::remove_all(FolderOf(c.file, place));
  } else if (!c.file_exists) {
    ASSERT_EQ(::unlink(PathOf(c.file, place).c_str()), 0);
  }
  std::map<DataFile, std::optional<std::string>> before;
  for (DataFile file : kAllDataFiles) before[file] = ReadBytes(PathOf(file, place));

  const std::string locked = c.hive_folder_gone ? place.config_home : FolderOf(c.file, place);
  ASSERT_EQ(::chmod(locked.c_str(), 0500), 0);
  EXPECT_FALSE(Save(c.file, place, Generate(c.file, 1, kSize)))
      << "a save into a read-only folder reported success";
  ASSERT_EQ(::chmod(locked.c_str(), 0700), 0);

  for (DataFile file : kAllDataFiles) {
    EXPECT_TRUE(SameBytes(ReadBytes(PathOf(file, place)), before[file])) << FileName(file);
  }
  if (c.file_exists) {
    EXPECT_TRUE(Load(c.file, place) == Generate(c.file, 0, kSize)) << "old content lost";
  }
  EXPECT_TRUE(TemporaryFiles(place.data_folder).empty());
  EXPECT_TRUE(TemporaryFiles(FolderOf(DataFile::kRegistry, place)).empty());
  // Writable again, the same save goes through: only the folder's mode stopped it.
  EXPECT_TRUE(Save(c.file, place, Generate(c.file, 1, kSize)));
  EXPECT_TRUE(Load(c.file, place) == Generate(c.file, 1, kSize));
  std::filesystem::remove_all(place.data_folder);
  std::filesystem::remove_all(place.config_home);
}

// Runs body in a child process, as "nobody" when running as root, with a
// fresh folder (given to body) that the child may write.
void RunAsNobodyIn(const char* prefix, const std::function<void(const std::string&)>& body) {
  TempFolder folder(prefix);
  const std::string& base = folder.path();
  ASSERT_FALSE(base.empty()) << ErrnoText("mkdtemp");
  uid_t nobody_uid;
  gid_t nobody_gid;
  if (::geteuid() == 0 && NobodyIds(nobody_uid, nobody_gid)) {
    ASSERT_EQ(::chown(base.c_str(), nobody_uid, nobody_gid), 0) << ErrnoText("chown");
  }
  ChildOutcome outcome = RunInChild([&] {
    DropRootToNobody();
    if (::access(base.c_str(), W_OK | X_OK) != 0) {
      SkipChild("the test folder " + base + " cannot be reached: " + ErrnoText("access"));
    }
    body(base);
  });
  if (outcome.result == ChildOutcome::kSkipped) GTEST_SKIP() << outcome.message;
  EXPECT_EQ(outcome.result, ChildOutcome::kPassed) << outcome.message;
}

TEST(NotWritableTest, SavesIntoReadOnlyFoldersFailAndChangeNothing) {
  RunAsNobodyIn("zrlocked", [](const std::string& base) {
    for (const LockedCase& c : kCases) {
      SCOPED_TRACE(c.name);
      RunCase(base, c);
      if (::testing::Test::HasFatalFailure()) return;
    }
  });
}

TEST(NotWritableTest, AHiveThatCannotBeReadIsNeverReplaced) {
  RunAsNobodyIn("zrunreadable", [](const std::string& base) {
    ::setenv("XDG_CONFIG_HOME", base.c_str(), 1);
    RegistryStore hive(Hive::kCurrentUser);
    hive.SetValue("Software\\Other", "Kept", std::string("value of another program"));
    ASSERT_TRUE(hive.Save());
    std::optional<std::string> before = ReadBytes(hive.path());
    ASSERT_EQ(::chmod(hive.path().c_str(), 0), 0);
    if (::access(hive.path().c_str(), R_OK) == 0) SkipChild("permission bits are not enforced");
    // Read as missing, the setting would be written into an empty hive that
    // replaced the other program's value.
    EXPECT_FALSE(WriteAutoLoginRecord(0));
    ASSERT_EQ(::chmod(hive.path().c_str(), 0600), 0);
    EXPECT_TRUE(SameBytes(ReadBytes(hive.path()), before));
  });
}

}  // namespace
}  // namespace zr::faults
