// zrdata as a user runs it: a missing file, the master password on standard input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "store/login_store.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

// zrdata's exit status and standard output, with input on its standard input.
std::pair<int, std::string> Zrdata(const std::string& arguments, const std::string& input = "") {
  const std::string command = "printf '%s' '" + input + "' | " ZRDATA_PATH " " + arguments;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// The sample folder and its dumps are what the bus tests build their data from.
TEST(ZrdataTest, AsksForTheMasterPasswordOfALockedFile) {
  testing::TempDir temp;
  EXPECT_EQ(Zrdata("dump " + temp.File("missing")).first, 1);
  LoginStore store;
  store.set_master_password_text("open sesame");
  ASSERT_TRUE(store.Save(temp.File("locked.dat")));
  const std::string dump = "dump " + temp.File("locked.dat") + " --kind logins";
  EXPECT_EQ(Zrdata(dump, "open sesam\n"), std::pair(2, std::string()));
  EXPECT_EQ(Zrdata(dump).first, 2) << "no input at all";
  EXPECT_NE(Zrdata(dump, "open sesame\n").second.find(R"("master_password_set":true)"),
            std::string::npos);
}

}  // namespace
}  // namespace zr
