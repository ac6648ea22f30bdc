// LoginRecord and LoginStore: lookups, the same-login rule, merging, the file.
#include "store/login_store.h"

#include <gtest/gtest.h>

#include <random>

#include "store/protected_string.h"
#include "test_folder.h"

namespace zr {
namespace {

std::unique_ptr<LoginRecord> Record(std::string site,
                                    std::vector<std::array<std::string, 4>> fields) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site(std::move(site));
  record->set_description(kAutoRecordedDescription);
  for (auto& [name, value, type, form] : fields) record->AddField(name, value, type, form);
  return record;
}

using LoginStoreTest = StoreTest;

TEST_F(LoginStoreTest, FieldLookupsFollowFormNames) {
  auto record = Record("e.c", {{"User", "ann", "text", ""}, {"pw", "s1", "password", ""},
                              {"pin", "42", "password", "Bank"}});
  EXPECT_EQ(record->FindField(std::nullopt, "user")->value, "ann");
  EXPECT_EQ(record->FindField(std::nullopt, "pin"), nullptr) << "a field with a form name";
  EXPECT_EQ(record->FindField("bank", "PIN")->value, "42");
  EXPECT_EQ(record->GetPassword(), "s1");
  EXPECT_EQ(record->GetPassword("BANK"), "42");
  EXPECT_EQ(record->GetPassword("Other"), std::nullopt);
  EXPECT_EQ(record->GetPassword(""), "s1");

  // AddField replaces the value and type of an existing field.
  record->AddField("USER", "bob", "email");
  EXPECT_EQ(record->FieldCount(), 3);
  EXPECT_EQ(record->FieldAt(0)->value, "bob");
  EXPECT_EQ(record->FieldAt(0)->type, "email");
  EXPECT_EQ(record->FieldAt(0)->description, kUnnamedFieldDescription);

  std::string field = "Pin";
  EXPECT_TRUE(record->FillValue(field, "Bank"));
  EXPECT_EQ(field, "42");
  field = "pin";
  EXPECT_FALSE(record->FillValue(field, std::nullopt));
  EXPECT_EQ(field, "pin");
}

TEST_F(LoginStoreTest, LoginNameByPatternThenFirstTextField) {
  EXPECT_EQ(Record("", {{"id", "1", "text", ""}, {"user_id", "2", "text", ""},
                        {"pw", "p", "password", ""}})
                ->GetLoginName(),
            "2");
  EXPECT_EQ(Record("", {{"pw", "p", "password", ""}, {"id", "1", "TEXT", ""}})->GetLoginName(),
            "1");
  EXPECT_EQ(Record("", {{"pw", "p", "password", ""}})->GetLoginName(), std::nullopt);
  EXPECT_EQ(Record("", {{"LoginName", "x", "hidden", "f"}})->GetLoginName("g"), std::nullopt);
}

TEST_F(LoginStoreTest, SameLoginRule) {
  auto stored = Record("e.com", {{"user", "ann", "text", ""}, {"pw", "old", "password", ""}});
  struct Case {
    const char* name;
    std::unique_ptr<LoginRecord> candidate;
    bool same;
  };
  Case cases[] = {
      {"new password", Record("http://www.E.COM/x", {{"user", "ann", "text", ""},
                                                      {"pw", "new", "password", ""}}), true},
      {"other user", Record("e.com", {{"user", "bob", "text", ""}, {"pw", "old", "password", ""}}),
       false},
      {"user differs in case", Record("e.com", {{"user", "Ann", "text", ""},
                                               {"pw", "old", "password", ""}}), false},
      {"stored site not in candidate's", Record("f.org", {{"user", "ann", "text", ""},
                                                         {"pw", "old", "password", ""}}), false},
      {"one more field", Record("e.com", {{"user", "ann", "text", ""}, {"pw", "old", "password", ""},
                                          {"x", "", "text", ""}}), false},
      {"other form", Record("e.com", {{"user", "ann", "text", "f"}, {"pw", "old", "password", ""}}),
       false},
  };
  for (const Case& c : cases) EXPECT_EQ(stored->IsSameLogin(*c.candidate), c.same) << c.name;
  EXPECT_FALSE(Record("", {})->IsSameLogin(*Record("any.site", {}))) << "an empty site matches nothing";
}

TEST_F(LoginStoreTest, AddOrMergeKeepsIdAndFlags) {
  LoginStore store;
  EXPECT_EQ(store.AddOrMerge(Record("e.com", {{"u", "ann", "text", ""}, {"p", "1", "password", ""}})),
            -1);
  EXPECT_EQ(store.AddOrMerge(Record("f.org", {{"u", "ann", "text", ""}, {"p", "1", "password", ""}})),
            -1);
  store.GetAt(0)->set_fill_automatically(0);
  store.GetAt(0)->set_require_master_password(1);

  auto update = Record("www.e.com", {{"u", "ann", "text", ""}, {"p", "2", "password", ""}});
  update->set_description("changed");
  EXPECT_EQ(store.AddOrMerge(std::move(update)), 0);
  ASSERT_EQ(store.Count(), 2);
  LoginRecord* merged = store.FindById(0);
  EXPECT_EQ(merged->site(), "www.e.com");
  EXPECT_EQ(merged->description(), "changed");
  EXPECT_EQ(merged->GetPassword(), "2");
  EXPECT_FALSE(merged->fill_automatically());
  EXPECT_TRUE(merged->require_master_password());

  EXPECT_EQ(store.GetAt(store.Count()), nullptr);
  EXPECT_TRUE(store.Delete(0));
  EXPECT_TRUE(store.Delete(77));
  EXPECT_EQ(store.Count(), 1);
  EXPECT_EQ(store.GetAt(0)->id(), 1);
  EXPECT_EQ(store.AddOrMerge(Record("g.net", {})), -1);
  EXPECT_EQ(store.GetAt(1)->id(), 2) << "ids are never reused";
}

TEST_F(LoginStoreTest, AddressQueries) {
  LoginStore store;
  store.AddOrMerge(Record("Mail.E.com", {{"u", "ann", "text", ""}, {"p", "s", "password", ""}}));
  EXPECT_TRUE(store.HasLoginForUrl("https://MAIL.e.com/login"));
  EXPECT_FALSE(store.HasLoginForUrl("https://e.com/"));

  EXPECT_TRUE(store.HasSameSiteLogin(*Record("http://mail.e.com/", {{"p", "s", "password", ""}})));
  EXPECT_FALSE(store.HasSameSiteLogin(*Record("http://mail.e.com/", {{"p", "S", "password", ""}})));
  EXPECT_FALSE(store.HasSameSiteLogin(
      *Record("http://mail.e.com/", {{"u", "ann", "text", ""}, {"p", "s", "password", ""}})));
  EXPECT_FALSE(store.HasSameSiteLogin(*Record("http://mail.e.com/", {{"q", "s", "text", ""}})))
      << "no password is never the same password";

  store.AddOrMerge(Record("", {{"x", "1", "text", ""}}));
  EXPECT_FALSE(store.HasLoginForUrl("https://x.org/")) << "an empty site matches nothing";
}

TEST_F(LoginStoreTest, FileRoundTripIsByteExact) {
  LoginStore store;
  store.set_master_password_text("master");
  store.AddOrMerge(Record("e.com", {{"user", "ann", "text", "login"}, {"pw", "s", "password", ""}}));
  store.GetAt(0)->set_fill_automatically(0);
  store.GetAt(0)->FieldAt(1)->description = "Password";
  std::string path = folder_.File(kPasswordFileName);
  ASSERT_TRUE(store.Save(path));

  // The layout read back independently: head, kind, body, flags.
  std::string bytes = ReadBytes(path);
  ByteReader reader(bytes);
  std::string text;
  uint32_t number = 0;
  auto next_string = [&] {
    EXPECT_TRUE(ReadProtectedString(reader, text));
    return text;
  };
  auto next_number = [&] {
    EXPECT_EQ(reader.ReadUint32(number), ReadStatus::kOk);
    return number;
  };
  EXPECT_EQ(next_string(), "master");
  EXPECT_EQ(next_number(), 1u);
  EXPECT_EQ(next_string(), "e.com");
  EXPECT_EQ(next_string(), kAutoRecordedDescription);
  EXPECT_EQ(next_number(), 2u);
  for (const char* expected : {"user", "ann", "text", "login", kUnnamedFieldDescription, "pw", "s",
                               "password", "", "Password"}) {
    EXPECT_EQ(next_string(), expected);
  }
  EXPECT_EQ(next_number(), 0u);
  EXPECT_EQ(next_number(), 0u);
  EXPECT_TRUE(reader.AtEnd());

  LoginStore loaded;
  ASSERT_TRUE(loaded.Load(path));
  ASSERT_TRUE(loaded.Save(folder_.File("copy.dat")));
  EXPECT_EQ(ReadBytes(folder_.File("copy.dat")), bytes);
  EXPECT_EQ(loaded.master_password(), "master");
}

TEST_F(LoginStoreTest, SameLoginsInTheFileAreMergedOnLoad) {
  LoginStore writer;
  writer.AddOrMerge(Record("e.com", {{"u", "ann", "text", ""}, {"p", "1", "password", ""}}));
  writer.AddOrMerge(Record("f.org", {{"u", "ann", "text", ""}}));
  writer.GetAt(0)->set_fill_automatically(0);
  // A second record for the same login, as another writer of the format could leave it.
  ByteWriter bytes;
  ASSERT_TRUE(writer.WriteTo(bytes));
  auto later = Record("www.e.com", {{"u", "ann", "text", ""}, {"p", "2", "password", ""}});
  later->set_require_master_password(1);
  ASSERT_TRUE(later->WriteTo(bytes));
  std::string path = folder_.File(kPasswordFileName);
  WriteBytes(path, bytes.data());

  LoginStore store;
  ASSERT_TRUE(store.Load(path));
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(store.GetAt(0)->site(), "www.e.com");
  EXPECT_EQ(store.GetAt(0)->GetPassword(), "2");
  EXPECT_FALSE(store.GetAt(0)->fill_automatically()) << "the earlier record's flags";
  EXPECT_FALSE(store.GetAt(0)->require_master_password());
}

// The indexed merge on load must give exactly what adding one by one gives.
TEST_F(LoginStoreTest, MergeOnLoadMatchesTheStraightforwardRule) {
  std::mt19937 random(20261206);
  auto pick = [&](int n) { return static_cast<int>(random() % n); };
  const char* sites[] = {"", "e.com", "www.e.com", "E.COM", "f.org", "m"};
  const char* names[] = {"u", "U", "p", "x"};
  const char* types[] = {"text", "password", "PASSWORD", "hidden"};
  const char* forms[] = {"", "f", "F"};
  for (int round = 0; round < 40; ++round) {
    ByteWriter bytes;
    ASSERT_TRUE(WriteProtectedString(bytes, ""));
    std::vector<std::unique_ptr<LoginRecord>> records;
    for (int i = 0; i < 120; ++i) {
      auto record = std::make_unique<LoginRecord>();
      record->set_site(sites[pick(6)]);
      record->set_description(std::to_string(i));
      int fields = pick(4);
      for (int f = 0; f < fields; ++f) {
        // Built directly so that duplicate names within a record occur too.
        record->fields().push_back({forms[pick(3)], names[pick(4)], std::to_string(pick(3)),
                                    types[pick(4)], "d"});
      }
      record->set_fill_automatically(pick(2));
      ASSERT_TRUE(record->WriteTo(bytes));
      records.push_back(std::move(record));
    }
    LoginStore expected;
    for (auto& record : records) expected.AddOrMerge(std::move(record));
    std::string path = folder_.File("random.dat");
    WriteBytes(path, bytes.data());
    LoginStore loaded;
    ASSERT_TRUE(loaded.Load(path));
    ByteWriter expected_bytes, loaded_bytes;
    ASSERT_TRUE(expected.WriteTo(expected_bytes));
    ASSERT_TRUE(loaded.WriteTo(loaded_bytes));
    ASSERT_EQ(loaded.Count(), expected.Count()) << "round " << round;
    ASSERT_EQ(loaded_bytes.data(), expected_bytes.data()) << "round " << round;
  }
}

TEST_F(LoginStoreTest, DamagedFileKeepsTheRecordsBeforeTheDamage) {
  LoginStore writer;
  for (int i = 0; i < 3; ++i) {
    writer.AddOrMerge(Record("site" + std::to_string(i),
                             {{"u", "user" + std::to_string(i), "text", ""}, {"p", "pw", "password", ""}}));
  }
  ByteWriter bytes;
  ASSERT_TRUE(writer.WriteTo(bytes));
  const std::string& whole = bytes.data();
  // Where each record ends, to know how many must survive a cut.
  std::vector<size_t> record_ends;
  {
    ByteWriter partial;
    WriteProtectedString(partial, "");
    for (int i = 0; i < 3; ++i) {
      writer.GetAt(i)->WriteTo(partial);
      record_ends.push_back(partial.data().size());
    }
  }
  std::string path = folder_.File(kPasswordFileName);
  ASSERT_EQ(record_ends.back(), whole.size());
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    WriteBytes(path, whole.substr(0, cut));
    LoginStore store;
    bool ok = store.Load(path);
    int complete = static_cast<int>(
        std::upper_bound(record_ends.begin(), record_ends.end(), cut) - record_ends.begin());
    bool at_boundary =
        cut == 4 || std::find(record_ends.begin(), record_ends.end(), cut) != record_ends.end();
    EXPECT_EQ(ok, at_boundary) << "cut " << cut;
    EXPECT_EQ(store.Count(), complete) << "cut " << cut;
    for (int i = 0; i < complete; ++i) {
      EXPECT_EQ(store.GetAt(i)->GetLoginName(), "user" + std::to_string(i)) << "cut " << cut;
    }
  }
}

}  // namespace
}  // namespace zr
