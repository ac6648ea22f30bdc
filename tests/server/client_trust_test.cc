// The trust rule on a fake /proc (who gets logins and forms, who is asked, who is refused), the
// shipped clients that registration records, and the per-minute bound on sites.
#include "server/client_trust.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "server/site_rate_limit.h"
#include "tests/forms/scripted_prompts.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

namespace fs = std::filesystem;
constexpr char kZrbar[] = "/opt/zorvane/bin/zrbar";
constexpr char kEditor[] = "/usr/bin/editor";

// Answers the allow window with answer, after running during (a call arriving meanwhile).
struct AllowPrompts : ScriptedPrompts {
  MessageAnswer answer = MessageAnswer::kNo;
  std::function<void()> during;
  MessageAnswer ShowMessage(WindowId owner, std::string_view text, std::string_view caption,
                            MessageIcon icon, MessageButtons buttons) override {
    ScriptedPrompts::ShowMessage(owner, text, caption, icon, buttons);
    if (during) during();
    return answer;
  }
};

enum Root { kPlain, kSandboxed, kNoRoot };

class ClientTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryStore classes(Hive::kClassesRoot);
    classes.SetValue(ShippedClientsKey(), "zrbar", kZrbar);
    ASSERT_TRUE(classes.Save());
    ASSERT_TRUE(AllowProgram(kEditor));
  }
  void AddProcess(long pid, const std::string& executable, Root root = kPlain) {
    fs::path folder = fs::path(proc_) / std::to_string(pid);
    fs::create_directories(folder);
    if (!executable.empty()) fs::create_symlink(executable, folder / "exe");
    if (root != kNoRoot) fs::create_directories(folder / "root");
    if (root == kSandboxed) {
      ASSERT_TRUE(testing::WriteFile((folder / "root/.flatpak-info").string(), ""));
    }
  }

  testing::TempDir scratch_;
  testing::ScopedEnv config_{"XDG_CONFIG_HOME", scratch_.File("config")};
  std::string proc_ = scratch_.File("proc");
};

TEST_F(ClientTrustTest, DecidesByExecutableAndSandbox) {
  using V = TrustVerdict;
  const std::string tool = "/home/ann/bin/tool", zrbar = kZrbar;
  // what, executable, root, the answer to the allow window if it opens, verdict, admitted, asked
  const std::tuple<const char*, std::string, Root, bool, V, bool, bool> cases[] = {
      {"shipped client", kZrbar, kPlain, false, V::kShippedClient, true, false},
      {"allowed program", kEditor, kPlain, false, V::kAllowedProgram, true, false},
      {"unknown, user allows", tool, kPlain, true, V::kUnknownProgram, true, true},
      {"unknown, user refuses", tool + "2", kPlain, false, V::kUnknownProgram, false, true},
      {"paths differ in case only", "/USR/BIN/EDITOR", kPlain, false, V::kUnknownProgram, 0, 1},
      {"shipped path as a prefix", zrbar + "-copy", kPlain, false, V::kUnknownProgram, 0, 1},
      {"replaced executable", zrbar + " (deleted)", kPlain, false, V::kUnknownProgram, 0, 1},
      {"shipped path inside a sandbox", kZrbar, kSandboxed, true, V::kSandboxed, false, false},
      {"executable cannot be read", "", kPlain, true, V::kUnidentified, false, false},
      {"root cannot be inspected", kZrbar, kNoRoot, true, V::kUnidentified, false, false},
  };
  long pid = 100;
  for (const auto& [what, executable, root, yes, verdict, admitted, asked] : cases) {
    SCOPED_TRACE(what);
    AddProcess(++pid, executable, root);
    ClientTrust trust(proc_);
    EXPECT_EQ(trust.Check(pid).verdict, verdict);
    AllowPrompts prompts, again;
    prompts.answer = yes ? MessageAnswer::kYes : MessageAnswer::kNo;
    EXPECT_EQ(trust.Admit(pid, prompts, 7), admitted);
    ASSERT_EQ(prompts.messages.size(), asked ? 1u : 0u);
    if (asked) {
      EXPECT_NE(prompts.messages[0].text.find(executable + " wants"), std::string::npos);
    }
    // Asked once: a second call asks nobody, and a Yes outlives this server.
    EXPECT_EQ(trust.Admit(pid, again, 7), admitted);
    EXPECT_TRUE(again.messages.empty());
    EXPECT_EQ(ClientTrust(proc_).Check(pid).verdict,
              asked && admitted ? V::kAllowedProgram : verdict);
  }
  EXPECT_EQ(ClientTrust(kProcRoot).Check(999999999).verdict, V::kUnidentified);
}

