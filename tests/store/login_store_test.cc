// LoginStore: same login, merging, the file byte for byte, merge on load, cut files.
#include "store/login_store.h"

#include <gtest/gtest.h>

#include <random>

#include "store/protected_string.h"
#include "test_folder.h"

namespace zr {
namespace {

using Fields = std::vector<std::array<std::string, 4>>;  // name, value, type, form
const Fields kAnn = {{"user", "ann", "text", ""}, {"pw", "old", "password", ""}};

std::unique_ptr<LoginRecord> Record(std::string site, Fields fields) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site(std::move(site));
  record->set_description(kAutoRecordedDescription);
  for (auto& [name, value, type, form] : fields) record->AddField(name, value, type, form);
  return record;
}

using LoginStoreTest = StoreTest;

// Site part: the forms tests. Login name: a login-pattern field, else the first text field.
TEST_F(LoginStoreTest, SameLoginRuleAndLoginName) {
  const std::tuple<const char*, const char*, Fields, bool> rows[] = {
      {"new password", "http://www.E.COM/x", {kAnn[0], {"pw", "new", "password", ""}}, true},
      {"user differs in case", "e.com", {{"user", "Ann", "text", ""}, kAnn[1]}, false},
      {"one more field", "e.com", {kAnn[0], kAnn[1], {"x", "", "text", ""}}, false},
      {"other form", "e.com", {{"user", "ann", "text", "f"}, kAnn[1]}, false},
  };
  for (const auto& [name, site, fields, same] : rows)
    EXPECT_EQ(Record("e.com", kAnn)->IsSameLogin(*Record(site, fields)), same) << name;
  EXPECT_EQ(Record("", {{"id", "1", "text", ""}, {"user_id", "2", "text", ""}})->GetLoginName(),
            "2");
  EXPECT_EQ(Record("", {{"pw", "", "password", ""}, {"id", "1", "TEXT", ""}})->GetLoginName(), "1");
  EXPECT_EQ(Record("", {{"pw", "p", "password", ""}})->GetLoginName(), std::nullopt);
}

TEST_F(LoginStoreTest, AddOrMergeKeepsIdAndFlagsNeverReusesIdsAndComparesPasswordsExactly) {
  LoginStore store;
  EXPECT_EQ(store.AddOrMerge(Record("e.com", kAnn)) + store.AddOrMerge(Record("f.org", kAnn)), -2);
  store.GetAt(0)->set_fill_automatically(0);
  store.GetAt(0)->set_require_master_password(1);
  auto update = Record("www.e.com", {kAnn[0], {"pw", "2", "password", ""}});
  update->set_description("changed");
  EXPECT_EQ(store.AddOrMerge(std::move(update)), 0);
  ASSERT_EQ(store.Count(), 2);
  const LoginRecord* merged = store.FindById(0);
  EXPECT_EQ(merged->site() + " " + merged->description() + " " + *merged->GetPassword(),
            "www.e.com changed 2");
  EXPECT_TRUE(!merged->fill_automatically() && merged->require_master_password());
  EXPECT_TRUE(store.Delete(0));
  EXPECT_EQ(store.AddOrMerge(Record("g.net", {})), -1);
  EXPECT_EQ(store.GetAt(0)->id() * 10 + store.GetAt(1)->id(), 12) << "ids are never reused";
  EXPECT_TRUE(store.HasSameSiteLogin(*Record("http://f.org/", {{"p", "old", "password", ""}})));
  EXPECT_FALSE(store.HasSameSiteLogin(*Record("http://f.org/", {{"p", "OLD", "password", ""}})));
  EXPECT_FALSE(store.HasSameSiteLogin(*Record("http://f.org/", {{"q", "old", "text", ""}})))
      << "no password is never the same password";
}

// The indexed merge on load must give exactly what adding one by one gives.
TEST_F(LoginStoreTest, MergeOnLoadMatchesAddingOneByOne) {
  std::mt19937 random(20261206);
  auto pick = [&](std::initializer_list<const char*> list) { return list.begin()[random() % 4]; };
  for (int round = 0; round < 30; ++round) {
    ByteWriter bytes, expected_bytes, loaded_bytes;
    ASSERT_TRUE(WriteProtectedString(bytes, ""));
    LoginStore expected, loaded;
    for (int i = 0; i < 100; ++i) {
      auto record = std::make_unique<LoginRecord>();
      record->set_site(pick({"", "e.com", "www.e.com", "E.COM"}) + std::string(random() % 3, 'm'));
      record->set_description(std::to_string(i));
      for (int f = random() % 4; f > 0; --f)  // duplicate names within a record too
        record->fields().push_back({pick({"", "f", "F", ""}), pick({"u", "U", "p", "x"}),
                                    pick({"0", "1", "2", "0"}),
                                    pick({"text", "password", "PASSWORD", "hidden"}), "d"});
      record->set_fill_automatically(random() % 2);
      record->set_require_master_password(random() % 2);
      ASSERT_TRUE(record->WriteTo(bytes));
      expected.AddOrMerge(std::move(record));
    }
    WriteBytes(folder_.File("random.dat"), bytes.data());
    ASSERT_TRUE(loaded.Load(folder_.File("random.dat")));
    ASSERT_TRUE(expected.WriteTo(expected_bytes) && loaded.WriteTo(loaded_bytes));
    ASSERT_EQ(loaded_bytes.data(), expected_bytes.data()) << "round " << round;
  }
}

// Each record: kind, site, description, field count, fields of five strings, two flags.
TEST_F(LoginStoreTest, FileLayoutIsByteExactAndACutFileKeepsTheRecordsBeforeTheCut) {
  const std::string path = folder_.File(kPasswordFileName);
  LoginStore store;
  ByteWriter bytes, head;
  WriteProtectedString(bytes, "");                   // the master password
  std::vector<size_t> ends = {bytes.data().size()};  // where the head and each record end
  for (uint32_t i = 0; i < 3; ++i) {
    const std::string site = "site" + std::to_string(i), user = "user" + std::to_string(i);
    store.AddOrMerge(Record(site, {{"u", user, "text", "login"}, {"pw", "s", "password", ""}}));
    store.GetAt(i)->set_fill_automatically(i % 2);
    store.GetAt(i)->set_require_master_password(i / 2);
    store.GetAt(i)->FieldAt(1)->description = "Password";
    bytes.WriteUint32(1);
    WriteProtectedString(bytes, site);
    WriteProtectedString(bytes, kAutoRecordedDescription);
    bytes.WriteUint32(2);
    for (const std::string text : {"u", user.c_str(), "text", "login", kUnnamedFieldDescription,
                                   "pw", "s", "password", "", "Password"})
      WriteProtectedString(bytes, text);
    bytes.WriteUint32(i % 2);
    bytes.WriteUint32(i / 2);
    ends.push_back(bytes.data().size());
  }
  ASSERT_TRUE(store.Save(path));
  ASSERT_EQ(ReadBytes(path), bytes.data());
  for (size_t cut = 0; cut <= ends.back(); ++cut) {
    WriteBytes(path, bytes.data().substr(0, cut));
    LoginStore loaded;
    EXPECT_EQ(loaded.Load(path), std::count(ends.begin(), ends.end(), cut) == 1) << "cut " << cut;
    const int complete = std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin() - 1;
    ASSERT_EQ(loaded.Count(), std::max(complete, 0)) << "cut " << cut;
    for (int i = 0; i < complete; ++i)
      EXPECT_EQ(loaded.GetAt(i)->GetLoginName(), "user" + std::to_string(i)) << "cut " << cut;
  }
  store.set_master_password_text("master");
  ASSERT_TRUE(store.Save(path) && WriteProtectedString(head, "master"));
  EXPECT_EQ(ReadBytes(path), head.data() + bytes.data().substr(4));
}

}  // namespace
}  // namespace zr
