// Damaged data files and failed saves: no crash, nothing trusted blindly, the
// records before the damage kept, and a save that fails part-way leaves the
// previous file whole.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "store/data_set.h"
#include "store/history_file.h"
#include "store/protected_string.h"
#include "test_folder.h"
#include "tools/sample_data.h"

namespace zr {
namespace {

using DamagedFilesTest = StoreTest;

// Random damage is the fuzz targets' work; a huge count reads only what is there.
TEST_F(DamagedFilesTest, HugeCountReadsOnlyTheEntriesThatAreThere) {
  ByteWriter custom;
  custom.WriteUint32(0x7FFFFFFF);
  CustomField("Only", "only", "1").WriteTo(custom);
  WriteBytes(folder_.File(kCustomizeFileName), custom.data());
  ResetProcessState();
  EXPECT_FALSE(CustomFields().LoadCustomFields(folder_.path()));
  EXPECT_EQ(CustomFields().CustomFieldCount(), 1);
}

TEST_F(DamagedFilesTest, ACutLoginFileKeepsTheRecordsBeforeTheCut) {
  LoginStore writer;
  ByteWriter partial;
  WriteProtectedString(partial, "");
  std::vector<size_t> record_ends;  // where each record ends in the file
  for (int i = 0; i < 3; ++i) {
    auto record = std::make_unique<LoginRecord>();
    record->set_site("site" + std::to_string(i));
    record->AddField("u", "user" + std::to_string(i), "text");
    record->WriteTo(partial);
    record_ends.push_back(partial.data().size());
    writer.AddOrMerge(std::move(record));
  }
  ByteWriter bytes;
  ASSERT_TRUE(writer.WriteTo(bytes));
  const std::string& whole = bytes.data();
  ASSERT_EQ(whole, partial.data());
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    WriteBytes(folder_.File(kPasswordFileName), whole.substr(0, cut));
    LoginStore store;
    const bool ok = store.Load(folder_.File(kPasswordFileName));
    int complete = 0;
    for (size_t end : record_ends) complete += cut >= end;
    const bool at_boundary = cut == 4 || (complete > 0 && cut == record_ends[complete - 1]);
    EXPECT_EQ(ok, at_boundary) << "cut " << cut;
    ASSERT_EQ(store.Count(), complete) << "cut " << cut;
    for (int i = 0; i < complete; ++i) {
      EXPECT_EQ(store.GetAt(i)->GetLoginName(), "user" + std::to_string(i)) << "cut " << cut;
    }
  }
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
  const std::string path = folder_.File(kPasswordFileName);
  LoginStore store;
  ASSERT_TRUE(store.Save(path));
  const std::string before = ReadBytes(path);
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
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
  ASSERT_TRUE(store.Save());
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  LoginStore reloaded;
  ASSERT_TRUE(reloaded.Load(path));
  EXPECT_EQ(reloaded.Count(), 50);
}

}  // namespace
}  // namespace zr
