// The Login Manager window (dialog 220): the list of stored logins with edit,
// delete, the automatic-fill toggle, sorting and showing passwords.
#ifndef ZRFORM_UI_LOGIN_MANAGER_DIALOG_H_
#define ZRFORM_UI_LOGIN_MANAGER_DIALOG_H_

#include <QString>
#include <functional>

#include "forms/prompts.h"
#include "ui/template_dialog.h"

namespace zr {

class LoginListView;
class LoginStore;

// Shows the Login Manager over store, modally, owned by owner; returns when it
// closes ("&Close" saves the store, Cancel does not). The master-password
// gate has already been passed.
void RunLoginManager(WindowId owner, LoginStore& store);

// Control ids of dialog 220.
inline constexpr int kLoginManagerId = 220;
inline constexpr int kManagerList = 240;
inline constexpr int kManagerShowPasswordCheck = 208;
inline constexpr int kManagerEditButton = 234;
inline constexpr int kManagerDeleteButton = 236;
inline constexpr int kManagerMasterPasswordButton = 204;
inline constexpr int kManagerCloseButton = 1;
inline constexpr int kManagerImportButton = 270;
inline constexpr int kManagerExportButton = 271;

// The window itself. Every change is made in the store at once; "&Close"
// (result 1) saves the store to its file, any other way out does not.
class LoginManagerDialog : public TemplateDialog {
  Q_OBJECT

 public:
  explicit LoginManagerDialog(LoginStore& store, QWidget* parent = nullptr);

  LoginListView& list_view() { return *list_view_; }

  void done(int result) override;

  void Edit();
  void Delete();
  void ChangeMasterPassword();
  void Import();
  void Export();

  // Asks for the file to import (save false) or export to (save true); an
  // empty name when the user cancels. A file window unless replaced (tests).
  std::function<QString(QWidget* parent, bool save)> choose_file;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Places the controls for a client area of width by height pixels.
  void LayOut(int width, int height);

  LoginStore& store_;
  LoginListView* list_view_;
};

}  // namespace zr

#endif  // ZRFORM_UI_LOGIN_MANAGER_DIALOG_H_
