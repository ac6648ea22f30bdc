// Every window is reached from the toolbar helper's methods when it runs with
// the Qt prompts: the master-password gate and the Login Manager, the Form
// Manager, the select-login and remember-password prompts.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMessageBox>

#include "login_test_support.h"
#include "server/zr_bar_helper.h"
#include "store/custom_field_list.h"
#include "tests/support/test_support.h"
#include "ui/qt_prompts.h"

namespace zr {
namespace {

class ReachableTest : public ::testing::Test {
 protected:
  ReachableTest() : helper_(prompts_) {
    CustomFields().Reset();
    SharedNames().Reset();
    helper_.SetUp(folder_.path());  // the managers save into it when they close
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

  testing::TempDir folder_;
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

}  // namespace
}  // namespace zr