TEST_F(ClientTrustTest, RefusesTheSameProgramWhileItsWindowIsOpen) {
  AddProcess(200, "/home/ann/bin/tool");
  AddProcess(201, "/home/ann/bin/tool");
  ClientTrust trust(proc_);
  AllowPrompts prompts;
  prompts.answer = MessageAnswer::kYes;
  bool nested = true;
  prompts.during = [&] { nested = trust.Admit(201, prompts, 0); };
  EXPECT_TRUE(trust.Admit(200, prompts, 0));
  EXPECT_FALSE(nested);
  EXPECT_EQ(prompts.messages.size(), 1u);
  EXPECT_TRUE(trust.Admit(201, prompts, 0));  // allowed now
}

TEST_F(ClientTrustTest, RecordsTheShippedClientsBesideTheServer) {
  const fs::path bin = scratch_.File("bin"), tools = scratch_.File("tools");
  ASSERT_TRUE(fs::create_directories(bin) && fs::create_directories(tools));
  ASSERT_TRUE(testing::WriteFile((tools / "zrbar").string(), "#!/bin/sh\n"));
  fs::permissions(tools / "zrbar", fs::perms::owner_all);
  fs::create_symlink(tools / "zrbar", bin / "zrbar");
  ASSERT_TRUE(testing::WriteFile((bin / "zrform-browser").string(), ""));  // not executable
  RegistryStore classes(scratch_.File("classes.reg"));
  classes.SetValue(ShippedClientsKey(), "zrform-browser", "/old/zrform-browser");
  RecordShippedClients(classes, (bin / "zrform").string());
  EXPECT_EQ(classes.GetValue(ShippedClientsKey(), "zrbar"),
            RegistryValue(fs::canonical(tools / "zrbar").string()));
  EXPECT_FALSE(classes.GetValue(ShippedClientsKey(), "zrform-browser"));
  RemoveShippedClients(classes);
  EXPECT_FALSE(classes.KeyExists(ShippedClientsKey()));
}

TEST(SiteRateLimitTest, BoundsDifferentSitesPerConnectionAndMinute) {
  SiteRateLimit limit;
  const auto at = [](int s) {
    return SiteRateLimit::Clock::time_point{} + std::chrono::seconds(s);
  };
  for (int i = 0; i < kMaxSitesPerMinute; ++i)
    EXPECT_TRUE(limit.Admit(":1.5", "site" + std::to_string(i) + ".example", at(i)));
  const std::tuple<const char*, const char*, const char*, int, bool> cases[] = {
      // what, connection, site, seconds after the start, admitted
      {"one more site", ":1.5", "new.example", 40, false},
      {"a site already counted", ":1.5", "site3.example", 41, true},
      {"another connection", ":1.6", "new.example", 42, true},
      {"the first site's minute is over", ":1.5", "new.example", 60, true},
      {"only one place freed", ":1.5", "newer.example", 60, false},
  };
  for (const auto& [what, connection, site, seconds, admitted] : cases)
    EXPECT_EQ(limit.Admit(connection, site, at(seconds)), admitted) << what;
  limit.Forget(":1.5");
  EXPECT_TRUE(limit.Admit(":1.5", "newest.example", at(61)));
}

TEST(SiteRateLimitTest, CountsHostsOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://Mail.Example.com/inbox?x=1", "mail.example.com"},
      {"http://ann:pw@mail.example.com:8080/", "mail.example.com"},
      {"http://[::1]:8080/", "[::1]"},
      {"file:///home/ann/page.html", ""},
  };
  for (const auto& [address, site] : cases) EXPECT_EQ(SiteOfAddress(address), site) << address;
}

}  // namespace
}  // namespace zr
