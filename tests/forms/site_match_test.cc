// Which stored logins and rejected entries belong to which page, on every surface that matches
// sites, and the secure-context rule of the automatic fill.
#include "store/site_match.h"

#include <set>

#include "engine_test_support.h"

namespace zr {
namespace {

using SiteMatchTest = EngineTest;

TEST_F(SiteMatchTest, PagesGetOnlyTheLoginsOfTheirOwnSite) {
  const std::vector<std::string> sites = {
      "mail.example.com", "example.com",           "intranet.example/app", "com",   "localhost",
      "10.0.0.1",         "Shop.Example.org:8443", "https://bank.example", "[::1]", ""};
  // Different users, so that no two of them are merged as the same login.
  for (size_t i = 0; i < sites.size(); ++i) AddLogin(sites[i], "user" + std::to_string(i), "pw");
  ASSERT_EQ(data_.logins.Count(), static_cast<int>(sites.size()));
  const std::set<std::string> mail = {"mail.example.com", "example.com"};
  struct Case {
    const char* page;
    std::set<std::string> gets;  // every other site must not match
  } cases[] = {{"https://mail.example.com/inbox", mail},
               {"https://MAIL.Example.COM/", mail},
               {"HTTPS://www.example.com", {"example.com"}},
               {"https://evil.example/mail.example.com/", {}},
               {"https://mail.example.com.evil.example/", {}},
               {"https://mail.example.com@evil.example/", {}},
               {"https://evil.example\\mail.example.com/", {}},
               {"https://evil.example/?next=mail.example.com", {}},
               {"https://evil.example/#mail.example.com", {}},
               {"https://notexample.com/", {}},
               {"https://ann:pw@mail.example.com:444/x", mail},
               {"http://mail.example.com/", mail},
               {"ftp://mail.example.com/", {}},
               {"", {}},
               {"https://intranet.example/app/login", {"intranet.example/app"}},
               {"https://intranet.example/other/app", {}},
               {"https://intranet.example", {}},
               {"http://localhost:3000/", {"localhost"}},
               {"http://10.0.0.1/", {"10.0.0.1"}},
               {"http://110.0.0.1/", {}},
               {"http://[::1]:8080/", {"[::1]"}},
               {"https://shop.example.org:8443/cart", {"Shop.Example.org:8443"}},
               {"https://shop.example.org/cart", {}},
               {"https://bank.example/", {"https://bank.example"}},
               {"http://bank.example/", {}},
               {"https://shop.com/", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    std::vector<std::vector<int>> offers(1);
    data_.logins.ForEach([&](LoginRecord& r) {
      if (c.gets.count(r.site())) offers[0].push_back(r.id());
    });
    // The manual choice offers every matching record (all are automatic), no dialog without one.
    if (offers[0].empty()) offers.clear();
    prompts_.selected_ids = {-1};
    EXPECT_EQ(ChooseLogin(prompts_, 0, data_.logins, c.page, false), -1);
    EXPECT_EQ(std::exchange(prompts_.select_offers, {}), offers);
    EXPECT_EQ(data_.logins.HasLoginForUrl(c.page), !offers.empty());
    EXPECT_EQ(CountLoginsByURL(data_.logins, c.page), static_cast<long>(c.gets.size()));
    // A captured login, or a lone password, is the same as a stored one where the site matches.
    for (const std::string& site : sites) {
      const bool gets = c.gets.count(site) > 0;
      EXPECT_EQ(
          Login(site, "ann", "other", "login")->IsSameLogin(*Login(c.page, "ann", "pw", "login")),
          gets)
          << site;
      LoginStore one;
      RejectedSites rejected;
      one.AddOrMerge(Login(site, "", "pw")), rejected.Reject(site);
      EXPECT_EQ(one.HasSameSiteLogin(*Login(c.page, "", "pw")), gets) << site;
      EXPECT_EQ(rejected.IsRejected(c.page), gets) << site;
    }
  }
}

TEST_F(SiteMatchTest, AutomaticFillOnlyInASecureContext) {
  const struct {
    const char *site, *page;
    bool automatic;  // whether an automatic fill chooses the record by itself
  } cases[] = {{"mail.example.com", "https://mail.example.com/login", true},
               {"mail.example.com", "http://mail.example.com/login", false},
               {"localhost", "http://localhost:8080/", true},
               {"app.localhost", "http://app.localhost/", true},
               {"127.0.0.1:8080", "http://127.0.0.1:8080/", true},
               {"[::1]", "http://[::1]/", true},
               {"127.example.com", "http://127.example.com/", false},
               {"10.0.0.1", "http://10.0.0.1/", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    data_.logins = LoginStore();
    int id = AddLogin(c.site, "ann", "pw", true);
    EXPECT_EQ(ChooseLogin(prompts_, 0, data_.logins, c.page, true), c.automatic ? id : -1);
    EXPECT_EQ(FindPasswordByURL(data_.logins, c.page), c.automatic ? 0 : 1);
    prompts_.selected_ids.push_back(id);  // the user may still fill it on request
    EXPECT_EQ(ChooseLogin(prompts_, 0, data_.logins, c.page, false), id);
  }
}

}  // namespace
}  // namespace zr
