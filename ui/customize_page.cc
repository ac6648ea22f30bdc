// CustomizePage: custom fields listed by description; an edit commits its text
// into the selected entry when it loses the focus, a description first
// committed with no selection creates the entry.
#include "ui/customize_page.h"

#include <QFocusEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <algorithm>

#include "resources/string_table.h"
#include "store/custom_field_list.h"
#include "ui/control_text.h"
#include "ui/message_box.h"

namespace zr {

namespace {

constexpr std::string_view kRetryCaption = "Retry?";
constexpr std::string_view kSureCaption = "sure?";

// The stored bytes when shown is what they show, so that an unchanged text
// keeps bytes the code page cannot show; else shown in the code page.
std::string KeepOrConvert(const std::string& stored, const QString& shown) {
  return FromCodePage(stored) == shown ? stored : ToCodePage(shown);
}

}  // namespace

CustomizePage::CustomizePage(QWidget* parent)
    : SheetPage(kCustomizePageTemplateId, parent),
      list_(ControlAs<QListWidget>(kCustomFieldListId)),
      description_edit_(ControlAs<QLineEdit>(kCustomDescriptionEditId)),
      name_edit_(ControlAs<QLineEdit>(kCustomNameEditId)),
      value_edit_(ControlAs<QLineEdit>(kCustomValueEditId)) {
  Q_ASSERT(list_ && description_edit_ && name_edit_ && value_edit_);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSortingEnabled(false);
  // Only the user's selection changes arrive here: the page's own are made
  // with the list's signals blocked.
  connect(list_, &QListWidget::itemSelectionChanged, this, &CustomizePage::ShowEntry);
  for (QLineEdit* edit : {description_edit_, name_edit_, value_edit_}) {
    edit->installEventFilter(this);
  }
  if (auto* button = ControlAs<QPushButton>(kNewCustomFieldButtonId)) {
    connect(button, &QPushButton::clicked, this, &CustomizePage::NewEntry);
  }
  if (auto* button = ControlAs<QPushButton>(kRemoveCustomFieldButtonId)) {
    connect(button, &QPushButton::clicked, this, &CustomizePage::RemoveEntry);
  }
}

void CustomizePage::InitPage() {
  const CustomFieldList& fields = CustomFields();
  if (fields.CustomFieldCount() == 0) return;
  {
    QSignalBlocker blocker(list_);
    list_->clear();
    for (int i = 0; i < fields.CustomFieldCount(); ++i) {
      list_->addItem(FromCodePage(fields.GetCustomField(i)->description()));
    }
  }
  SelectRow(0);
  ShowEntry();
  list_->setFocus();
}

bool CustomizePage::LeavePage() {
  QWidget* focus = window()->focusWidget();
  if (focus == description_edit_) return CommitFieldEdit(kCustomDescriptionEditId);
  if (focus == name_edit_) return CommitFieldEdit(kCustomNameEditId);
  if (focus == value_edit_) return CommitFieldEdit(kCustomValueEditId);
  return true;
}

bool CustomizePage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && !closing() && !committing_) {
    // Losing the focus with the window (to a message box or another program)
    // or to a menu is no leaving of the edit.
    Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (watched == description_edit_) CommitFieldEdit(kCustomDescriptionEditId);
      if (watched == name_edit_) CommitFieldEdit(kCustomNameEditId);
      if (watched == value_edit_) CommitFieldEdit(kCustomValueEditId);
    }
  }
  return SheetPage::eventFilter(watched, event);
}

int CustomizePage::SelectedRow() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.first());
}

void CustomizePage::SelectRow(int row) {
  QSignalBlocker blocker(list_);
  if (row < 0 || row >= list_->count()) {
    list_->clearSelection();
    list_->setCurrentRow(-1);
  } else {
    list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  }
}

void CustomizePage::ReadMembers() {
  description_ = description_edit_->text();
  name_ = name_edit_->text();
  value_ = value_edit_->text();
}

