// The login record editor: field edits are committed as they lose the focus,
// the record's own properties when the form closes. Every step finds the
// record again by id; when it is gone the form closes and writes nothing.
#include "ui/login_record_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>

#include "resources/string_table.h"
#include "store/find_no_case.h"
#include "store/login_store.h"
#include "ui/control_text.h"
#include "ui/login_text.h"
#include "ui/master_password_dialogs.h"
#include "ui/message_box.h"

namespace zr {

namespace {

constexpr std::string_view kRetryCaption = "Retry?";
constexpr std::string_view kSureCaption = "sure?";
constexpr std::string_view kTextType = "text";
constexpr std::string_view kPasswordType = "password";

// The type choice a stored type shows as: "text" (any case) is "&Text",
// everything else "&Password".
int TypeChoiceOf(std::string_view type) { return EqualsNoCase(type, kTextType) ? 0 : 1; }

std::optional<QString> PresentText(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return text;
}

// Sets a radio button without its group forcing one button on.
void SetRadio(QRadioButton* radio, bool checked) {
  const bool auto_exclusive = radio->autoExclusive();
  QButtonGroup* group = radio->group();
  const bool exclusive = group && group->exclusive();
  radio->setAutoExclusive(false);
  if (group) group->setExclusive(false);
  radio->setChecked(checked);
  if (group) group->setExclusive(exclusive);
  radio->setAutoExclusive(auto_exclusive);
}

}  // namespace

LoginRecordForm::LoginRecordForm(LoginStore& store, int record_id, QWidget* parent)
    : TemplateDialog(kLoginRecordFormId, parent), store_(store), record_id_(record_id) {
  list_ = ControlAs<QListWidget>(kRecordFieldList);
  site_edit_ = ControlAs<QLineEdit>(kRecordSiteEdit);
  description_edit_ = ControlAs<QLineEdit>(kRecordDescriptionEdit);
  field_name_edit_ = ControlAs<QLineEdit>(kRecordFieldNameEdit);
  field_value_edit_ = ControlAs<QLineEdit>(kRecordFieldValueEdit);
  form_name_edit_ = ControlAs<QLineEdit>(kRecordFormNameEdit);
  field_description_edit_ = ControlAs<QLineEdit>(kRecordFieldDescriptionEdit);
  text_radio_ = ControlAs<QRadioButton>(kRecordTextRadio);
  password_radio_ = ControlAs<QRadioButton>(kRecordPasswordRadio);
  fill_automatically_check_ = ControlAs<QCheckBox>(kRecordFillAutomaticallyCheck);
  require_master_check_ = ControlAs<QCheckBox>(kRecordRequireMasterCheck);

  for (QLineEdit* edit :
       {field_name_edit_, field_value_edit_, form_name_edit_, field_description_edit_}) {
    edit->installEventFilter(this);
  }
  connect(list_, &QListWidget::itemSelectionChanged, this, &LoginRecordForm::ShowField);
  connect(ControlAs<QPushButton>(kRecordNewButton), &QPushButton::clicked, this,
          &LoginRecordForm::NewField);
  connect(ControlAs<QPushButton>(kRecordRemoveButton), &QPushButton::clicked, this,
          &LoginRecordForm::RemoveField);
  connect(require_master_check_, &QCheckBox::clicked, this, &LoginRecordForm::RequireMasterClicked);
  connect(text_radio_, &QRadioButton::clicked, this, [this] { CommitFieldEdit(kRecordTextRadio); });
  connect(password_radio_, &QRadioButton::clicked, this,
          [this] { CommitFieldEdit(kRecordPasswordRadio); });

  LoginRecord* record = store_.FindById(record_id_);
  if (!record) {
    // Deleted before the form opened: close as soon as it runs.
    record_lost_ = true;
    QTimer::singleShot(0, this, &LoginRecordForm::Abandon);
    return;
  }
  site_ = FromCodePage(record->site());
  description_ = FromCodePage(record->description());
  fill_automatically_ = record->fill_automatically();
  require_master_password_ = record->require_master_password();
  FillList(*record);
  if (list_->count() > 0) {
    Select(0);
    ShowField();
    list_->setFocus();
  }
  PutRecordMembers();
  PutFieldMembers();
}

void LoginRecordForm::done(int result) {
  if (closing_) return;  // already ended: the record was lost
  // A field edit that still holds the focus is committed first, asking nothing.
  if (const int control = FieldEditId(focusWidget())) CommitFieldEdit(control, false);
  if (closing_) return;
  closing_ = true;
  site_ = site_edit_->text();
  description_ = description_edit_->text();
  fill_automatically_ = fill_automatically_check_->isChecked();
  require_master_password_ = require_master_check_->isChecked();
  if (LoginRecord* record = store_.FindById(record_id_)) {
    std::string site = record->site();
    if (StoreIfChanged(site, site_)) record->set_site(std::move(site));
    std::string description = record->description();
    if (StoreIfChanged(description, description_)) record->set_description(std::move(description));
    // A stored flag may hold any non-zero value; it is rewritten only when it flips.
    if (record->fill_automatically() != fill_automatically_) {
      record->set_fill_automatically(fill_automatically_ ? 1 : 0);
    }
    // The protection comes off only after the master password was given here.
    if (record->require_master_password() != require_master_password_ &&
        (require_master_password_ || master_password_given_)) {
      record->set_require_master_password(require_master_password_ ? 1 : 0);
    }
  } else {
    record_lost_ = true;
  }
  TemplateDialog::done(result);
}

void LoginRecordForm::RequireMasterClicked() {
  if (require_master_check_->isChecked() || master_password_given_) return;
  const LoginRecord* record = FindRecord();
  if (!record || !record->require_master_password()) return;
  const bool given = ConfirmMasterPassword(this, store_);
  if (closing_) return;
  if (given) {
    master_password_given_ = true;
  } else {
    require_master_check_->setChecked(true);
  }
}

bool LoginRecordForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && !closing_) {
    // Losing the focus to another window (a message box, another
    // application) is no commit: the edit keeps the focus inside this form.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
        reason != Qt::MenuBarFocusReason) {
      if (const int control = FieldEditId(watched)) CommitFieldEdit(control);
    }
  }
  return TemplateDialog::eventFilter(watched, event);
}

