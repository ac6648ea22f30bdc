// QtPrompts: each question of the core answered by its Qt dialog, owned by the
// caller's window. Without a display each answers as its Cancel would.
#include "ui/qt_prompts.h"

#include <QApplication>
#include <cstdio>

#include "ui/form_manager_sheet.h"
#include "ui/login_manager_dialog.h"
#include "ui/master_password_dialogs.h"
#include "ui/message_box.h"
#include "ui/remember_password_dialog.h"
#include "ui/select_login_dialog.h"

namespace zr {

bool QtPrompts::MayShow(const char* what) const {
  if (has_display_ && qobject_cast<QApplication*>(QCoreApplication::instance())) return true;
  std::fprintf(stderr, "zrform: no display: %s cancelled\n", what);
  return false;
}

MessageAnswer QtPrompts::ShowMessage(WindowId owner, std::string_view text,
                                     std::string_view caption, MessageIcon icon,
                                     MessageButtons buttons) {
  if (!MayShow("message box")) return DismissedAnswer(buttons);
  return ShowMessageBox(nullptr, owner, text, caption, icon, buttons);
}

std::optional<std::string> QtPrompts::AskMasterPassword(WindowId owner) {
  if (!MayShow("master password prompt")) return std::nullopt;
  MasterPasswordPrompt prompt;
  prompt.SetOwner(owner);
  if (prompt.exec() != QDialog::Accepted) return std::nullopt;
  return prompt.password();
}

std::optional<std::string> QtPrompts::SetUpMasterPassword(WindowId owner,
                                                          std::string_view initial) {
  if (!MayShow("master password set-up")) return std::nullopt;
  MasterPasswordSetup setup(initial, initial);
  setup.SetOwner(owner);
  if (setup.exec() != QDialog::Accepted) return std::nullopt;
  return setup.password();
}

int QtPrompts::SelectLogin(WindowId owner, LoginStore& store, const std::vector<int>& ids) {
  if (!MayShow("login selection")) return -1;
  SelectLoginDialog dialog(store, ids);
  dialog.SetOwner(owner);
  dialog.exec();
  return dialog.chosen_id();
}

RememberAnswer QtPrompts::RememberPassword(WindowId owner, RememberPasswordData& data) {
  if (!MayShow("remember-password prompt")) return RememberAnswer::kNo;
  RememberPasswordDialog dialog(data);
  dialog.SetOwner(owner);
  dialog.exec();
  return dialog.answer();
}

void QtPrompts::ShowLoginManager(WindowId owner, LoginStore& store) {
  if (!MayShow("Login Manager")) return;
  RunLoginManager(owner, store);
}

void QtPrompts::ShowFormManager(WindowId owner, FormProfile& home, FormProfile& work) {
  if (!MayShow("Form Manager")) return;
  RunFormManager(owner, home, work);
}

}  // namespace zr
