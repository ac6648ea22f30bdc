// The select-login dialog (233): the user picks which stored login fills the
// page by its login name, sees its details and may switch its two flags.
#ifndef ZRFORM_UI_SELECT_LOGIN_DIALOG_H_
#define ZRFORM_UI_SELECT_LOGIN_DIALOG_H_

#include <vector>

#include "ui/template_dialog.h"

namespace zr {

class LoginRecord;
class LoginStore;

// Lists the records of ids that exist, by login name ("(no user name)" when
// empty) in sorted order, each item holding its record's id; the first item
// is selected and shown. A click on a flag box writes that flag to the shown
// record at once; clearing "Require master password to fill in" first asks
// for the master password (ConfirmMasterPassword), and without it the box
// goes back. "&Login" chooses the selected record and saves the store;
// Cancel chooses -1 and saves nothing. Records are looked up by id at every
// step, so a record deleted meanwhile (by a call run inside the dialog's
// event loop) loses its item instead of being used.
class SelectLoginDialog : public TemplateDialog {
  Q_OBJECT

 public:
  // store and ids must outlive the dialog.
  SelectLoginDialog(LoginStore& store, const std::vector<int>& ids, QWidget* parent = nullptr);
  // The chosen record id: 0 before the dialog closes, then the id taken with
  // "&Login", or -1.
  int chosen_id() const { return chosen_id_; }
  void accept() override;
  void reject() override;

 private:
  // The record of the selected item. Items whose record is gone are removed
  // (selecting the next item) until one is found; null when none is left.
  LoginRecord* SelectedRecord();
  void ShowRecord(const LoginRecord* record);
  void OnFlagClicked(int box_id);

  LoginStore& store_;
  int chosen_id_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_UI_SELECT_LOGIN_DIALOG_H_