int LoginRecordForm::FieldEditId(const QObject* object) const {
  if (object == nullptr) return 0;
  if (object == field_name_edit_) return kRecordFieldNameEdit;
  if (object == field_value_edit_) return kRecordFieldValueEdit;
  if (object == form_name_edit_) return kRecordFormNameEdit;
  if (object == field_description_edit_) return kRecordFieldDescriptionEdit;
  return 0;
}

LoginRecord* LoginRecordForm::FindRecord(bool* in_step) {
  if (in_step) *in_step = true;
  if (closing_) return nullptr;
  LoginRecord* record = store_.FindById(record_id_);
  if (!record) {
    Abandon();
    return nullptr;
  }
  if (!ListInStep(*record)) {
    const int row = Selection();
    FillList(*record);
    Select(std::min(row, list_->count() - 1));
    if (in_step) *in_step = false;
  }
  return record;
}

void LoginRecordForm::Abandon() {
  record_lost_ = true;
  closing_ = true;
  TemplateDialog::done(QDialog::Rejected);
}

void LoginRecordForm::FillList(const LoginRecord& record) {
  const QSignalBlocker blocker(list_);
  list_->clear();
  for (const LoginField& field : record.fields()) list_->addItem(FromCodePage(field.description));
}

bool LoginRecordForm::ListInStep(const LoginRecord& record) const {
  if (list_->count() != record.FieldCount()) return false;
  for (int i = 0; i < list_->count(); ++i) {
    if (list_->item(i)->text() != FromCodePage(record.FieldAt(i)->description)) return false;
  }
  return true;
}

