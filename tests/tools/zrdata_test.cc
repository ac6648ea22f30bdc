// zrdata as a user runs it: sample folder, dumps, the master password, find and match.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "store/login_store.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

struct ToolRun {
  int status;
  std::string out;
};

// Runs zrdata with arguments (already shell-quoted) and optional input on stdin.
ToolRun Zrdata(const std::string& arguments, const std::string& input = "") {
  std::string command = "printf '%s' '" + input + "' | " ZRDATA_PATH " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ToolRun run{-1, ""};
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class ZrdataTest : public ::testing::Test {
 protected:
  testing::TempDir temp_;
  const std::string folder_ = temp_.path();
};

TEST_F(ZrdataTest, DumpsEveryFileOfTheSampleFolder) {
  ASSERT_EQ(Zrdata("sample " + folder_ + "/data").status, 0);
  std::string data = folder_ + "/data/";
  ToolRun logins = Zrdata("dump " + data + "Password.dat");
  EXPECT_EQ(logins.status, 0);
  EXPECT_TRUE(logins.out.starts_with(
      R"({"kind":"logins","master_password_set":false,"records":[{"site":"mail.example.com","descr)"));
  EXPECT_NE(logins.out.find(R"({"name":"password","value":"correct horse","type":"password","form":"login","description":"unnamed field"})"),
            std::string::npos);
  EXPECT_NE(logins.out.find(R"("fill_automatically":0)"), std::string::npos);

  EXPECT_EQ(Zrdata("dump " + data + "Rejected.dat").out,
            "{\"kind\":\"rejected\",\"sites\":[\"bank.example.net\"]}\n");
  ToolRun work = Zrdata("dump " + data + "FormWork.dat");
  EXPECT_NE(work.out.find(R"("first_name":"Ann")"), std::string::npos) << "shared fields";
  EXPECT_NE(work.out.find(R"("company":"Example Ltd")"), std::string::npos);
  EXPECT_NE(work.out.find(R"("email":"e.*mail;")"), std::string::npos);
  EXPECT_EQ(Zrdata("dump " + data + "customize.dat").out,
            "{\"kind\":\"custom\",\"fields\":[{\"kind\":2,\"description\":\"Member number\","
            "\"names\":\"member;membership\",\"value\":\"M-1024\"}]}\n");
  EXPECT_EQ(Zrdata("dump " + data + "History.txt").out,
            "{\"kind\":\"history\",\"entries\":[{\"type\":1,\"text\":\"example.com\"},"
            "{\"type\":2,\"text\":\"weather\"},{\"type\":12,\"text\":\"news-today\"}]}\n");

  // The kind can be given for any file name.
  std::filesystem::copy_file(data + "Rejected.dat", folder_ + "/copy");
  EXPECT_EQ(Zrdata("dump " + folder_ + "/copy --kind rejected").status, 0);
  EXPECT_EQ(Zrdata("dump " + folder_ + "/copy").status, 1);
  EXPECT_EQ(Zrdata("dump " + folder_ + "/missing/Password.dat").status, 1);
}

TEST_F(ZrdataTest, AsksForTheMasterPassword) {
  LoginStore store;
  store.set_master_password_text("open sesame");
  auto record = std::make_unique<LoginRecord>();
  record->set_site("e.com");
  record->AddField("user", "ann", "text");
  store.AddOrMerge(std::move(record));
  std::string path = folder_ + "/Password.dat";
  ASSERT_TRUE(store.Save(path));

  ToolRun wrong = Zrdata("dump " + path, "open sesam\n");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.out, "");
  EXPECT_EQ(Zrdata("dump " + path).status, 2) << "no input at all";
  ToolRun right = Zrdata("dump " + path, "open sesame\n");
  EXPECT_EQ(right.status, 0);
  EXPECT_NE(right.out.find(R"("master_password_set":true,"records":[{"site":"e.com")"),
            std::string::npos);
}

TEST_F(ZrdataTest, FindAndMatchPatterns) {
  struct Case {
    const char* arguments;
    int status;
    const char* out;
  };
  const Case cases[] = {
      {"find 'e.*mail' 'your_email'", 0, "5\n"},
      {"find 'E' 'e'", 0, "-1\n"},
      {"find 'a**' 'aa'", 1, "invalid\n"},
      {"match 'job.*;Comp.*;' 'COMPANYNAME'", 0, "Comp.*\n"},
      {"match '[z-a];city' 'billcity'", 0, "city\n"},
      {"match 'tel;fax' 'email'", 1, ""},
      {"bogus", 1, ""},
  };
  for (const Case& c : cases) {
    ToolRun run = Zrdata(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_EQ(run.out, c.out) << c.arguments;
  }
}

}  // namespace
}  // namespace zr
