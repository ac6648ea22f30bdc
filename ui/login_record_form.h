// The login record editor (dialog 231): one record's site address,
// description and flags, and its captured fields. List item i always stands
// for field i of the record. The record is found by id at every step, since
// another client may change or delete it while the form is open.
#ifndef ZRFORM_UI_LOGIN_RECORD_FORM_H_
#define ZRFORM_UI_LOGIN_RECORD_FORM_H_

#include <QString>
#include <optional>

#include "ui/template_dialog.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace zr {

class LoginRecord;
class LoginStore;

// Control ids of dialog 231.
inline constexpr int kLoginRecordFormId = 231;
inline constexpr int kRecordSiteEdit = 243;
inline constexpr int kRecordDescriptionEdit = 237;
inline constexpr int kRecordFieldDescriptionEdit = 254;
inline constexpr int kRecordFieldNameEdit = 239;
inline constexpr int kRecordFieldValueEdit = 242;
inline constexpr int kRecordFormNameEdit = 248;
inline constexpr int kRecordNewButton = 206;
inline constexpr int kRecordRemoveButton = 246;
inline constexpr int kRecordFillAutomaticallyCheck = 255;
inline constexpr int kRecordRequireMasterCheck = 257;
inline constexpr int kRecordFieldList = 235;
inline constexpr int kRecordTextRadio = 250;
inline constexpr int kRecordPasswordRadio = 252;

class LoginRecordForm : public TemplateDialog {
  Q_OBJECT

 public:
  // Edits the record with record_id of store in place. Field edits are written
  // as each edit loses the focus; the record's own properties when the form
  // closes, however it closes. Nothing is written to disk.
  LoginRecordForm(LoginStore& store, int record_id, QWidget* parent = nullptr);

  // Whether the record was gone when the form last looked for it; the form
  // then closed without writing anything.
  bool record_lost() const { return record_lost_; }

  // Close (1: "&Close" or Enter; anything else: Escape or the close box).
  // Writes the record's own properties unless it has been deleted meanwhile.
  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The record, or null after it was deleted (the form is then closed). When
  // the list has fallen out of step with the record's fields (another client
  // replaced them), the list is rebuilt first and in_step is set false.
  LoginRecord* FindRecord(bool* in_step = nullptr);
  void Abandon();
  // Clearing "Require master password to fill in" asks for the master
  // password once (ConfirmMasterPassword); refused, the box goes back.
  void RequireMasterClicked();
  // The id of the field edit object is, or 0.
  int FieldEditId(const QObject* object) const;
  void FillList(const LoginRecord& record);
  bool ListInStep(const LoginRecord& record) const;
  int Selection() const;
  void Select(int row);

  void ShowField();
  void NewField();
  void RemoveField();
  // Writes what control holds into the record. interactive false (while
  // closing) writes what is valid and asks nothing.
  void CommitFieldEdit(int control, bool interactive = true);
  void CommitNewField(LoginRecord& record);
  void RefuseEmpty(int control, int text_id, const std::optional<QString>& previous_name,
                   const std::optional<QString>& previous_description);
  void WriteBack(LoginRecord& record, int row);
  void RestoreFieldEdit(const std::optional<QString>& previous_name,
                        const std::optional<QString>& previous_description);
  void ClearFieldMembers();
  // The field members from and into their controls.
  void ReadFieldControls();
  void PutFieldMembers();
  void PutRecordMembers();

  LoginStore& store_;
  int record_id_;
  bool record_lost_ = false;
  bool closing_ = false;
  bool committing_ = false;

  QListWidget* list_;
  QLineEdit* site_edit_;
  QLineEdit* description_edit_;
  QLineEdit* field_name_edit_;
  QLineEdit* field_value_edit_;
  QLineEdit* form_name_edit_;
  QLineEdit* field_description_edit_;
  QRadioButton* text_radio_;
  QRadioButton* password_radio_;
  QCheckBox* fill_automatically_check_;
  QCheckBox* require_master_check_;

  QString site_;
  QString description_;
  QString field_name_;
  QString field_value_;
  QString form_name_;
  QString field_description_;
  int type_choice_ = -1;  // -1 none, 0 "&Text", 1 "&Password"
  bool fill_automatically_ = false;
  bool require_master_password_ = false;
  // The master password was given in this form to turn the protection off.
  bool master_password_given_ = false;
};

}  // namespace zr

#endif  // ZRFORM_UI_LOGIN_RECORD_FORM_H_
