// The login record editor: field edits commit on focus loss, New needs a
// name, empty names and descriptions are refused, every way of closing writes
// the record, and a record another client deletes closes the form unwritten.
#include "ui/login_record_form.h"

#include <QListWidget>

#include "ui_test_support.h"

namespace zr {
namespace {

class LoginRecordFormTest : public ::testing::Test {
 protected:
  void Open(std::vector<FieldRow> fields = {{"user", "ann", "text", "", "Login"}, {"pass", "s3cret", "password", "", "Password"}}) {
    form_.reset();  // before the store it edits is replaced
    store_ = LoginStore();
    id_ = AddRecord(store_, "Mail", fields);
    form_ = std::make_unique<LoginRecordForm>(store_, id_);
    driver_.Ignore(form_.get());
    ShowActive(*form_);
  }
  LoginField& Field(int i) { return *store_.FindById(id_)->FieldAt(i); }
  QLineEdit* Edit(int id) { return form_->ControlAs<QLineEdit>(id); }
  void Click(int id) { QTest::mouseClick(form_->ControlAs<QAbstractButton>(id), Qt::LeftButton); }
  void SelectField(int row) {
    auto* list = form_->ControlAs<QListWidget>(kRecordFieldList);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
  }
  void RetypeAndTab(int id, const QString& text) {
    Edit(id)->setFocus(Qt::MouseFocusReason);
    Retype(Edit(id), text);
    QTest::keyClick(Edit(id), Qt::Key_Tab);
  }

  ModalDriver driver_;
  LoginStore store_;
  int id_ = -1;
  std::unique_ptr<LoginRecordForm> form_;
};

TEST_F(LoginRecordFormTest, FieldEditsAreCommittedToTheSelectedFieldOnFocusLoss) {
  Open();
  SelectField(1);
  RetypeAndTab(kRecordFieldValueEdit, "n3w");
  RetypeAndTab(kRecordFieldNameEdit, "passwd");
  Click(kRecordTextRadio);
  EXPECT_EQ(Field(1).value + "/" + Field(1).field_name + "/" + Field(1).type, "n3w/passwd/text");
  Click(kRecordPasswordRadio);
  EXPECT_EQ(Field(1).type, "password");
  EXPECT_EQ(Field(0).value, "ann");
}

TEST_F(LoginRecordFormTest, NewFieldComesIntoBeingWithItsName) {
  Open({});
  Click(kRecordNewButton);
  RetypeAndTab(kRecordFieldValueEdit, "4711");
  EXPECT_EQ(store_.FindById(id_)->FieldCount(), 0) << "New alone adds nothing";
  RetypeAndTab(kRecordFieldNameEdit, "account");
  ASSERT_EQ(store_.FindById(id_)->FieldCount(), 1);
  EXPECT_EQ(Field(0).field_name + "/" + Field(0).value + "/" + Field(0).type + "/" + Field(0).description, "account/4711/text/unnamed field");
  EXPECT_EQ(form_->ControlAs<QListWidget>(kRecordFieldList)->item(0)->text(), "unnamed field");
}

// Refused with Retry/Cancel (Cancel shows the old text again); a later commit writes the rest, never the empty text.
TEST_F(LoginRecordFormTest, EmptyNameOrDescriptionIsRefused) {
  for (auto [edit, text, answer, shown_after] :
       {std::tuple{kRecordFieldNameEdit, "Empty field is not allowed", QMessageBox::Cancel, "pass"},
        {kRecordFieldDescriptionEdit, "Please enter the field description", QMessageBox::Retry, ""}}) {
    SCOPED_TRACE(text);
    Open();
    SelectField(1);
    driver_.boxes.clear();
    driver_.Answer(answer);
    RetypeAndTab(edit, "");
    ASSERT_EQ(driver_.boxes.size(), 1u);
    EXPECT_EQ(driver_.boxes[0].text, text);
    EXPECT_EQ(Edit(edit)->text(), shown_after);
    EXPECT_EQ(form_->focusWidget(), Edit(edit));
    Click(kRecordTextRadio);
    EXPECT_EQ(Field(1).type + "/" + Field(1).field_name + "/" + Field(1).description, "text/pass/Password");
  }
}

TEST_F(LoginRecordFormTest, EveryWayOfClosingWritesTheRecord) {
  for (bool escape : {true, false}) {
    Open();
    Edit(kRecordSiteEdit)->setText("new.example.com");
    form_->ControlAs<QCheckBox>(kRecordFillAutomaticallyCheck)->setChecked(true);
    SelectField(1);
    Edit(kRecordFieldValueEdit)->setFocus();  // still focused when the form closes
    QTest::keyClicks(Edit(kRecordFieldValueEdit), "!");
    escape ? QTest::keyClick(form_.get(), Qt::Key_Escape) : form_->ControlAs<QPushButton>(1)->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(store_.FindById(id_)->site(), "new.example.com");
    EXPECT_TRUE(store_.FindById(id_)->fill_automatically());
    EXPECT_EQ(Field(1).value, "s3cret!");
  }
}

TEST_F(LoginRecordFormTest, RecordDeletedByAnotherClientClosesWithoutWriting) {
  Open();
  store_.Delete(id_);  // another client's call, run by the form's event loop
  RetypeAndTab(kRecordFieldValueEdit, "lost");
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->record_lost());
}

}  // namespace
}  // namespace zr