int LoginRecordForm::Selection() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.first());
}

void LoginRecordForm::Select(int row) {
  const QSignalBlocker blocker(list_);
  if (row < 0 || row >= list_->count()) {
    list_->clearSelection();
    list_->setCurrentRow(-1);
  } else {
    list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  }
}

void LoginRecordForm::ShowField() {
  LoginRecord* record = FindRecord();
  if (!record) return;
  const LoginField* field = record->FieldAt(Selection());
  if (field) {
    field_name_ = FromCodePage(field->field_name);
    field_value_ = FromCodePage(field->value);
    form_name_ = FromCodePage(field->form_name);
    field_description_ = FromCodePage(field->description);
    type_choice_ = TypeChoiceOf(field->type);
  } else {
    ClearFieldMembers();
  }
  PutFieldMembers();
}

void LoginRecordForm::NewField() {
  if (!FindRecord()) return;
  Select(-1);
  ClearFieldMembers();
  PutFieldMembers();
  field_name_edit_->setFocus();
}

void LoginRecordForm::RemoveField() {
  ReadFieldControls();
  if (Selection() < 0) return;
  const MessageAnswer answer =
      ShowMessageBox(this, 0, LoadString(kIdsConfirmRemoveField), kSureCaption, MessageIcon::kNone,
                     MessageButtons::kYesNo);
  bool in_step = true;
  LoginRecord* record = FindRecord(&in_step);
  if (!record) return;
  if (!in_step) {  // the fields changed meanwhile: show them, remove nothing
    ShowField();
    return;
  }
  const int row = Selection();
  if (answer != MessageAnswer::kYes || row < 0 || row >= record->FieldCount()) return;
  record->RemoveFieldAt(row);
  {
    const QSignalBlocker blocker(list_);
    delete list_->takeItem(row);
  }
  // The neighbour that took the removed item's place (or the new last item)
  // stays selected while items remain.
  Select(std::min(row, list_->count() - 1));
  ShowField();
}

void LoginRecordForm::CommitFieldEdit(int control, bool interactive) {
  if (closing_ || committing_) return;
  const QScopedValueRollback<bool> guard(committing_, true);
  const std::optional<QString> previous_description = PresentText(field_description_);
  const std::optional<QString> previous_name = PresentText(field_name_);
  ReadFieldControls();
  bool in_step = true;
  LoginRecord* record = FindRecord(&in_step);
  if (!record) return;
  if (!in_step) {
    // Another client replaced the fields: the edit cannot be placed safely.
    ShowField();
    return;
  }
  const int row = Selection();
  if (control == kRecordFieldNameEdit) {
    if (row < 0 && !field_name_.isEmpty()) {
      CommitNewField(*record);
      return;
    }
    if (field_name_.isEmpty()) {
      if (row < 0 && list_->count() == 0) return;
      if (interactive) {
        RefuseEmpty(kRecordFieldNameEdit, kIdsEmptyFieldNotAllowed,
                    row < 0 ? std::nullopt : previous_name, std::nullopt);
      }
      return;
    }
  } else if (control == kRecordFieldDescriptionEdit) {
    if (list_->count() == 0) return;
    if (field_description_.isEmpty()) {
      if (interactive) {
        RefuseEmpty(kRecordFieldDescriptionEdit, kIdsEnterDescription, std::nullopt,
                    previous_description);
      }
      return;
    }
  }
  WriteBack(*record, row);
}

