// The small file formats: ProtectedString, "History.txt", the profiles and
// "customize.dat", and the site rules of SiteKey and RejectedSites.
#include "store/protected_string.h"

#include <gtest/gtest.h>

#include "store/data_set.h"
#include "store/file_cipher.h"
#include "store/find_no_case.h"
#include "store/history_file.h"
#include "store/site_key.h"
#include "test_folder.h"

namespace zr {
namespace {

std::string Stored(std::string_view s) {
  ByteWriter writer;
  EXPECT_TRUE(WriteProtectedString(writer, s));
  return writer.data();
}

std::string Uint32Bytes(uint32_t value) {
  ByteWriter writer;
  writer.WriteUint32(value);
  return writer.data();
}

TEST(ProtectedStringTest, LayoutIsLengthThenStoredText) {
  EXPECT_EQ(Stored(""), std::string(4, '\0'));
  EXPECT_EQ(Stored("a"), Uint32Bytes(12) + FileCipher().Encrypt("a"));
  EXPECT_EQ(Stored(std::string("ab\0cd", 5)), Stored("ab"));
  // Beyond the 1024-byte buffer the text is cut at a character boundary.
  const std::string bytes = Stored(std::string(1023, 'a') + "\xC3\xA9tail") + Stored("p\xC3\xA4ss");
  ByteReader reader(bytes);
  std::string read;
  ASSERT_TRUE(ReadProtectedString(reader, read));
  EXPECT_EQ(read, std::string(1023, 'a'));
  ASSERT_TRUE(ReadProtectedString(reader, read));
  EXPECT_EQ(read, "p\xC3\xA4ss");
  read = "unchanged";
  EXPECT_FALSE(ReadProtectedString(reader, read));
  EXPECT_EQ(read, "unchanged");
}

TEST(ProtectedStringTest, DamagedTextsReadAsEmptyOrFail) {
  const std::string good = Stored("secret");
  struct Row {
    const char* name;
    std::string bytes;
    bool result;
    std::string text;
  } rows[] = {
      {"half a length", std::string("\x0c\x00", 2), false, "unchanged"},
      {"length without text", Uint32Bytes(12), false, "unchanged"},
      {"text cut short", good.substr(0, 10), true, ""},
      {"line break in text", Uint32Bytes(13) + good.substr(4, 6) + "\n" + good.substr(10), true, ""},
      {"not Base64", Uint32Bytes(4) + "!!!!", true, ""},
      {"decodes beyond 1024 bytes", Uint32Bytes(1368) + std::string(1368, 'A'), true, ""},
      {"oversized length is passed over", Uint32Bytes(2000) + std::string(2000, 'A'), true, ""},
      {"huge length allocates nothing", Uint32Bytes(0xFFFFFFF0u) + "AAAA", true, ""},
  };
  for (const Row& row : rows) {
    ByteReader reader(row.bytes);
    std::string read = "unchanged";
    EXPECT_EQ(ReadProtectedString(reader, read), row.result) << row.name;
    EXPECT_EQ(read, row.text) << row.name;
  }
  const std::string oversized = Uint32Bytes(2000) + std::string(2000, 'A') + Stored("next");
  ByteReader reader(oversized);
  std::string read;
  ASSERT_TRUE(ReadProtectedString(reader, read));
  ASSERT_TRUE(ReadProtectedString(reader, read));
  EXPECT_EQ(read, "next") << "reading goes on after an oversized text";
}

TEST(HistoryFileTest, LinesSplitAtTheirFirstDashAndWriteTheLastThousandWithCrLf) {
  const HistoryEntry expected[] = {
      {3, "plain"}, {12, "a-b-c"}, {0, "7x-neg"}, {0, ""}, {INT32_MAX, "big"}, {5, "lone\rcr"},
      {1, std::string(1020, 'a')}, {7, "tail"},  // 1023 bytes make one piece
      {1, "last without line end"},
  };
  EXPECT_EQ(ParseHistory("03-plain\r\nno dash here\n12-a-b-c\r\n  -7x-neg\n-\n2147483648000-big\n"
                         "05-lone\rcr\r\n01-" + std::string(1020, 'a') + "7-tail\n"
                         "01-last without line end"),
            std::vector<HistoryEntry>(std::begin(expected), std::end(expected)));
  std::vector<HistoryEntry> entries;
  for (int i = 0; i < 1001; ++i) entries.push_back({i, "e" + std::to_string(i)});
  const std::string text = FormatHistory(entries);
  EXPECT_TRUE(text.starts_with("01-e1\r\n02-e2\r\n"));
  EXPECT_TRUE(text.ends_with("1000-e1000\r\n"));
  EXPECT_EQ(ParseHistory(text).size(), 1000u);
  EXPECT_EQ(FormatHistory({{-5, "x"}}), "-5-x\r\n");

  TempFolder folder;
  const std::string path = folder.File(kHistoryFileName);
  ASSERT_TRUE(WriteHistoryFile(path, {{0, "a"}, {42, "b"}}));
  EXPECT_EQ(ReadBytes(path), "00-a\r\n42-b\r\n");
  std::vector<HistoryEntry> loaded;
  ASSERT_TRUE(ReadHistoryFile(path, loaded));
  EXPECT_EQ(loaded, (std::vector<HistoryEntry>{{0, "a"}, {42, "b"}}));
  EXPECT_FALSE(ReadHistoryFile(folder.File("missing.txt"), loaded));
}

using FormProfileTest = StoreTest;

// Which list matches a name is the pattern lists' rule; here only what the
// profile adds: the match decides, lists come before custom fields.
TEST_F(FormProfileTest, FillsFromTheFirstMatchingListThenCustomFields) {
  FormProfile work;
  work.Value(ProfileField::kCity) = "Lyon";
  CustomFields().SetCustomField(0, "Nickname", "nick;username", "annie");
  const std::pair<const char*, const char*> rows[] = {
      {"Email", ""},  // the match decides, not the value
      {"username", "annie"}, {"nickcity", "Lyon"}, {"password", "(none)"},
  };
  for (const auto& [name, filled] : rows) {
    std::string field = name;
    EXPECT_EQ(work.FillFieldValue(field) ? field : "(none)", filled) << name;
  }
}

TEST_F(FormProfileTest, FileLayoutSharedFieldsAndCustomize) {
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
  EXPECT_EQ(home.Value(ProfileField::kTitle), "v2");
  EXPECT_EQ(home.List(ProfileField::kFax), "l13");
  EXPECT_EQ(home.List(ProfileField::kEmail), "e.*mail;") << "an empty list reads as its default";
  ASSERT_TRUE(home.Save(folder_.File("copy.dat")));
  const std::string copy = ReadBytes(folder_.File("copy.dat"));
  const size_t head = bytes.data().size() - 4;
  EXPECT_EQ(copy.substr(0, head), bytes.data().substr(0, head));
  EXPECT_EQ(copy.substr(head), Stored("e.*mail;"));

  // Shared fields are written to both files; FormHome.dat, loaded last, decides.
  FormProfile work;
  EXPECT_EQ(work.Value(ProfileField::kFirstName), "v3");
  work.Value(ProfileField::kCity) = "Work City";
  ASSERT_TRUE(work.Save(folder_.File(kWorkProfileFileName)));
  home.Value(ProfileField::kFirstName) = "Anne";
  ASSERT_TRUE(home.Save(folder_.File(kHomeProfileFileName)));

  // customize.dat is read once per process, and written with every save.
  ByteWriter custom;
  custom.WriteUint32(5);  // promises more entries than it holds
  CustomField("Member", "member", "M-1").WriteTo(custom);
  CustomField("Pet", "pet", "Rex").WriteTo(custom);
  WriteBytes(folder_.File(kCustomizeFileName), custom.data());
  ResetProcessState();
  DataSet data;
  data.Load(folder_.path());
  EXPECT_EQ(data.work.Value(ProfileField::kCity), "Work City");
  EXPECT_EQ(data.work.Value(ProfileField::kFirstName), "Anne");
  ASSERT_EQ(CustomFields().CustomFieldCount(), 2);
  EXPECT_EQ(CustomFields().GetCustomField(1)->value(), "Rex");
  WriteBytes(folder_.File(kCustomizeFileName), "");
  EXPECT_TRUE(data.home.Load(folder_.File(kHomeProfileFileName)));
  EXPECT_EQ(CustomFields().CustomFieldCount(), 2) << "not read a second time";
  EXPECT_FALSE(CustomFields().SetCustomField(1, "Pet", "pet;animal", "Max"));
  CustomFields().RemoveCustomField(0);
  ASSERT_TRUE(data.logins.Save(folder_.File(kPasswordFileName)));
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
  ASSERT_TRUE(FormProfile().Save(folder_.File(kWorkProfileFileName)));
  EXPECT_EQ(ReadBytes(folder_.File(kCustomizeFileName)), bytes.data());
}

TEST(SiteKeyTest, ReducesHostsOfWebAddresses) {
  const std::tuple<const char*, bool, const char*> rows[] = {
      {"http://w.m.e.c/login", true, "m.e.c"},   {"ftp://h/", false, "ftp://h/"},
      {"http://w.e.c:8080/", true, "w.e.c:8080"}, {"HTTP://W.E.C/", false, "HTTP://W.E.C/"},
      {"http://", true, ""},
      {"https://user@mail.example.co.uk:443/inbox", true, "example.co.uk:443"},
      {"http://1.2.3.4.5.6/", true, "1.2.3.4.5.6"},
  };
  for (const auto& [address, result, key] : rows) {
    std::string text = address;
    EXPECT_EQ(SiteKey(text), result) << address;
    EXPECT_EQ(text, key) << address;
  }
  EXPECT_FALSE(FindNoCase("\xC3\xA9", "\xC3\x89")) << "non-ASCII bytes compare exactly";
}

using RejectedSitesTest = StoreTest;

TEST_F(RejectedSitesTest, RejectsOncePerSiteAndRoundTrips) {
  RejectedSites sites;
  EXPECT_FALSE(sites.Save()) << "no path yet";
  sites.Reject("Example.com");
  sites.Reject("mail.example.com");  // already covered
  sites.Reject("other.org");
  EXPECT_EQ(sites.sites(), (std::vector<std::string>{"Example.com", "other.org"}));
  EXPECT_TRUE(sites.IsRejected("https://www.EXAMPLE.com/login"));
  EXPECT_FALSE(sites.IsRejected("https://example.net/"));
  ASSERT_TRUE(sites.Save(folder_.File(kRejectedFileName)));
  RejectedSites loaded;
  ASSERT_TRUE(loaded.Load(folder_.File(kRejectedFileName)));
  EXPECT_EQ(loaded.sites(), sites.sites());
  loaded.Reject("");
  EXPECT_FALSE(loaded.IsRejected("https://any.site/")) << "an empty entry rejects nothing";
}

}  // namespace
}  // namespace zr
