// The master-password dialogs: the prompt (224), the set-up (225) with its
// rule that both entries agree, and the change made from the Login Manager.
#ifndef ZRFORM_UI_MASTER_PASSWORD_DIALOGS_H_
#define ZRFORM_UI_MASTER_PASSWORD_DIALOGS_H_

#include <string>
#include <string_view>

#include "ui/template_dialog.h"

namespace zr {

class LoginStore;

// Dialog 224: one masked entry. OK reads it; Cancel, Escape and the close box
// reject.
class MasterPasswordPrompt : public TemplateDialog {
  Q_OBJECT

 public:
  explicit MasterPasswordPrompt(QWidget* parent = nullptr);
  ~MasterPasswordPrompt() override;
  // The entry in the code page; empty until OK.
  const std::string& password() const { return password_; }
  void accept() override;

 private:
  std::string password_;
};

// Dialog 225: password and confirmation, both opening with the given texts
// (code page). OK closes only when the two entries are equal (two empty ones
// are); otherwise it shows message 32771 and stays open with the entries.
class MasterPasswordSetup : public TemplateDialog {
  Q_OBJECT

 public:
  explicit MasterPasswordSetup(std::string_view password = {}, std::string_view confirmation = {},
                               QWidget* parent = nullptr);
  ~MasterPasswordSetup() override;
  // The entries in the code page, as read at the last OK.
  const std::string& password() const { return password_; }
  const std::string& confirmation() const { return confirmation_; }
  void accept() override;

 private:
  std::string password_;
  std::string confirmation_;
};

// The Login Manager's "&Master Password": dialog 225 opening with the current
// master password in both edits, owned by parent. OK makes the entry the
// store's master password in memory (an empty pair unsets it) and returns
// true; Cancel changes nothing and returns false. Writes no file.
bool ChangeMasterPassword(QWidget* parent, LoginStore& store);

// Before "Require master password to fill in" is turned off: asks for the
// master password once with dialog 224, owned by parent. True when it was
// given right, or when no master password is set (there is nothing the flag
// could then withhold); a wrong entry shows message 32770 and gives false,
// as does Cancel. The entry is compared in constant time.
bool ConfirmMasterPassword(QWidget* parent, const LoginStore& store);

}  // namespace zr

#endif  // ZRFORM_UI_MASTER_PASSWORD_DIALOGS_H_
