// Damaged data files and failed saves: no crash, nothing trusted blindly, and
// a save that fails part-way leaves the previous file whole.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <random>

#include "store/data_set.h"
#include "store/history_file.h"
#include "store/protected_string.h"
#include "test_folder.h"

namespace zr {
namespace {

using DamagedFilesTest = StoreTest;

// Fills a data folder with one file of each kind.
void WriteSampleFolder(const std::string& folder) {
  DataSet data;
  data.logins.set_master_password_text("m");
  auto record = std::make_unique<LoginRecord>();
  record->set_site("e.com");
  record->AddField("user", "ann", "text");
  record->AddField("pw", "secret", "password");
  data.logins.AddOrMerge(std::move(record));
  data.home.Value(ProfileField::kCity) = "Lyon";
  CustomFields().SetCustomField(0, "Pet", "pet", "Rex");
  ASSERT_TRUE(data.logins.Save(DataFilePath(folder, kPasswordFileName)));
  ASSERT_TRUE(data.home.Save(DataFilePath(folder, kHomeProfileFileName)));
  ASSERT_TRUE(data.work.Save(DataFilePath(folder, kWorkProfileFileName)));
  data.rejected.Reject("bad.example");
  ASSERT_TRUE(data.rejected.Save(DataFilePath(folder, kRejectedFileName)));
}

TEST_F(DamagedFilesTest, RandomDamageNeverCrashes) {
  WriteSampleFolder(folder_.path());
  const char* files[] = {kPasswordFileName, kHomeProfileFileName, kWorkProfileFileName,
                         kRejectedFileName, kCustomizeFileName};
  std::mt19937 random(7);
  for (const char* name : files) {
    std::string path = folder_.File(name);
    std::string original = ReadBytes(path);
    for (int round = 0; round < 300; ++round) {
      std::string damaged = original;
      int changes = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < changes; ++i) {
        size_t at = random() % damaged.size();
        // Lengths and counts are the interesting bytes: make some of them huge.
        damaged[at] = (random() % 3 == 0) ? '\xFF' : static_cast<char>(random());
      }
      if (random() % 4 == 0) damaged.resize(random() % damaged.size());
      WriteBytes(path, damaged);
      ResetProcessState();
      DataSet data;
      data.Load(folder_.path());
      // Whatever was read, it came from the bytes there: a record takes at
      // least 24 bytes, a custom field 16, a rejected site 4.
      auto size_of = [&](const char* file) { return ReadBytes(folder_.File(file)).size(); };
      EXPECT_LE(data.logins.Count() * 24u, size_of(kPasswordFileName)) << name;
      EXPECT_LE(CustomFields().CustomFieldCount() * 16u, size_of(kCustomizeFileName)) << name;
      EXPECT_LE(data.rejected.sites().size() * 4u, size_of(kRejectedFileName)) << name;
    }
    WriteBytes(path, original);
  }
}

TEST_F(DamagedFilesTest, HugeCountsReadOnlyWhatIsThere) {
  ByteWriter custom;
  custom.WriteUint32(0x7FFFFFFF);
  CustomField("Only", "only", "1").WriteTo(custom);
  WriteBytes(folder_.File(kCustomizeFileName), custom.data());
  EXPECT_FALSE(CustomFields().LoadCustomFields(folder_.path()));
  EXPECT_EQ(CustomFields().CustomFieldCount(), 1);

  ByteWriter logins;
  WriteProtectedString(logins, "");
  logins.WriteUint32(1);
  WriteProtectedString(logins, "e.com");
  WriteProtectedString(logins, "d");
  logins.WriteUint32(0x7FFFFFFF);  // field count
  WriteProtectedString(logins, "user");
  WriteBytes(folder_.File(kPasswordFileName), logins.data());
  LoginStore store;
  EXPECT_FALSE(store.Load(folder_.File(kPasswordFileName)));
  EXPECT_EQ(store.Count(), 0);
}

// Runs save() with the largest file this process may write limited to
// max_bytes, so that writing the new file fails part-way.
template <typename Save>
bool SaveWithFileSizeLimit(rlim_t max_bytes, Save save) {
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = max_bytes;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  bool ok = save();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  return ok;
}

TEST_F(DamagedFilesTest, FailedSaveLeavesThePreviousFileWhole) {
  WriteSampleFolder(folder_.path());
  std::string path = folder_.File(kPasswordFileName);
  std::string before = ReadBytes(path);

  LoginStore store;
  ASSERT_TRUE(store.Load(path));
  for (int i = 0; i < 50; ++i) {
    auto record = std::make_unique<LoginRecord>();
    record->set_site("site" + std::to_string(i));
    record->AddField("user", std::string(200, 'u') + std::to_string(i), "text");
    store.AddOrMerge(std::move(record));
  }
  EXPECT_FALSE(SaveWithFileSizeLimit(before.size() + 100, [&] { return store.Save(); }));
  EXPECT_EQ(ReadBytes(path), before);
  std::vector<HistoryEntry> history(100, {1, std::string(100, 'h')});
  EXPECT_FALSE(SaveWithFileSizeLimit(
      1000, [&] { return WriteHistoryFile(folder_.File(kHistoryFileName), history); }));
  EXPECT_FALSE(std::filesystem::exists(folder_.File(kHistoryFileName)));

  // No temporary file is left behind, and a later save succeeds with mode 0600.
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 5);
  ASSERT_TRUE(store.Save());
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  LoginStore reloaded;
  ASSERT_TRUE(reloaded.Load(path));
  EXPECT_EQ(reloaded.Count(), 51);
}

}  // namespace
}  // namespace zr
