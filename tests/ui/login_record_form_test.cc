// The login record editor driven through its widgets: commits on focus loss,
// the refusals, New and Remove, the list invariant, closing, and a record
// that another client changes or deletes while the form is open.
#include "ui/login_record_form.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "login_test_support.h"

namespace zr {
namespace {

class LoginRecordFormTest : public ::testing::Test {
 protected:
  // A record of three fields, the third typed "TEXT".
  int AddThreeFields() {
    return AddRecord(store_, "Mail", "mail.example.com",
                     {{"user", "ann", "text", "", "Login"},
                      {"pass", "s3cret", "password", "", "Password"},
                      {"domain", "home", "TEXT", "f1", "Domain"}});
  }
  void Open(int id) {
    id_ = id;
    form_ = std::make_unique<LoginRecordForm>(store_, id);
    driver_.Ignore(form_.get());
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  LoginRecord& Record() { return *store_.FindById(id_); }
  QLineEdit* Edit(int id) { return form_->ControlAs<QLineEdit>(id); }
  QListWidget* List() { return form_->ControlAs<QListWidget>(kRecordFieldList); }
  QRadioButton* Radio(int id) { return form_->ControlAs<QRadioButton>(id); }
  int Selected() {
    const QList<QListWidgetItem*> items = List()->selectedItems();
    return items.isEmpty() ? -1 : List()->row(items.first());
  }
  void Click(int id) { QTest::mouseClick(form_->ControlAs<QAbstractButton>(id), Qt::LeftButton); }
  void SelectField(int row) {
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                      List()->visualItemRect(List()->item(row)).center());
  }
  // Focuses the edit, replaces its text as typed, and tabs out of it.
  void Retype(int id, const QString& text) {
    QLineEdit* edit = Edit(id);
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
  }
  // List item i shows field i's description, index for index.
  void ExpectListInStep() {
    ASSERT_EQ(List()->count(), Record().FieldCount());
    for (int i = 0; i < List()->count(); ++i) {
      EXPECT_EQ(List()->item(i)->text().toStdString(), Record().FieldAt(i)->description) << i;
    }
  }

