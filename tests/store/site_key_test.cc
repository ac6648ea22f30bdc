// SiteKey, FindNoCase and RejectedSites: the rules for site addresses.
#include "store/site_key.h"

#include <gtest/gtest.h>

#include "store/find_no_case.h"
#include "store/rejected_sites.h"
#include "test_folder.h"

namespace zr {
namespace {

TEST(SiteKeyTest, ReducesHostsOfWebAddresses) {
  struct Case {
    const char* address;
    bool result;
    const char* key;
  };
  const Case cases[] = {
      {"http://w.m.e.c/login", true, "m.e.c"},
      {"https://e.c", true, "e.c"},
      {"http://10.0.0.1/", true, "10.0.0.1"},
      {"ftp://h/", false, "ftp://h/"},
      {"http://a.b.c.d.e/", true, "c.d.e"},
      {"http://w.e.c:8080/", true, "w.e.c:8080"},
      {"HTTP://W.E.C/", false, "HTTP://W.E.C/"},
      {"http://", true, ""},
      {"http://.a.b.c/x?y", true, ".a.b.c"},  // the first character is never examined
      {"http://x.a.b.c/x?y", true, "a.b.c"},
      {"https://user@mail.example.co.uk:443/inbox", true, "example.co.uk:443"},
      {"http://1.2.3.4.5.6/", true, "1.2.3.4.5.6"},
      {"http://a.1.2.3/", true, "a.1.2.3"},
  };
  for (const Case& c : cases) {
    std::string address = c.address;
    EXPECT_EQ(SiteKey(address), c.result) << c.address;
    EXPECT_EQ(address, c.key) << c.address;
  }
}

TEST(FindNoCaseTest, IgnoresOnlyAsciiCase) {
  EXPECT_TRUE(FindNoCase("https://Mail.Example.COM/x", "example.com"));
  EXPECT_TRUE(FindNoCase("anything", ""));
  EXPECT_TRUE(FindNoCase("", ""));
  EXPECT_FALSE(FindNoCase("", "a"));
  EXPECT_FALSE(FindNoCase("short", "shorter"));
  EXPECT_FALSE(FindNoCase("\xC3\xA9", "\xC3\x89")) << "non-ASCII bytes compare exactly";
  EXPECT_TRUE(EqualsNoCase("Password", "pASSWORD"));
  EXPECT_FALSE(EqualsNoCase("pass", "password"));
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
  EXPECT_FALSE(RejectedSites().Load(folder_.File("missing.dat")));

  loaded.Reject("");
  EXPECT_EQ(loaded.sites().size(), 3u);
  EXPECT_FALSE(loaded.IsRejected("https://any.site/")) << "an empty entry rejects nothing";
}

}  // namespace
}  // namespace zr
