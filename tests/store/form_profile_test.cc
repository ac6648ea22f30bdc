// FormProfile, SharedNameFields and the custom fields of "customize.dat".
#include "store/form_profile.h"

#include <gtest/gtest.h>

#include "store/custom_field_list.h"
#include "store/data_set.h"
#include "store/login_store.h"
#include "store/protected_string.h"
#include "test_folder.h"

namespace zr {
namespace {

using FormProfileTest = StoreTest;

std::string Fill(FormProfile& profile, std::string name) {
  if (!profile.FillFieldValue(name)) return "(none)";
  return name;
}

TEST_F(FormProfileTest, FillsFromTheFirstMatchingListInProfileOrder) {
  FormProfile work;
  const std::pair<ProfileField, const char*> values[] = {
      {ProfileField::kJobTitle, "Engineer"}, {ProfileField::kTitle, "Dr"},
      {ProfileField::kFirstName, "Ann"},     {ProfileField::kLastName, "Lee"},
      {ProfileField::kAddress, "1 Road"},    {ProfileField::kAddress1, "Flat 2"},
      {ProfileField::kCity, "Lyon"},         {ProfileField::kTel, "555"},
  };
  for (auto& [field, value] : values) work.Value(field) = value;
  struct Case {
    const char* name;
    const char* filled;
  };
  const Case cases[] = {
      {"Email", ""},  // the match decides, not the value
      {"jobtitle", "Engineer"},
      {"fullname", "Ann"},
      {"filename", "Ann"},
      {"LASTNAME", "Lee"},
      {"address1", "1 Road"},
      {"billcity", "Lyon"},
      {"hotel", "555"},
      {"username", "(none)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fill(work, c.name), c.filled) << c.name;

  // Custom fields answer only when no profile list matched.
  CustomFields().SetCustomField(0, "Member number", "member", "M-17");
  CustomFields().SetCustomField(5, "Nickname", "nick;username", "annie");
  EXPECT_EQ(Fill(work, "member_id"), "M-17");
  EXPECT_EQ(Fill(work, "username"), "annie");
  EXPECT_EQ(Fill(work, "membercity"), "Lyon");
}

TEST_F(FormProfileTest, SharedFieldsAreWrittenToBothFilesAndHomeDecides) {
  FormProfile home, work;
  home.Value(ProfileField::kFirstName) = "Ann";
  work.Value(ProfileField::kCity) = "Work City";
  EXPECT_EQ(work.Value(ProfileField::kFirstName), "Ann");
  ASSERT_TRUE(work.Save(folder_.File(kWorkProfileFileName)));
  home.Value(ProfileField::kFirstName) = "Anne";
  ASSERT_TRUE(home.Save(folder_.File(kHomeProfileFileName)));

  ResetProcessState();
  DataSet data;
  data.Load(folder_.path());
  EXPECT_EQ(data.work.Value(ProfileField::kCity), "Work City");
  EXPECT_EQ(data.work.Value(ProfileField::kFirstName), "Anne") << "FormHome.dat is loaded last";
  EXPECT_EQ(data.home.Value(ProfileField::kCity), "");
}

TEST_F(FormProfileTest, FileLayoutAndDefaultsAfterReading) {
  // A file written by hand: 31 strings, the email list stored empty.
  ByteWriter bytes;
  WriteProtectedString(bytes, "");
  for (int i = 0; i < kProfileFieldCount; ++i) WriteProtectedString(bytes, "v" + std::to_string(i));
  for (int i = 0; i < kProfileFieldCount; ++i) {
    WriteProtectedString(bytes, i == kProfileFieldCount - 1 ? "" : "l" + std::to_string(i));
  }
  WriteBytes(folder_.File(kHomeProfileFileName), bytes.data());

  FormProfile home;
  ASSERT_TRUE(home.Load(folder_.File(kHomeProfileFileName)));
  EXPECT_EQ(home.Value(ProfileField::kJobTitle), "v0");
  EXPECT_EQ(home.Value(ProfileField::kTitle), "v2");
  EXPECT_EQ(home.List(ProfileField::kFax), "l13");
  EXPECT_EQ(home.List(ProfileField::kEmail), "e.*mail;");
  ASSERT_TRUE(home.Save(folder_.File("copy.dat")));
  ByteWriter expected;
  home.WriteTo(expected);
  EXPECT_EQ(ReadBytes(folder_.File("copy.dat")), expected.data());
  EXPECT_EQ(expected.data().substr(0, bytes.data().size() - 4), bytes.data().substr(0, bytes.data().size() - 4));

  // Cut inside the lists: what was read stays, the rest keep their contents
  // and no default is restored.
  // Every string here takes 16 bytes but the first (4): cut inside the fourth list.
  WriteBytes(folder_.File("cut.dat"), bytes.data().substr(0, 4 + 15 * 16 + 3 * 16 + 2));
  FormProfile cut;
  cut.List(ProfileField::kEmail) = "";
  EXPECT_FALSE(cut.Load(folder_.File("cut.dat")));
  EXPECT_EQ(cut.Value(ProfileField::kEmail), "v14");
  EXPECT_EQ(cut.List(ProfileField::kTitle), "l2");
  EXPECT_EQ(cut.List(ProfileField::kFirstName), "l3") << "the shared list Home set before";
  EXPECT_EQ(cut.List(ProfileField::kEmail), "");
}

TEST_F(FormProfileTest, CustomizeFileIsReadOncePerProcessAndWrittenWithEverySave) {
  // A customize.dat whose count promises more entries than it holds.
  ByteWriter bytes;
  bytes.WriteUint32(5);
  CustomField("Member", "member", "M-1").WriteTo(bytes);
  CustomField("Pet", "pet", "Rex").WriteTo(bytes);
  WriteBytes(folder_.File(kCustomizeFileName), bytes.data());
  FormProfile home;
  EXPECT_FALSE(home.Load(folder_.File(kHomeProfileFileName))) << "missing profile";
  EXPECT_EQ(CustomFields().CustomFieldCount(), 0) << "only a file that opens loads them";

  WriteBytes(folder_.File(kHomeProfileFileName), "");
  EXPECT_FALSE(home.Load(folder_.File(kHomeProfileFileName))) << "empty profile file";
  ASSERT_EQ(CustomFields().CustomFieldCount(), 2);
  EXPECT_EQ(CustomFields().GetCustomField(1)->value(), "Rex");
  EXPECT_EQ(CustomFields().GetCustomField(2), nullptr);

  // Not read a second time.
  LoginStore store;
  EXPECT_FALSE(store.Load(folder_.File(kHomeProfileFileName)));
  EXPECT_EQ(CustomFields().CustomFieldCount(), 2);

  EXPECT_FALSE(CustomFields().SetCustomField(1, "Pet", "pet;animal", "Max"));
  CustomFields().RemoveCustomField(0);
  CustomFields().RemoveCustomField(9);
  ASSERT_TRUE(store.Save(folder_.File(kPasswordFileName)));
  ByteWriter expected;
  expected.WriteUint32(1);
  CustomField("Pet", "pet;animal", "Max").WriteTo(expected);
  EXPECT_EQ(ReadBytes(folder_.File(kCustomizeFileName)), expected.data());
}

TEST_F(FormProfileTest, SaveBeforeAnyLoadKeepsTheExistingCustomFields) {
  ByteWriter bytes;
  bytes.WriteUint32(1);
  CustomField("Old", "old", "1").WriteTo(bytes);
  WriteBytes(folder_.File(kCustomizeFileName), bytes.data());
  FormProfile work;
  ASSERT_TRUE(work.Save(folder_.File(kWorkProfileFileName)));
  EXPECT_EQ(ReadBytes(folder_.File(kCustomizeFileName)), bytes.data());
  ASSERT_TRUE(work.Load(folder_.File(kWorkProfileFileName)));
  EXPECT_EQ(CustomFields().CustomFieldCount(), 1) << "read once, not again";
}

}  // namespace
}  // namespace zr