  ModalDriver driver_;
  LoginStore store_;
  int id_ = -1;
  std::unique_ptr<LoginRecordForm> form_;
};

TEST_F(LoginRecordFormTest, FieldEditsAreCommittedOnFocusLoss) {
  Open(AddThreeFields());
  SelectField(1);
  Retype(kRecordFieldValueEdit, "n3w");
  EXPECT_EQ(Record().FieldAt(1)->value, "n3w");
  Retype(kRecordFieldNameEdit, "passwd");
  EXPECT_EQ(Record().FieldAt(1)->field_name, "passwd");
  QTest::mouseClick(Radio(kRecordTextRadio), Qt::LeftButton);
  EXPECT_EQ(Record().FieldAt(1)->type, "text");
  QTest::mouseClick(Radio(kRecordPasswordRadio), Qt::LeftButton);
  EXPECT_EQ(Record().FieldAt(1)->type, "password");
  EXPECT_EQ(Record().FieldAt(0)->value, "ann") << "other fields untouched";
  ExpectListInStep();
}

TEST_F(LoginRecordFormTest, NewFieldComesIntoBeingWithItsName) {
  Open(AddRecord(store_, "Bank", "bank.example", {}));
  Click(kRecordNewButton);
  EXPECT_TRUE(Edit(kRecordFieldNameEdit)->hasFocus());
  Retype(kRecordFieldValueEdit, "4711");
  EXPECT_EQ(Record().FieldCount(), 0) << "New alone adds nothing";
  Retype(kRecordFieldNameEdit, "account");
  ASSERT_EQ(Record().FieldCount(), 1);
  const LoginField& field = *Record().FieldAt(0);
  EXPECT_EQ(field.field_name, "account");
  EXPECT_EQ(field.value, "4711");
  EXPECT_EQ(field.type, "text");
  EXPECT_EQ(field.form_name, "");
  EXPECT_EQ(field.description, "unnamed field");
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(Edit(kRecordFieldDescriptionEdit)->text(), "unnamed field");
  EXPECT_TRUE(Radio(kRecordTextRadio)->isChecked());
  ExpectListInStep();
}

TEST_F(LoginRecordFormTest, EmptyNameOrDescriptionIsRefused) {
  const struct {
    int edit;
    const char* text;
    QMessageBox::StandardButton answer;
    const char* shown_after;
  } cases[] = {
      {kRecordFieldNameEdit, "Empty field is not allowed", QMessageBox::Cancel, "pass"},
      {kRecordFieldDescriptionEdit, "Please enter the field description", QMessageBox::Retry, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.edit << " " << c.answer);
    store_.Delete(id_);
    Open(AddThreeFields());
    SelectField(1);
    driver_.boxes.clear();
    driver_.Answer(c.answer);
    Retype(c.edit, "");
    ASSERT_EQ(driver_.boxes.size(), 1u);
    EXPECT_EQ(driver_.boxes[0].text, c.text);
    EXPECT_EQ(driver_.boxes[0].caption, "Retry?");
    EXPECT_EQ(Edit(c.edit)->text(), c.shown_after);
    EXPECT_EQ(form_->focusWidget(), Edit(c.edit)) << "the focus goes back to the edit";
    // Another commit of the field while the refused edit is still empty
    // writes the rest, but never an empty name or description.
    QTest::mouseClick(Radio(kRecordTextRadio), Qt::LeftButton);
    EXPECT_EQ(Record().FieldAt(1)->type, "text");
    EXPECT_EQ(Record().FieldAt(1)->field_name, "pass");
    EXPECT_EQ(Record().FieldAt(1)->description, "Password");
    ExpectListInStep();
  }
}

TEST_F(LoginRecordFormTest, RemoveAsksAndSelectsTheNeighbour) {
  Open(AddThreeFields());
  SelectField(1);
  driver_.Answer(QMessageBox::No);
  Click(kRecordRemoveButton);
  ASSERT_EQ(driver_.boxes.size(), 1u);
  EXPECT_EQ(driver_.boxes[0].text, "Are you sure you want to remove this field?");
  EXPECT_EQ(driver_.boxes[0].caption, "sure?");
  EXPECT_EQ(Record().FieldCount(), 3);

  // Removing the middle field selects the one that took its place; removing
  // the last selects the new last; something stays selected while any remain.
  const struct {
    int select;
    int selected_after;
    const char* name_after;
  } steps[] = {{1, 1, "domain"}, {1, 0, "user"}, {0, -1, ""}};
  for (const auto& step : steps) {
    SelectField(step.select);
    driver_.Answer(QMessageBox::Yes);
    Click(kRecordRemoveButton);
    EXPECT_EQ(Selected(), step.selected_after);
    EXPECT_EQ(Edit(kRecordFieldNameEdit)->text(), step.name_after);
    ExpectListInStep();
  }
  EXPECT_EQ(Record().FieldCount(), 0);
}

TEST_F(LoginRecordFormTest, EveryWayOfClosingWritesTheRecord) {
  const std::function<void(LoginRecordForm&)> closers[] = {
      [](LoginRecordForm& form) { QTest::keyClick(&form, Qt::Key_Escape); },
      [](LoginRecordForm& form) {
        QTest::mouseClick(form.ControlAs<QPushButton>(1), Qt::LeftButton);
      },
      [](LoginRecordForm& form) { form.close(); },
  };
  for (const auto& close : closers) {
    store_.Delete(id_);
    Open(AddThreeFields());
    Edit(kRecordSiteEdit)->setText("new.example.com");
    Edit(kRecordDescriptionEdit)->setText("New mail");
    form_->ControlAs<QCheckBox>(kRecordFillAutomaticallyCheck)->setChecked(true);
    form_->ControlAs<QCheckBox>(kRecordRequireMasterCheck)->setChecked(true);
    SelectField(1);
    // Typed into a field edit that still has the focus when the form closes.
    Edit(kRecordFieldValueEdit)->setFocus();
    QTest::keyClicks(Edit(kRecordFieldValueEdit), "!");
    close(*form_);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(Record().site(), "new.example.com");
    EXPECT_EQ(Record().description(), "New mail");
    EXPECT_TRUE(Record().fill_automatically());
    EXPECT_TRUE(Record().require_master_password());
    EXPECT_EQ(Record().FieldAt(1)->value, "s3cret!");
    EXPECT_TRUE(driver_.unexpected.empty());
  }
}

TEST_F(LoginRecordFormTest, RecordDeletedByAnotherClientClosesWithoutWriting) {
  Open(AddThreeFields());
  store_.Delete(id_);  // another client's call, run by the form's event loop
  Retype(kRecordFieldValueEdit, "lost");
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->record_lost());
  EXPECT_EQ(store_.Count(), 0);

  // Deleted while the form waits in its own message box.
  Open(AddThreeFields());
  driver_.Then([this](QWidget* box) {
    store_.Delete(id_);
    static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
  });
  Click(kRecordRemoveButton);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->record_lost());
  EXPECT_TRUE(driver_.unexpected.empty());
}

}  // namespace
}  // namespace zr
