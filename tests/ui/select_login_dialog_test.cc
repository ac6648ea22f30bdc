// The select-login dialog's Login, Cancel and Escape, and the master-password gate that guards
// unticking "Require master password" there and in the editor.
#include "ui/select_login_dialog.h"

#include <QComboBox>

#include "ui/login_record_form.h"
#include "ui/master_password_dialogs.h"
#include "ui_test_support.h"

namespace zr {
namespace {

class SelectLoginDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CustomFields().Reset();  // a save also writes the process's custom fields
    mike_ = AddRecord(store_, "Mail", {{"username", "mike", "text", "", ""}});
    guest_ = AddRecord(store_, "Guest", {});
    alice_ = AddRecord(store_, "Bank", {{"username", "alice", "text", "", ""}});
  }
  testing::TempDir folder_;
  const std::string path_ = folder_.File("Password.dat");
  LoginStore store_;
  int mike_ = 0, guest_ = 0, alice_ = 0;
};

// The box's click takes effect in memory at once; only "&Login" saves it.
TEST_F(SelectLoginDialogTest, LoginChoosesAndSavesCancelOrEscapeNeither) {
  for (const char* close : {"ok", "cancel", "escape"}) {
    SCOPED_TRACE(close);
    store_.FindById(mike_)->set_require_master_password(0);
    ASSERT_TRUE(store_.Save(path_));
    SelectLoginDialog dialog(store_, {mike_, guest_});
    ModalDriver driver;
    driver.Then([&](QWidget*) {
      dialog.ControlAs<QComboBox>(263)->setCurrentIndex(1);  // mike
      dialog.ControlAs<QCheckBox>(256)->click();
      CloseAs(dialog, close, &dialog);
    });
    dialog.exec();
    EXPECT_EQ(dialog.chosen_id(), *close == 'o' ? mike_ : -1);
    EXPECT_TRUE(store_.FindById(mike_)->require_master_password());
    LoginStore saved;
    ASSERT_TRUE(saved.Load(path_));
    EXPECT_EQ(saved.GetAt(0)->require_master_password(), *close == 'o');
  }
}

TEST_F(SelectLoginDialogTest, RecordDeletedWhileOpenIsNeverChosen) {
  store_.FindById(alice_)->set_require_master_password(1);
  SelectLoginDialog dialog(store_, {mike_, alice_});
  ModalDriver driver;
  driver.Then([&](QWidget*) {
    store_.Delete(alice_);                      // another client's call, run inside the dialog
    dialog.ControlAs<QCheckBox>(256)->click();  // writes nothing anywhere
    auto* combo = dialog.ControlAs<QComboBox>(263);
    EXPECT_EQ(combo->count() == 1 ? combo->itemText(0) + "=" + combo->itemData(0).toString() : "",
              QString("mike=%1").arg(mike_));
    EXPECT_FALSE(dialog.ControlAs<QCheckBox>(256)->isChecked()) << "shows mike's own flag";
    dialog.ControlAs<QPushButton>(1)->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(dialog.chosen_id(), mike_);
  EXPECT_FALSE(store_.FindById(mike_)->require_master_password());
}

// open shows a window over the record and returns its box; close closes it. A null entry is
// Cancel.
void CheckUntick(const std::function<QCheckBox*(LoginStore&, int)>& open,
                 const std::function<void()>& close) {
  for (const char* typed : {"master", "guess", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(typed ? typed : "cancel");
    const bool right = typed && std::string(typed) == "master";
    LoginStore store;
    store.set_master_password_text("master");
    const int id = AddRecord(store, "Bank", {});
    store.FindById(id)->set_require_master_password(1);
    ModalDriver driver;
    driver.Then([&](QWidget* modal) {
      auto* prompt = qobject_cast<MasterPasswordPrompt*>(modal);
      ASSERT_NE(prompt, nullptr);
      if (!typed) return prompt->reject();
      prompt->ControlAs<QLineEdit>(247)->setText(typed);
      prompt->accept();
    });
    if (typed && !right) driver.Answer(QMessageBox::Ok);
    QCheckBox* box = open(store, id);
    box->click();
    EXPECT_EQ(box->isChecked(), !right);
    EXPECT_EQ(driver.pending() + driver.unexpected.size(), 0u);  // asked once, and only that
    EXPECT_EQ(driver.boxes, typed && !right
                                ? std::vector<QString>{"The password you entered is incorrect!"}
                                : std::vector<QString>{});
    close();
    EXPECT_EQ(store.FindById(id)->require_master_password(), !right);
  }
}

TEST(RequireMasterPasswordTest, UntickingInTheSelectLoginDialogAndTheEditorAsksForIt) {
  std::unique_ptr<SelectLoginDialog> dialog;
  std::unique_ptr<LoginRecordForm> form;
  CheckUntick(
      [&](LoginStore& store, int id) {
        dialog = std::make_unique<SelectLoginDialog>(store, std::vector<int>{id});
        return dialog->ControlAs<QCheckBox>(256);
      },
      [] {});
  CheckUntick(
      [&](LoginStore& store, int id) {
        form = std::make_unique<LoginRecordForm>(store, id);
        form->show();
        return form->ControlAs<QCheckBox>(kRecordRequireMasterCheck);
      },
      [&] { form->ControlAs<QPushButton>(1)->click(); });
}

// Turned on by another client while the form is open: closing does not take it off.
TEST(RequireMasterPasswordTest, EditorKeepsAFlagTurnedOnMeanwhile) {
  LoginStore store;
  const int id = AddRecord(store, "Bank", {});
  LoginRecordForm form(store, id);
  store.FindById(id)->set_require_master_password(1);
  form.ControlAs<QPushButton>(1)->click();
  EXPECT_TRUE(store.FindById(id)->require_master_password());
}

}  // namespace
}  // namespace zr
