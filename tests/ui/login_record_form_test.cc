// The login record editor driven through its widgets: commits on focus loss,
// the refusals, New and Remove, closing, and a record that another client
// deletes while the form is open.
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
  void Open(std::vector<FieldRow> fields = {{"user", "ann", "text", "", "Login"},
                                            {"pass", "s3cret", "password", "", "Password"},
                                            {"domain", "home", "TEXT", "f1", "Domain"}}) {
    form_.reset();  // before the store it edits is replaced
    store_ = LoginStore();
    id_ = AddRecord(store_, "Mail", "mail.example.com", fields);
    form_ = std::make_unique<LoginRecordForm>(store_, id_);
    driver_.Ignore(form_.get());
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  LoginRecord& Record() { return *store_.FindById(id_); }
  QLineEdit* Edit(int id) { return form_->ControlAs<QLineEdit>(id); }
  QListWidget* List() { return form_->ControlAs<QListWidget>(kRecordFieldList); }
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

TEST_F(LoginRecordFormTest, FieldEditsAreCommittedToTheSelectedFieldOnFocusLoss) {
  Open();
  SelectField(1);
  Retype(kRecordFieldValueEdit, "n3w");
  Retype(kRecordFieldNameEdit, "passwd");
  EXPECT_EQ(Record().FieldAt(1)->value, "n3w");
  EXPECT_EQ(Record().FieldAt(1)->field_name, "passwd");
  Click(kRecordTextRadio);
  EXPECT_EQ(Record().FieldAt(1)->type, "text");
  Click(kRecordPasswordRadio);
  EXPECT_EQ(Record().FieldAt(1)->type, "password");
  EXPECT_EQ(Record().FieldAt(0)->value, "ann") << "other fields untouched";
  EXPECT_EQ(Record().FieldAt(2)->value, "home");
}

TEST_F(LoginRecordFormTest, NewFieldComesIntoBeingWithItsName) {
  Open({});
  Click(kRecordNewButton);
  Retype(kRecordFieldValueEdit, "4711");
  EXPECT_EQ(Record().FieldCount(), 0) << "New alone adds nothing";
  Retype(kRecordFieldNameEdit, "account");
  ASSERT_EQ(Record().FieldCount(), 1);
  const LoginField& field = *Record().FieldAt(0);
  EXPECT_EQ(field.field_name, "account");
  EXPECT_EQ(field.value, "4711");
  EXPECT_EQ(field.type, "text");
  EXPECT_EQ(field.description, "unnamed field");
  ExpectListInStep();
}

// Refused with Retry/Cancel; Cancel shows the old text again. Another commit
// while the refused edit is empty writes the rest, never the empty text.
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
    SCOPED_TRACE(c.text);
    Open();
    SelectField(1);
    driver_.boxes.clear();
    driver_.Answer(c.answer);
    Retype(c.edit, "");
    ASSERT_EQ(driver_.boxes.size(), 1u);
    EXPECT_EQ(driver_.boxes[0].text, c.text);
    EXPECT_EQ(Edit(c.edit)->text(), c.shown_after);
    EXPECT_EQ(form_->focusWidget(), Edit(c.edit)) << "the focus goes back to the edit";
    Click(kRecordTextRadio);
    EXPECT_EQ(Record().FieldAt(1)->type, "text");
    EXPECT_EQ(Record().FieldAt(1)->field_name, "pass");
    EXPECT_EQ(Record().FieldAt(1)->description, "Password");
  }
}

// No keeps the field; Yes removes it and selects the one that took its place,
// or the new last.
TEST_F(LoginRecordFormTest, RemoveAsksAndSelectsTheNeighbour) {
  Open();
  const struct {
    int select;
    QMessageBox::StandardButton answer;
    const char* name_after;
  } steps[] = {{1, QMessageBox::No, "pass"}, {1, QMessageBox::Yes, "domain"},
               {1, QMessageBox::Yes, "user"}, {0, QMessageBox::Yes, ""}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name_after);
    SelectField(step.select);
    driver_.Answer(step.answer);
    Click(kRecordRemoveButton);
    EXPECT_EQ(Edit(kRecordFieldNameEdit)->text(), step.name_after);
    ExpectListInStep();
  }
  EXPECT_EQ(driver_.boxes.back().text, "Are you sure you want to remove this field?");
  EXPECT_EQ(Record().FieldCount(), 0);
}

TEST_F(LoginRecordFormTest, EveryWayOfClosingWritesTheRecord) {
  const std::function<void(LoginRecordForm&)> closers[] = {
      [](LoginRecordForm& form) { QTest::keyClick(&form, Qt::Key_Escape); },
      [](LoginRecordForm& form) { form.ControlAs<QPushButton>(1)->click(); },
  };
  for (const auto& close : closers) {
    Open();
    Edit(kRecordSiteEdit)->setText("new.example.com");
    Edit(kRecordDescriptionEdit)->setText("New mail");
    form_->ControlAs<QCheckBox>(kRecordFillAutomaticallyCheck)->setChecked(true);
    SelectField(1);
    // Typed into a field edit that still has the focus when the form closes.
    Edit(kRecordFieldValueEdit)->setFocus();
    QTest::keyClicks(Edit(kRecordFieldValueEdit), "!");
    close(*form_);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(Record().site(), "new.example.com");
    EXPECT_EQ(Record().description(), "New mail");
    EXPECT_TRUE(Record().fill_automatically());
    EXPECT_EQ(Record().FieldAt(1)->value, "s3cret!");
  }
}

TEST_F(LoginRecordFormTest, RecordDeletedByAnotherClientClosesWithoutWriting) {
  Open();
  store_.Delete(id_);  // another client's call, run by the form's event loop
  Retype(kRecordFieldValueEdit, "lost");
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->record_lost());
  EXPECT_EQ(store_.Count(), 0);
}

}  // namespace
}  // namespace zr
