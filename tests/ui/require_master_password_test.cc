// Turning "Require master password to fill in" off, in the select-login
// dialog and in the login record editor: the master password is asked once;
// given right the flag comes off, wrong or cancelled the box goes back and
// the record stays protected.
#include "ui/login_record_form.h"
#include "ui/master_password_dialogs.h"
#include "ui/select_login_dialog.h"
#include "ui_test_support.h"

namespace zr {
namespace {

// open shows a window over the record and returns its box; close closes it.
void CheckUntick(const std::function<QCheckBox*(LoginStore&, int)>& open,
                 const std::function<void()>& close) {
  for (const char* typed :
       {"master", "guess", static_cast<const char*>(nullptr)}) {  // null: Cancel
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

TEST(RequireMasterPasswordTest, SelectLoginDialog) {
  std::unique_ptr<SelectLoginDialog> dialog;
  CheckUntick(
      [&](LoginStore& store, int id) {
        dialog = std::make_unique<SelectLoginDialog>(store, std::vector<int>{id});
        return dialog->ControlAs<QCheckBox>(256);
      },
      [] {});
}

TEST(RequireMasterPasswordTest, LoginRecordEditor) {
  std::unique_ptr<LoginRecordForm> form;
  CheckUntick(
      [&](LoginStore& store, int id) {
        form = std::make_unique<LoginRecordForm>(store, id);
        form->show();
        return form->ControlAs<QCheckBox>(kRecordRequireMasterCheck);
      },
      [&] { form->ControlAs<QPushButton>(1)->click(); });
}

}  // namespace
}  // namespace zr
