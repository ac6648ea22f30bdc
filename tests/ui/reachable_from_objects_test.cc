// Every window is reached from the toolbar helper's methods when it runs with
// the Qt prompts: the master-password gate and the Login Manager, the Form
// Manager, the select-login and remember-password prompts.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMessageBox>

#include "login_test_support.h"
#include "pages/html_page.h"
#include "server/zr_bar_helper.h"
#include "store/custom_field_list.h"
#include "ui/qt_prompts.h"

namespace zr {
namespace {

constexpr char kLoginPage[] = R"(<html><head><title>Mail</title></head><body><form name="login">
  <input name="user" value="ann"><input type="password" name="pass" value="pw"></form></body></html>)";

class ReachableTest : public ::testing::Test {
 protected:
  ReachableTest() : helper_(prompts_) {
    CustomFields().Reset();
    SharedNames().Reset();
  }
  ~ReachableTest() override {
    CustomFields().Reset();
    SharedNames().Reset();
  }
  // Closes the next modal window as Cancel would and notes its class.
  void CloseNext() {
    driver_.Then([this](QWidget* modal) {
      seen_.push_back(modal->metaObject()->className());
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen_.back() += ": " + box->text().toStdString();
        box->button(box->standardButtons() & QMessageBox::Ok ? QMessageBox::Ok
                                                             : QMessageBox::Cancel)
            ->click();
      } else {
        static_cast<QDialog*>(modal)->reject();
      }
    });
  }

  QtPrompts prompts_{/*has_display=*/true};
  ZRBarHelper helper_;
  ModalDriver driver_;
  std::vector<std::string> seen_;
};

TEST_F(ReachableTest, ManagersArePassedThroughTheMasterPasswordGate) {
  CloseNext();  // the set-up of a first master password
  CloseNext();  // the warning that none was set
  CloseNext();  // the Login Manager opens all the same
  EXPECT_EQ(helper_.PasswordManager(0), kS_OK);
  CloseNext();
  EXPECT_EQ(helper_.FormManager(0), kS_OK);
  ASSERT_EQ(seen_.size(), 4u);
  EXPECT_EQ(seen_[0], "zr::MasterPasswordSetup");
  EXPECT_TRUE(seen_[1].starts_with("QMessageBox: You did not set your master password."))
      << seen_[1];
  EXPECT_EQ(seen_[2], "zr::LoginManagerDialog");
  EXPECT_EQ(seen_[3], "zr::FormManagerSheet");
  EXPECT_TRUE(driver_.unexpected.empty());
}

TEST_F(ReachableTest, FillAndCapturePromptsAreShown) {
  auto page = HtmlPage::FromString(kLoginPage, "https://mail.example.com/login");
  CloseNext();  // the remember-password prompt, answered No
  long found = 0;
  EXPECT_EQ(helper_.RecordPassword(0, page.get(), &found), kS_OK);
  EXPECT_EQ(found, 1);

  auto record = std::make_unique<LoginRecord>();
  record->set_site("mail.example.com");
  record->AddField("user", "ann", "text", "login");
  record->AddField("pass", "pw", "password", "login");
  helper_.data().logins.AddOrMerge(std::move(record));
  CloseNext();  // the select-login dialog, cancelled
  EXPECT_EQ(helper_.FillInForm(0, page.get(), 1, 1, 0), kS_FALSE);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0], "zr::RememberPasswordDialog");
  EXPECT_EQ(seen_[1], "zr::SelectLoginDialog");
}

}  // namespace
}  // namespace zr
