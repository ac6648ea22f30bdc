// Turning "Require master password to fill in" off, in the select-login
// dialog and in the login record editor (which the Login Manager opens):
// the master password is asked once; given right the flag comes off, and
// refused or cancelled the box goes back and the record stays protected.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/login_test_support.h"
#include "ui/login_record_form.h"
#include "ui/master_password_dialogs.h"
#include "ui/select_login_dialog.h"

namespace zr {
namespace {

constexpr int kPromptEdit = 247;
constexpr int kSelectRequireBox = 256;

enum class Answer { kRight, kWrong, kCancel };

struct Case {
  const char* name;
  Answer answer;
};
constexpr Case kCases[] = {
    {"right password", Answer::kRight},
    {"wrong password", Answer::kWrong},
    {"cancel", Answer::kCancel},
};

class RequireMasterPasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.set_master_password_text("master");
    id_ = AddRecord(
        store_, "Bank", "bank.example.com",
        {{"user", "alice", "text", "", "Login"}, {"pass", "a-pw", "password", "", "Password"}});
    store_.FindById(id_)->set_require_master_password(1);
  }

  // Scripts the master-password prompt (and, after a wrong entry, the
  // message about it).
  void ExpectPrompt(Answer answer) {
    driver_.Then([answer, this](QWidget* modal) {
      auto* prompt = qobject_cast<MasterPasswordPrompt*>(modal);
      if (!prompt) {
        driver_.unexpected.push_back(modal->windowTitle());
        static_cast<QDialog*>(modal)->reject();
        return;
      }
      ++prompts_;
      if (answer == Answer::kCancel) {
        prompt->reject();
        return;
      }
      prompt->ControlAs<QLineEdit>(kPromptEdit)
          ->setText(answer == Answer::kRight ? "master" : "guess");
      prompt->accept();
    });
    if (answer == Answer::kWrong) driver_.Answer(QMessageBox::Ok);
  }

  void ExpectOutcome(Answer answer, bool box_checked) {
    const bool off = answer == Answer::kRight;
    EXPECT_EQ(prompts_, 1) << "asked once";
    EXPECT_EQ(box_checked, !off);
    EXPECT_TRUE(driver_.unexpected.empty());
    EXPECT_EQ(driver_.pending(), 0u);
    if (answer == Answer::kWrong) {
      ASSERT_EQ(driver_.boxes.size(), 1u);
      EXPECT_EQ(driver_.boxes[0].text, "The password you entered is incorrect!");
      EXPECT_EQ(driver_.boxes[0].caption, "Error");
    } else {
      EXPECT_TRUE(driver_.boxes.empty());
    }
  }

  ModalDriver driver_;
  LoginStore store_;
  int id_ = -1;
  int prompts_ = 0;
};

TEST_F(RequireMasterPasswordTest, SelectLoginDialog) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    store_.FindById(id_)->set_require_master_password(1);
    prompts_ = 0;
    driver_.boxes.clear();
    SelectLoginDialog dialog(store_, {id_});
    auto* box = dialog.ControlAs<QCheckBox>(kSelectRequireBox);
    ASSERT_TRUE(box->isChecked());
    ExpectPrompt(c.answer);
    box->click();
    ExpectOutcome(c.answer, box->isChecked());
    EXPECT_EQ(store_.FindById(id_)->require_master_password(), c.answer != Answer::kRight);
    // Turning it back on asks nothing.
    if (!box->isChecked()) {
      box->click();
      EXPECT_TRUE(store_.FindById(id_)->require_master_password());
      EXPECT_EQ(prompts_, 1);
    }
  }
}

TEST_F(RequireMasterPasswordTest, LoginRecordEditor) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    store_.FindById(id_)->set_require_master_password(1);
    prompts_ = 0;
    driver_.boxes.clear();
    LoginRecordForm form(store_, id_);
    driver_.Ignore(&form);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto* box = form.ControlAs<QCheckBox>(kRecordRequireMasterCheck);
    ASSERT_TRUE(box->isChecked());
    ExpectPrompt(c.answer);
    box->click();
    ExpectOutcome(c.answer, box->isChecked());
    // Unticking again after a refusal or a right answer asks no more.
    if (c.answer == Answer::kRight) {
      box->click();
      box->click();
      EXPECT_EQ(prompts_, 1);
    }
    form.ControlAs<QPushButton>(1)->click();
    EXPECT_EQ(store_.FindById(id_)->require_master_password(), c.answer != Answer::kRight);
  }
}

TEST_F(RequireMasterPasswordTest, EditorKeepsAFlagTurnedOnMeanwhile) {
  // Off when the form opened; another client turns it on while the form is
  // open: closing the form does not take the protection off unasked.
  store_.FindById(id_)->set_require_master_password(0);
  LoginRecordForm form(store_, id_);
  driver_.Ignore(&form);
  form.show();
  store_.FindById(id_)->set_require_master_password(1);
  form.ControlAs<QPushButton>(1)->click();
  EXPECT_TRUE(store_.FindById(id_)->require_master_password());
  EXPECT_TRUE(driver_.unexpected.empty());
}

}  // namespace
}  // namespace zr