void CustomizePage::PutMembers() {
  description_edit_->setText(description_);
  name_edit_->setText(name_);
  value_edit_->setText(value_);
}

void CustomizePage::ShowEntry() {
  if (const CustomField* entry = CustomFields().GetCustomField(SelectedRow())) {
    description_ = FromCodePage(entry->description());
    name_ = FromCodePage(entry->names());
    value_ = FromCodePage(entry->value());
  } else {
    description_.clear();
    name_.clear();
    value_.clear();
  }
  PutMembers();
}

void CustomizePage::NewEntry() {
  SelectRow(-1);
  description_.clear();
  name_.clear();
  value_.clear();
  PutMembers();
  description_edit_->setFocus(Qt::OtherFocusReason);
}

void CustomizePage::RemoveEntry() {
  const int row = SelectedRow();
  if (row < 0) return;
  if (ShowMessageBox(this, 0, LoadString(kIdsConfirmRemoveField), kSureCaption, MessageIcon::kNone,
                     MessageButtons::kYesNo) != MessageAnswer::kYes) {
    return;
  }
  // The question ran an event loop: remove only what is still the same row.
  if (row != SelectedRow() || row >= CustomFields().CustomFieldCount()) return;
  CustomFields().RemoveCustomField(row);
  {
    QSignalBlocker blocker(list_);
    delete list_->takeItem(row);
  }
  // The neighbour: the item that moved up into the gap, or the new last one.
  SelectRow(std::min(row, list_->count() - 1));
  ShowEntry();
}

bool CustomizePage::CommitFieldEdit(int control_id) {
  if (committing_) return true;
  QScopedValueRollback<bool> guard(committing_, true);
  const QString previous_description = description_;
  ReadMembers();
  int row = SelectedRow();

  if (control_id != kCustomDescriptionEditId) {
    // A name or value with no entry selected waits for its description.
    if (row >= 0) {
      // The entry keeps its committed description: an uncommitted one in the
      // description edit (left empty after a refusal) is no part of this.
      const CustomField* entry = CustomFields().GetCustomField(row);
      WriteBack(row, entry ? FromCodePage(entry->description()) : description_);
    }
    return true;
  }

  if (!description_.isEmpty()) {
    {
      QSignalBlocker blocker(list_);
      if (row >= 0) {
        list_->item(row)->setText(description_);
      } else {
        list_->addItem(description_);
        row = list_->count() - 1;
      }
    }
    SelectRow(row);
    WriteBack(row, description_);
    return true;
  }

  if (row < 0 && list_->count() == 0) return true;
  const MessageAnswer answer =
      ShowMessageBox(this, 0, LoadString(kIdsEnterDescription), kRetryCaption, MessageIcon::kNone,
                     MessageButtons::kRetryCancel);
  if (answer == MessageAnswer::kCancel) {
    RestoreFieldEdit(row >= 0 ? std::optional<QString>(previous_description) : std::nullopt);
  }
  description_edit_->setFocus(Qt::OtherFocusReason);
  return false;
}

void CustomizePage::RestoreFieldEdit(const std::optional<QString>& previous) {
  if (previous.has_value()) {
    description_ = *previous;
    PutMembers();
    return;
  }
  description_.clear();
  name_.clear();
  value_.clear();
  PutMembers();
  SelectRow(0);
  ShowEntry();
}

void CustomizePage::WriteBack(int row, const QString& description) {
  const CustomField* entry = CustomFields().GetCustomField(row);
  if (entry == nullptr) {
    CustomFields().SetCustomField(row, ToCodePage(description), ToCodePage(name_),
                                  ToCodePage(value_));
    return;
  }
  CustomFields().SetCustomField(row, KeepOrConvert(entry->description(), description),
                                KeepOrConvert(entry->names(), name_),
                                KeepOrConvert(entry->value(), value_));
}

}  // namespace zr
