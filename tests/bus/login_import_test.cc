// Logins imported from a CSV file through the real server as zrbar asks for them, and exported
// back. What a stored login fills is the forms tests' part.
#include <gtest/gtest.h>

#include <filesystem>

#include "bus_support.h"
#include "tests/support/test_support.h"
#include "tests/support/zrbar_process.h"

namespace zr::bus_test {
namespace {

class LoginImportBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(DataFolder());
    RegisterServer();
  }
  // zrbar's output (status 0 expected), or its error text.
  static std::string Zrbar(const QStringList& arguments) {
    testing::ZrbarRun run = testing::RunZrbar(ZRBAR_EXE, arguments);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    return run.out.toStdString();
  }
};

// The summary and the file rules are the store's and the server's tests; here the calls reach
// the server, the import is saved, and a second import adds nothing.
TEST_F(LoginImportBusTest, ImportedLoginsAreSavedOnceAndExportBack) {
  const std::string csv = Scratch() + "/exported.csv";
  ASSERT_TRUE(
      testing::WriteFile(csv,
                         "name,url,username,password,note\r\n"
                         "Imported,https://login.imported.example/signin,ivy,\"iv, pw\",\r\n"
                         "Broken,https://broken.example/,bert,,\r\n"));
  EXPECT_TRUE(Zrbar({"import", QString::fromStdString(csv)}).starts_with("S_OK\n2 logins: 1 new"));
  EXPECT_TRUE(Zrbar({"import", QString::fromStdString(csv)}).starts_with("S_OK\n2 logins: 0 new"));
  QByteArray dump;
  ASSERT_EQ(RunProgram({"dump", QString::fromStdString(DataFolder() + "/Password.dat")}, ZRDATA_EXE,
                       &dump),
            0);
  EXPECT_EQ(dump.count("\"value\":\"ivy\""), 1) << dump.toStdString();
  const std::string out = Scratch() + "/out.csv";  // no master password set: no window asks
  EXPECT_TRUE(Zrbar({"export", QString::fromStdString(out)}).starts_with("S_OK\n1 login written"));
  EXPECT_NE(testing::ReadFile(out).find("\"ivy\",\"iv, pw\""), std::string::npos);
}

}  // namespace
}  // namespace zr::bus_test
