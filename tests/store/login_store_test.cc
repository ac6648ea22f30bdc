// LoginRecord and LoginStore: lookups, the same-login rule, merging, the
// file layout byte for byte, and merging on load.
#include "store/login_store.h"

#include <gtest/gtest.h>

#include <random>

#include "store/protected_string.h"
#include "test_folder.h"

namespace zr {
namespace {

using Fields = std::vector<std::array<std::string, 4>>;  // name, value, type, form

std::unique_ptr<LoginRecord> Record(std::string site, Fields fields) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site(std::move(site));
  record->set_description(kAutoRecordedDescription);
  for (auto& [name, value, type, form] : fields) record->AddField(name, value, type, form);
  return record;
}

const Fields kAnn = {{"user", "ann", "text", ""}, {"pw", "old", "password", ""}};

using LoginStoreTest = StoreTest;

TEST_F(LoginStoreTest, FieldLookupsFollowFormNamesWithoutCase) {
  auto record = Record("e.c", {{"User", "ann", "text", ""}, {"pw", "s1", "password", ""},
                              {"pin", "42", "password", "Bank"}});
  EXPECT_EQ(record->FindField(std::nullopt, "user")->value, "ann");
  EXPECT_EQ(record->FindField(std::nullopt, "pin"), nullptr) << "a field with a form name";
  EXPECT_EQ(record->GetPassword(), "s1");
  EXPECT_EQ(record->GetPassword("BANK"), "42");
  EXPECT_EQ(record->GetPassword("Other"), std::nullopt);
  record->AddField("USER", "bob", "email");  // replaces value and type
  EXPECT_EQ(record->FieldCount(), 3);
  EXPECT_EQ(record->FieldAt(0)->value + record->FieldAt(0)->type, "bobemail");
  std::string field = "Pin";
  EXPECT_TRUE(record->FillValue(field, "Bank"));
  EXPECT_EQ(field, "42");

  // The login name: a field matching the login patterns, else the first text field.
  EXPECT_EQ(Record("", {{"id", "1", "text", ""}, {"user_id", "2", "text", ""}})->GetLoginName(), "2");
  EXPECT_EQ(Record("", {{"pw", "p", "password", ""}, {"id", "1", "TEXT", ""}})->GetLoginName(), "1");
  EXPECT_EQ(Record("", {{"pw", "p", "password", ""}})->GetLoginName(), std::nullopt);
}

// The site part of the rule is checked with the other site rules in the forms tests.
TEST_F(LoginStoreTest, SameLoginRule) {
  auto stored = Record("e.com", kAnn);
  struct Row {
    const char* name;
    std::unique_ptr<LoginRecord> candidate;
    bool same;
  } rows[] = {
      {"new password", Record("http://www.E.COM/x", {kAnn[0], {"pw", "new", "password", ""}}), true},
      {"other user", Record("e.com", {{"user", "bob", "text", ""}, kAnn[1]}), false},
      {"user differs in case", Record("e.com", {{"user", "Ann", "text", ""}, kAnn[1]}), false},
      {"one more field", Record("e.com", {kAnn[0], kAnn[1], {"x", "", "text", ""}}), false},
      {"other form", Record("e.com", {{"user", "ann", "text", "f"}, kAnn[1]}), false},
  };
  for (const Row& row : rows) EXPECT_EQ(stored->IsSameLogin(*row.candidate), row.same) << row.name;
}

TEST_F(LoginStoreTest, AddOrMergeKeepsIdAndFlagsAndNeverReusesIds) {
  LoginStore store;
  EXPECT_EQ(store.AddOrMerge(Record("e.com", kAnn)), -1);
  EXPECT_EQ(store.AddOrMerge(Record("f.org", kAnn)), -1);
  store.GetAt(0)->set_fill_automatically(0);
  store.GetAt(0)->set_require_master_password(1);
  auto update = Record("www.e.com", {kAnn[0], {"pw", "2", "password", ""}});
  update->set_description("changed");
  EXPECT_EQ(store.AddOrMerge(std::move(update)), 0);
  ASSERT_EQ(store.Count(), 2);
  LoginRecord* merged = store.FindById(0);
  EXPECT_EQ(merged->site() + " " + merged->description(), "www.e.com changed");
  EXPECT_EQ(merged->GetPassword(), "2");
  EXPECT_FALSE(merged->fill_automatically());
  EXPECT_TRUE(merged->require_master_password());
  EXPECT_TRUE(store.Delete(0));
  EXPECT_EQ(store.GetAt(0)->id(), 1);
  EXPECT_EQ(store.AddOrMerge(Record("g.net", {})), -1);
  EXPECT_EQ(store.GetAt(1)->id(), 2) << "ids are never reused";

  // Address queries: the site is found in the address without case.
  EXPECT_TRUE(store.HasLoginForUrl("https://F.ORG/login"));
  EXPECT_FALSE(store.HasLoginForUrl("https://e.com/"));
  EXPECT_TRUE(store.HasSameSiteLogin(*Record("http://f.org/", {{"p", "old", "password", ""}})));
  EXPECT_FALSE(store.HasSameSiteLogin(*Record("http://f.org/", {{"p", "OLD", "password", ""}})));
  EXPECT_FALSE(store.HasSameSiteLogin(*Record("http://f.org/", {{"q", "old", "text", ""}})))
      << "no password is never the same password";
  store.AddOrMerge(Record("", {{"x", "1", "text", ""}}));
  EXPECT_FALSE(store.HasLoginForUrl("https://x.org/")) << "an empty site matches nothing";
}

TEST_F(LoginStoreTest, FileLayoutIsByteExact) {
  LoginStore store;
  store.set_master_password_text("master");
  store.AddOrMerge(Record("e.com", {{"user", "ann", "text", "login"}, {"pw", "s", "password", ""}}));
  store.GetAt(0)->set_fill_automatically(0);
  store.GetAt(0)->FieldAt(1)->description = "Password";
  std::string path = folder_.File(kPasswordFileName);
  ASSERT_TRUE(store.Save(path));

  // Read back independently: head, count, site, description, fields, flags.
  ByteWriter expected;
  for (const char* text : {"master"}) WriteProtectedString(expected, text);
  expected.WriteUint32(1);
  for (const char* text : {"e.com", kAutoRecordedDescription}) WriteProtectedString(expected, text);
  expected.WriteUint32(2);
  for (const char* text : {"user", "ann", "text", "login", kUnnamedFieldDescription, "pw", "s",
                           "password", "", "Password"}) {
    WriteProtectedString(expected, text);
  }
  expected.WriteUint32(0);
  expected.WriteUint32(0);
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes, expected.data());

