// SelectLoginDialog: a sorted combo box of login names over records held by
// id, the shown record's details, and its two flags written at each click.
#include "ui/select_login_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "store/login_store.h"
#include "ui/control_text.h"
#include "ui/master_password_dialogs.h"
#include "ui/message_box.h"

namespace zr {
namespace {

constexpr int kDescriptionEdit = 241;
constexpr int kSiteEdit = 242;
constexpr int kLoginNameEdit = 245;
constexpr int kPasswordEdit = 247;
constexpr int kFillAutomaticallyBox = 255;
constexpr int kRequireMasterPasswordBox = 256;
constexpr int kLoginNameCombo = 263;

constexpr char kNoUserName[] = "(no user name)";

}  // namespace

SelectLoginDialog::SelectLoginDialog(LoginStore& store, const std::vector<int>& ids,
                                     QWidget* parent)
    : TemplateDialog(233, parent), store_(store) {
  auto* combo = ControlAs<QComboBox>(kLoginNameCombo);
  for (int id : ids) {
    const LoginRecord* record = store_.FindById(id);
    if (!record) continue;
    const std::string name = record->GetLoginName().value_or("");
    AddSortedItem(combo, name.empty() ? QString(kNoUserName) : FromCodePage(name), id);
  }
  combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
  ShowRecord(SelectedRecord());

  connect(combo, &QComboBox::currentIndexChanged, this, [this] {
    if (const LoginRecord* record = SelectedRecord()) ShowRecord(record);
  });
  for (int box : {kFillAutomaticallyBox, kRequireMasterPasswordBox}) {
    connect(ControlAs<QCheckBox>(box), &QCheckBox::clicked, this,
            [this, box] { OnFlagClicked(box); });
  }
}

LoginRecord* SelectLoginDialog::SelectedRecord() {
  auto* combo = ControlAs<QComboBox>(kLoginNameCombo);
  while (combo->currentIndex() >= 0) {
    const int index = combo->currentIndex();
    if (LoginRecord* record = store_.FindById(combo->itemData(index).toInt())) return record;
    // Removing the current item selects another and runs the selection
    // handler, which comes back here; the loop then finds nothing to remove.
    combo->removeItem(index);
  }
  return nullptr;
}

void SelectLoginDialog::ShowRecord(const LoginRecord* record) {
  auto show = [this](int id, const std::string& text) {
    ControlAs<QLineEdit>(id)->setText(FromCodePage(text));
  };
  show(kDescriptionEdit, record ? record->description() : std::string());
  show(kSiteEdit, record ? record->site() : std::string());
  show(kLoginNameEdit, record ? record->GetLoginName().value_or("") : std::string());
  show(kPasswordEdit, record ? record->GetPassword().value_or("") : std::string());
  ControlAs<QCheckBox>(kFillAutomaticallyBox)->setChecked(record && record->fill_automatically());
  ControlAs<QCheckBox>(kRequireMasterPasswordBox)
      ->setChecked(record && record->require_master_password());
}

void SelectLoginDialog::OnFlagClicked(int box_id) {
  const int before = ControlAs<QComboBox>(kLoginNameCombo)->currentIndex();
  LoginRecord* record = SelectedRecord();
  if (!record) return;
  if (ControlAs<QComboBox>(kLoginNameCombo)->currentIndex() != before) {
    // The clicked record is gone; the box now shows another record's flags.
    ShowRecord(record);
    return;
  }
  const uint32_t value = ControlAs<QCheckBox>(box_id)->isChecked() ? 1 : 0;
  if (box_id == kRequireMasterPasswordBox && value == 0 && record->require_master_password()) {
    // Turning the protection off takes the master password, asked once.
    const int id = record->id();
    const bool given = ConfirmMasterPassword(this, store_);
    // The prompt ran other calls: find the record again, still shown.
    record = SelectedRecord();
    if (!record || record->id() != id || !given) {
      ShowRecord(record);
      return;
    }
  }
  if (box_id == kFillAutomaticallyBox) {
    record->set_fill_automatically(value);
  } else {
    record->set_require_master_password(value);
  }
}

void SelectLoginDialog::accept() {
  const int before = ControlAs<QComboBox>(kLoginNameCombo)->count();
  const LoginRecord* record = SelectedRecord();
  if (!record && before == 0) {
    chosen_id_ = -1;  // nothing was ever offered
    TemplateDialog::accept();
    return;
  }
  if (!record) {
    reject();  // every offered record is gone
    return;
  }
  if (ControlAs<QComboBox>(kLoginNameCombo)->count() != before) return;  // the choice was gone
  chosen_id_ = record->id();
  // The choice stands when the save fails; the user is told.
  if (!store_.Save()) {
    ShowNotSaved(this, store_.path());
  }
  TemplateDialog::accept();
}

void SelectLoginDialog::reject() {
  chosen_id_ = -1;
  TemplateDialog::reject();
}

}  // namespace zr
