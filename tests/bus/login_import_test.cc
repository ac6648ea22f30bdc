// Logins imported from a CSV file through the real server, as zrbar asks for
// them: the summary, nothing added by a second import, the store saved, the
// login filled by position into a real login page of the site, and the
// export written for the user alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "bus_support.h"
#include "pages/html_page.h"
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

TEST_F(LoginImportBusTest, ImportedLoginsFillTheSitesLoginFormAndExportBack) {
  const std::string csv = Scratch() + "/exported.csv";
  ASSERT_TRUE(testing::WriteFile(csv,
                                 "name,url,username,password,note\r\n"
                                 "Imported,https://login.imported.example/signin,ivy,"
                                 "\"iv\"\"y, pw\",\r\n"
                                 "Other,https://other.example/,olga,o-pw,\r\n"
                                 "Broken,https://broken.example/,bert,,\r\n"));
  EXPECT_EQ(Zrbar({"import", QString::fromStdString(csv)}),
            "S_OK\n3 logins: 2 new, 0 already stored, 0 with another password, 1 row skipped\n"
            "Read as a chromium file.\nSkipped:\n"
            "row 3 (line 4): password is empty, url https://broken.example/, user bert\n");
  const std::string again = Zrbar({"import", QString::fromStdString(csv)});
  EXPECT_TRUE(again.starts_with("S_OK\n3 logins: 0 new, 2 already stored, 0 with another"))
      << again;
  QByteArray dump;
  ASSERT_EQ(RunProgram({"dump", QString::fromStdString(DataFolder() + "/Password.dat")}, ZRDATA_EXE,
                       &dump),
            0);
  EXPECT_EQ(dump.count("\"value\":\"ivy\""), 1) << dump.toStdString();

  // A login page whose inputs have names of their own, after a search form:
  // the name goes into the text input before the password input.
  const std::string page = Scratch() + "/signin.html";
  const std::string filled = Scratch() + "/filled.html";
  ASSERT_TRUE(testing::WriteFile(page, R"(<form action="/search"><input name="q"></form>
      <form name="signin"><input type="text" name="email"><input type="password" name="pass">
      </form>)"));
  EXPECT_EQ(
      Zrbar({"fill", QString::fromStdString(page), "--type", "password", "--auto", "--url",
             "https://login.imported.example/signin", "--out", QString::fromStdString(filled)}),
      "S_OK\n");
  std::unique_ptr<HtmlPage> result = HtmlPage::Open(filled);
  ASSERT_TRUE(result);
  auto input = [&](int form, int index) {
    return result->Document()->Forms()->At(form)->Inputs()->At(index)->Value();
  };
  EXPECT_EQ(input(0, 0), "");
  EXPECT_EQ(input(1, 0), "ivy");
  EXPECT_EQ(input(1, 1), "iv\"y, pw");

  // No master password is set and no display answers: the export goes ahead,
  // as the Login Manager would open.
  const std::string out = Scratch() + "/out.csv";
  const std::string exported = Zrbar({"export", QString::fromStdString(out)});
  EXPECT_TRUE(exported.starts_with("S_OK\n2 logins written to " + out + " as a chromium file"))
      << exported;
  struct stat status = {};
  ASSERT_EQ(stat(out.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_NE(testing::ReadFile(out).find("\"Imported\",\"https://login.imported.example\",\"ivy\""),
            std::string::npos)
      << testing::ReadFile(out);
}

}  // namespace
}  // namespace zr::bus_test