  LoginStore loaded;
  ASSERT_TRUE(loaded.Load(path));
  ASSERT_TRUE(loaded.Save(folder_.File("copy.dat")));
  EXPECT_EQ(ReadBytes(folder_.File("copy.dat")), bytes);
  EXPECT_EQ(loaded.master_password(), "master");
}

// The indexed merge on load must give exactly what adding one by one gives.
TEST_F(LoginStoreTest, MergeOnLoadMatchesAddingOneByOne) {
  std::mt19937 random(20261206);
  auto pick = [&](int n) { return static_cast<int>(random() % n); };
  const char* sites[] = {"", "e.com", "www.e.com", "E.COM", "f.org", "m"};
  const char* names[] = {"u", "U", "p", "x"};
  const char* types[] = {"text", "password", "PASSWORD", "hidden"};
  const char* forms[] = {"", "f", "F"};
  for (int round = 0; round < 30; ++round) {
    ByteWriter bytes;
    ASSERT_TRUE(WriteProtectedString(bytes, ""));
    LoginStore expected;
    for (int i = 0; i < 100; ++i) {
      auto record = std::make_unique<LoginRecord>();
      record->set_site(sites[pick(6)]);
      record->set_description(std::to_string(i));
      for (int f = pick(4); f > 0; --f) {  // duplicate names within a record too
        record->fields().push_back({forms[pick(3)], names[pick(4)], std::to_string(pick(3)),
                                    types[pick(4)], "d"});
      }
      record->set_fill_automatically(pick(2));
      record->set_require_master_password(pick(2));
      ASSERT_TRUE(record->WriteTo(bytes));
      expected.AddOrMerge(std::move(record));
    }
    WriteBytes(folder_.File("random.dat"), bytes.data());
    LoginStore loaded;
    ASSERT_TRUE(loaded.Load(folder_.File("random.dat")));
    ByteWriter expected_bytes, loaded_bytes;
    ASSERT_TRUE(expected.WriteTo(expected_bytes));
    ASSERT_TRUE(loaded.WriteTo(loaded_bytes));
    ASSERT_EQ(loaded_bytes.data(), expected_bytes.data()) << "round " << round;
  }
}

}  // namespace
}  // namespace zr