void LoginRecordForm::CommitNewField(LoginRecord& record) {
  const std::string name = ToCodePage(field_name_);
  const std::string form_name = ToCodePage(form_name_);
  const FormName form = form_name.empty() ? FormName() : FormName(form_name);
  const int count = record.FieldCount();
  record.AddField(name, ToCodePage(field_value_), kTextType, form);
  if (record.FieldCount() == count) {
    // An existing field of that name took the value and type: show it rather
    // than listing a second item for it.
    const LoginField* existing = record.FindField(form, name);
    Select(existing ? static_cast<int>(existing - record.fields().data()) : -1);
    ShowField();
    return;
  }
  LoginField& field = *record.FieldAt(count);
  // A description typed before the name is kept; otherwise the default.
  if (field_description_.isEmpty()) {
    field_description_ = FromCodePage(field.description);
  } else {
    field.description = ToCodePage(field_description_);
  }
  {
    const QSignalBlocker blocker(list_);
    list_->addItem(FromCodePage(field.description));
  }
  Select(count);
  type_choice_ = 0;
  PutFieldMembers();
}

void LoginRecordForm::RefuseEmpty(int control, int text_id,
                                  const std::optional<QString>& previous_name,
                                  const std::optional<QString>& previous_description) {
  const MessageAnswer answer = ShowMessageBox(this, 0, LoadString(text_id), kRetryCaption,
                                              MessageIcon::kNone, MessageButtons::kRetryCancel);
  bool in_step = true;
  if (!FindRecord(&in_step)) return;
  if (!in_step) {
    ShowField();
  } else if (answer != MessageAnswer::kRetry) {
    RestoreFieldEdit(previous_name, previous_description);
  }
  Control(control)->setFocus();
}

void LoginRecordForm::WriteBack(LoginRecord& record, int row) {
  LoginField* field = record.FieldAt(row);
  if (!field) return;
  // An empty name or description is never written: the refusal above keeps
  // the stored one.
  if (!field_description_.isEmpty() && StoreIfChanged(field->description, field_description_)) {
    const QSignalBlocker blocker(list_);
    delete list_->takeItem(row);
    list_->insertItem(row, FromCodePage(field->description));
    Select(row);
  }
  if (!field_name_.isEmpty()) StoreIfChanged(field->field_name, field_name_);
  StoreIfChanged(field->value, field_value_);
  StoreIfChanged(field->form_name, form_name_);
  // A type the two buttons cannot show ("hidden", "checkbox") stays as it is
  // until the other button is chosen; "TEXT" is written as "text".
  const std::string_view type = type_choice_ == 1 ? kPasswordType : kTextType;
  if (type_choice_ != TypeChoiceOf(field->type) || EqualsNoCase(field->type, type)) {
    field->type = type;
  }
}

void LoginRecordForm::RestoreFieldEdit(const std::optional<QString>& previous_name,
                                       const std::optional<QString>& previous_description) {
  if (previous_name || previous_description) {
    if (previous_name) field_name_ = *previous_name;
    if (previous_description) field_description_ = *previous_description;
    PutFieldMembers();
    return;
  }
  ClearFieldMembers();
  PutFieldMembers();
  Select(0);
  ShowField();
}

void LoginRecordForm::ClearFieldMembers() {
  field_name_.clear();
  field_value_.clear();
  form_name_.clear();
  field_description_.clear();
  type_choice_ = -1;
}

void LoginRecordForm::ReadFieldControls() {
  field_name_ = field_name_edit_->text();
  field_value_ = field_value_edit_->text();
  form_name_ = form_name_edit_->text();
  field_description_ = field_description_edit_->text();
  type_choice_ = text_radio_->isChecked() ? 0 : password_radio_->isChecked() ? 1 : -1;
}

void LoginRecordForm::PutFieldMembers() {
  field_name_edit_->setText(field_name_);
  field_value_edit_->setText(field_value_);
  form_name_edit_->setText(form_name_);
  field_description_edit_->setText(field_description_);
  SetRadio(text_radio_, type_choice_ == 0);
  SetRadio(password_radio_, type_choice_ == 1);
}

void LoginRecordForm::PutRecordMembers() {
  site_edit_->setText(site_);
  description_edit_->setText(description_);
  fill_automatically_check_->setChecked(fill_automatically_);
  require_master_check_->setChecked(require_master_password_);
}

}  // namespace zr
