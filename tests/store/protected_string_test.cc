// The small formats: ProtectedString, History.txt lines, profiles, customize.dat, site rules.
#include "store/protected_string.h"

#include <gtest/gtest.h>

#include "store/data_set.h"
#include "store/file_cipher.h"
#include "store/history_file.h"
#include "store/site_key.h"
#include "test_folder.h"

namespace zr {
namespace {

std::string Stored(std::string_view s) {
  ByteWriter w;
  return WriteProtectedString(w, s) ? w.data() : "<failed>";
}
std::string Length(uint32_t v) {  // little-endian
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// Stored texts the cipher rejects are the file cipher tests'; any bytes read back as they write,
// the protected_string fuzz target's check.
TEST(ProtectedStringTest, LayoutIsLengthThenStoredTextAndDamageReadsAsEmptyOrFails) {
  EXPECT_EQ(Stored("a"), Length(12) + FileCipher().Encrypt("a"));
  EXPECT_EQ(Stored(std::string("ab\0cd", 5)), Stored("ab"));
  const std::string good = Stored("secret");
  const std::tuple<const char*, std::string, bool, std::string> rows[] = {
      {"cut at a character boundary beyond 1024 bytes",
       Stored(std::string(1023, 'a') + "\xC3\xA9tail"), true, std::string(1023, 'a')},
      {"half a length", std::string("\x0c\x00", 2), false, "unchanged"},
      {"length without text", Length(12), false, "unchanged"},
      {"text cut short", good.substr(0, 10), true, ""},
      {"oversized is passed over", Length(2000) + std::string(2000, 'A') + Stored("n"), true, ""},
      {"huge length allocates nothing", Length(0xFFFFFFF0u) + "AAAA", true, ""},
  };
  for (const auto& [name, bytes, result, text] : rows) {
    ByteReader reader(bytes);
    std::string read = "unchanged";
    EXPECT_EQ(std::pair(ReadProtectedString(reader, read), read), std::pair(result, text)) << name;
    EXPECT_TRUE(!std::string_view(name).starts_with("oversized") ||
                (ReadProtectedString(reader, read) && read == "n"))
        << "reading goes on";
  }
}

// The server's history tests cover the file itself; here the corner cases of a line.
TEST(HistoryFileTest, LinesSplitAtTheirFirstDashInPiecesOf1023Bytes) {
  EXPECT_EQ(FormatHistory(ParseHistory("  -7x-neg\n-\n2147483648000-big\n05-lone\rcr\r\n01-" +
                                       std::string(1020, 'a') + "7-tail\n01-last")),
            "00-7x-neg\r\n00-\r\n2147483647-big\r\n05-lone\rcr\r\n01-" + std::string(1020, 'a') +
                "\r\n07-tail\r\n01-last\r\n");
  EXPECT_EQ(FormatHistory({{-5, "x"}, {0, "a"}}), "-5-x\r\n00-a\r\n");
}

using FormProfileTest = StoreTest;

// customize.dat is read once per process, only as far as it goes, and written with every save.
TEST_F(FormProfileTest, FileLayoutSharedFieldsAndCustomize) {
  ByteWriter custom, bytes, expected;
  custom.WriteUint32(0x7FFFFFFF);
  CustomField("Member", "member", "M-1").WriteTo(custom);
  CustomField("Pet", "nick;pet", "Rex").WriteTo(custom);
  WriteBytes(folder_.File(kCustomizeFileName), custom.data());
  ASSERT_TRUE(FormProfile().Save(folder_.File(kWorkProfileFileName)));  // keeps them, see below
  WriteProtectedString(bytes, "");  // written by hand: 31 strings, the email list stored empty
  for (int i = 0; i < 2 * kProfileFieldCount; ++i)
    WriteProtectedString(bytes, i == 2 * kProfileFieldCount - 1 ? "" : "v" + std::to_string(i));
  WriteBytes(folder_.File(kHomeProfileFileName), bytes.data());
  FormProfile home, work;
  ASSERT_TRUE(home.Load(folder_.File(kHomeProfileFileName)));
  EXPECT_EQ(home.Value(ProfileField::kTitle) + home.List(ProfileField::kFax), "v2v28");
  EXPECT_EQ(CustomFields().CustomFieldCount(), 2) << "kept by the save before any load";
  ASSERT_TRUE(home.Save(folder_.File("copy.dat")));
  EXPECT_EQ(ReadBytes(folder_.File("copy.dat")),
            bytes.data().substr(0, bytes.data().size() - 4) + Stored("e.*mail;"))
      << "an empty list reads as its default";
  EXPECT_EQ(work.Value(ProfileField::kFirstName), "v3") << "shared fields";
  work.Value(ProfileField::kCity) = "Work City";
  ASSERT_TRUE(work.Save(folder_.File(kWorkProfileFileName)));
  home.Value(ProfileField::kFirstName) = "Anne";  // written to both; FormHome.dat, read last, wins
  ASSERT_TRUE(home.Save(folder_.File(kHomeProfileFileName)));
  ResetProcessState();
  DataSet data;
  data.Load(folder_.path());
  EXPECT_EQ(data.work.Value(ProfileField::kCity) + data.work.Value(ProfileField::kFirstName),
            "Work CityAnne");
  WriteBytes(folder_.File(kCustomizeFileName), "");
  EXPECT_TRUE(data.home.Load(folder_.File(kHomeProfileFileName)));
  EXPECT_FALSE(CustomFields().SetCustomField(1, "Pet", "pet;animal", "Max"));
  CustomFields().RemoveCustomField(0);
  ASSERT_TRUE(data.logins.Save(folder_.File(kPasswordFileName)));
  expected.WriteUint32(1);
  CustomField("Pet", "pet;animal", "Max").WriteTo(expected);
  EXPECT_EQ(ReadBytes(folder_.File(kCustomizeFileName)), expected.data()) << "not read again";
}

// Which pages a site or a rejected entry covers is checked by the site match tests (forms).
TEST_F(FormProfileTest, SiteKeyReducesHostsAndRejectedSitesRejectOncePerSiteAndRoundTrip) {
  const std::tuple<const char*, bool, const char*> rows[] = {
      {"HTTP://W.E/", false, "HTTP://W.E/"},
      {"http://", true, ""},
      {"https://u@w.m.e.co.uk:443/", true, "e.co.uk:443"},
      {"http://127.0.0.1:8080/login", true, "127.0.0.1:8080"},
      {"https://a.b.shop.example:8443/", true, "b.shop.example:8443"},
  };
  for (const auto& [address, result, key] : rows) {
    std::string text = address;
    EXPECT_EQ(std::pair(SiteKey(text), text), std::pair(result, std::string(key))) << address;
  }
  RejectedSites sites, loaded;
  EXPECT_FALSE(sites.Save()) << "no path yet";
  for (const char* site : {"Example.com", "mail.example.com" /* covered */, "other.org"})
    sites.Reject(site);
  EXPECT_EQ(sites.sites(), (std::vector<std::string>{"Example.com", "other.org"}));
  const std::string path = folder_.File(kRejectedFileName);
  ASSERT_TRUE(sites.Save(path) && loaded.Load(path));
  EXPECT_EQ(loaded.sites(), sites.sites());
}

}  // namespace
}  // namespace zr
