// The login record editor: empty field names and descriptions are refused in
// words, every way of closing writes the record (with the edit still being
// typed), and a record another client deletes closes the form unwritten.
#include "ui/login_record_form.h"

#include <QListWidget>

#include "ui_test_support.h"

namespace zr {
namespace {

class LoginRecordFormTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void Open() {
    form_.reset();  // before the store it edits is replaced
    store_ = LoginStore();
    id_ = AddRecord(
        store_, "Mail",
        {{"user", "ann", "text", "", "Login"}, {"pass", "s3cret", "password", "", "Password"}});
    form_ = std::make_unique<LoginRecordForm>(store_, id_);
    driver_.Ignore(form_.get());
    ShowActive(*form_);
    auto* list = form_->ControlAs<QListWidget>(kRecordFieldList);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
  }
  LoginField& Field() { return *store_.FindById(id_)->FieldAt(1); }
  QLineEdit* Edit(int id) { return form_->ControlAs<QLineEdit>(id); }

  ModalDriver driver_;
  LoginStore store_;
  int id_ = -1;
  std::unique_ptr<LoginRecordForm> form_;
};

// Retry or Cancel (which shows the old text again); a later commit writes the
// rest of the field, never the empty text.
TEST_F(LoginRecordFormTest, EmptyNameOrDescriptionIsRefused) {
  for (auto [edit, text, answer, shown_after] :
       {std::tuple{kRecordFieldNameEdit, "Empty field is not allowed", QMessageBox::Cancel, "pass"},
        {kRecordFieldDescriptionEdit, "Please enter the field description", QMessageBox::Retry,
         ""}}) {
    SCOPED_TRACE(text);
    driver_.Answer(answer);
    Edit(edit)->setFocus(Qt::MouseFocusReason);
    Retype(Edit(edit), "");
    QTest::keyClick(Edit(edit), Qt::Key_Tab);
    EXPECT_EQ(driver_.boxes.back(), text);
    EXPECT_EQ(Edit(edit)->text(), shown_after);
    EXPECT_EQ(form_->focusWidget(), Edit(edit));
    QTest::mouseClick(form_->ControlAs<QAbstractButton>(kRecordTextRadio), Qt::LeftButton);
    EXPECT_EQ(Field().type + "/" + Field().field_name + "/" + Field().description,
              "text/pass/Password");
    Open();
  }
  EXPECT_EQ(driver_.boxes.size(), 2u);
}

TEST_F(LoginRecordFormTest, EveryWayOfClosingWritesTheRecord) {
  for (bool escape : {true, false}) {
    Edit(kRecordSiteEdit)->setText("new.example");
    form_->ControlAs<QCheckBox>(kRecordFillAutomaticallyCheck)->setChecked(true);
    Edit(kRecordFieldValueEdit)->setFocus();  // still focused when the form closes
    QTest::keyClicks(Edit(kRecordFieldValueEdit), "!");
    escape ? QTest::keyClick(form_.get(), Qt::Key_Escape)
           : form_->ControlAs<QPushButton>(1)->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(store_.FindById(id_)->site(), "new.example");
    EXPECT_TRUE(store_.FindById(id_)->fill_automatically());
    EXPECT_EQ(Field().value, "s3cret!");
    Open();
  }
}

TEST_F(LoginRecordFormTest, RecordDeletedByAnotherClientClosesWithoutWriting) {
  store_.Delete(id_);  // another client's call, run by the form's event loop
  Edit(kRecordFieldValueEdit)->setFocus();
  QTest::keyClicks(Edit(kRecordFieldValueEdit), "lost");
  QTest::keyClick(Edit(kRecordFieldValueEdit), Qt::Key_Tab);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->record_lost());
}

}  // namespace
}  // namespace zr
