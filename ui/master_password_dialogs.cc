// The master-password prompt (224) and set-up (225), and the change of the
// master password from the Login Manager.
#include "ui/master_password_dialogs.h"

#include <QLineEdit>

#include "platform/secret_memory.h"
#include "resources/string_table.h"
#include "store/login_store.h"
#include "ui/control_text.h"
#include "ui/message_box.h"

namespace zr {
namespace {

constexpr int kPromptEdit = 247;
constexpr int kPasswordEdit = 206;
constexpr int kConfirmationEdit = 209;

}  // namespace

MasterPasswordPrompt::MasterPasswordPrompt(QWidget* parent) : TemplateDialog(224, parent) {}

// The typed texts are wiped when the dialog goes away.
MasterPasswordPrompt::~MasterPasswordPrompt() { WipeString(password_); }

void MasterPasswordPrompt::accept() {
  password_ = ToCodePage(ControlAs<QLineEdit>(kPromptEdit)->text());
  TemplateDialog::accept();
}

MasterPasswordSetup::MasterPasswordSetup(std::string_view password, std::string_view confirmation,
                                         QWidget* parent)
    : TemplateDialog(225, parent), password_(password), confirmation_(confirmation) {
  ControlAs<QLineEdit>(kPasswordEdit)->setText(FromCodePage(password_));
  ControlAs<QLineEdit>(kConfirmationEdit)->setText(FromCodePage(confirmation_));
}

MasterPasswordSetup::~MasterPasswordSetup() {
  WipeString(password_);
  WipeString(confirmation_);
}

void MasterPasswordSetup::accept() {
  const QString password = ControlAs<QLineEdit>(kPasswordEdit)->text();
  const QString confirmation = ControlAs<QLineEdit>(kConfirmationEdit)->text();
  password_ = ToCodePage(password);
  confirmation_ = ToCodePage(confirmation);
  // The entries are compared as typed, case-sensitively; two empty ones agree.
  if (password != confirmation) {
    ShowMessageBox(this, 0, LoadString(kIdsPasswordsDiffer), kErrorCaption, MessageIcon::kStop,
                   MessageButtons::kOk);
    return;
  }
  TemplateDialog::accept();
}

bool ConfirmMasterPassword(QWidget* parent, const LoginStore& store) {
  if (store.master_password().empty()) return true;
  MasterPasswordPrompt prompt(parent);
  if (prompt.exec() != QDialog::Accepted) return false;
  // Read again after the prompt: other calls may have run while it was open.
  if (EqualInConstantTime(prompt.password(), store.master_password())) return true;
  ShowMessageBox(parent, 0, LoadString(kIdsIncorrectPassword), kErrorCaption, MessageIcon::kStop,
                 MessageButtons::kOk);
  return false;
}

bool ChangeMasterPassword(QWidget* parent, LoginStore& store) {
  MasterPasswordSetup setup(store.master_password(), store.master_password(), parent);
  if (setup.exec() != QDialog::Accepted) return false;
  store.set_master_password_text(setup.password());
  return true;
}

}  // namespace zr
