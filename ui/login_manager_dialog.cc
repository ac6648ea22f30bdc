// The Login Manager window: edits, deletes and flags records of the store in
// memory at once, and writes the store only when closed with "&Close".
#include "ui/login_manager_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <algorithm>

#include "resources/string_table.h"
#include "store/login_store.h"
#include "ui/login_file_transfer.h"
#include "ui/login_list_view.h"
#include "ui/login_record_form.h"
#include "ui/master_password_dialogs.h"
#include "ui/message_box.h"

namespace zr {

namespace {

// Layout margins in pixels, measured from the client area's edges.
constexpr int kListMarginWidth = 20;
constexpr int kListMarginHeight = 80;
constexpr int kCheckBoxBottom = 60;
constexpr int kButtonBottom = 34;
constexpr int kLeft = 10;
constexpr int kDeleteLeft = 100;
constexpr int kMasterLeft = 190;
constexpr int kCloseRight = 85;
constexpr int kNarrowWidth = 390;
constexpr int kNarrowCloseLeft = 300;
// "&Import..." and "E&xport..." sit on the row of the check box, "E&xport..."
// above "&Close".
constexpr int kTransferBottom = 62;
constexpr int kImportBeforeExport = 90;

QString ChooseFileWithWindow(QWidget* parent, bool save) {
  const QString filter = QStringLiteral("CSV files (*.csv);;All files (*)");
  return save ? QFileDialog::getSaveFileName(parent, QStringLiteral("Export Logins"),
                                             QStringLiteral("logins.csv"), filter)
              : QFileDialog::getOpenFileName(parent, QStringLiteral("Import Logins"), QString(),
                                             filter);
}

}  // namespace

LoginManagerDialog::LoginManagerDialog(LoginStore& store, QWidget* parent)
    : TemplateDialog(kLoginManagerId, parent),
      store_(store),
      list_view_(new LoginListView(ControlAs<QTreeWidget>(kManagerList), store)) {
  list_view_->Fill();
  connect(list_view_, &LoginListView::EditRequested, this, &LoginManagerDialog::Edit);
  connect(ControlAs<QPushButton>(kManagerEditButton), &QPushButton::clicked, this,
          &LoginManagerDialog::Edit);
  connect(ControlAs<QPushButton>(kManagerDeleteButton), &QPushButton::clicked, this,
          &LoginManagerDialog::Delete);
  connect(ControlAs<QPushButton>(kManagerMasterPasswordButton), &QPushButton::clicked, this,
          &LoginManagerDialog::ChangeMasterPassword);
  connect(ControlAs<QPushButton>(kManagerImportButton), &QPushButton::clicked, this,
          &LoginManagerDialog::Import);
  connect(ControlAs<QPushButton>(kManagerExportButton), &QPushButton::clicked, this,
          &LoginManagerDialog::Export);
  choose_file = ChooseFileWithWindow;
  auto* show_password = ControlAs<QCheckBox>(kManagerShowPasswordCheck);
  connect(show_password, &QCheckBox::clicked, this,
          [this, show_password] { list_view_->SetShowPasswords(show_password->isChecked()); });
}

void LoginManagerDialog::done(int result) {
  // Saved while the window is still up, so that a failure is told over it.
  if (result == kManagerCloseButton && !store_.Save()) {
    ShowNotSaved(this, store_.path());
  }
  TemplateDialog::done(result);
}

void LoginManagerDialog::Edit() {
  const std::vector<int> rows = list_view_->SelectedRows();
  if (rows.empty()) return;
  const int id = list_view_->RecordIdAt(rows.front());
  if (!store_.FindById(id)) {
    list_view_->Refresh();
    return;
  }
  LoginRecordForm form(store_, id, this);
  form.exec();
  // The form edited the record in place; other clients may have changed any
  // record meanwhile.
  list_view_->Refresh();
}

void LoginManagerDialog::Delete() {
  if (list_view_->SelectedRows().empty()) return;
  const MessageAnswer answer =
      ShowMessageBox(this, 0, LoadString(kIdsConfirmDelete), LoadString(kIdsLoginManagerCaption),
                     MessageIcon::kNone, MessageButtons::kYesNo);
  list_view_->Refresh();
  if (answer != MessageAnswer::kYes) return;
  const std::vector<int> rows = list_view_->SelectedRows();
  if (rows.empty()) return;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    store_.Delete(list_view_->RecordIdAt(*row));
    list_view_->RemoveRow(*row);
  }
  // The row that took the first deleted row's place stays selected.
  list_view_->SelectRow(std::min(rows.front(), list_view_->RowCount() - 1));
}

void LoginManagerDialog::ChangeMasterPassword() {
  zr::ChangeMasterPassword(this, store_);
  list_view_->Refresh();
}

void LoginManagerDialog::Import() {
  const QString path = choose_file(this, false);
  if (path.isEmpty()) return;
  ImportLoginsWithWindows(this, store_, path.toStdString());
  // New rows, and other clients may have changed any record while the boxes were up.
  list_view_->Fill();
}

void LoginManagerDialog::Export() {
  const QString path = choose_file(this, true);
  if (path.isEmpty()) return;
  ExportLoginsWithWindows(this, store_, path.toStdString());
}

void LoginManagerDialog::resizeEvent(QResizeEvent* event) {
  TemplateDialog::resizeEvent(event);
  LayOut(event->size().width(), event->size().height());
}

void LoginManagerDialog::LayOut(int width, int height) {
  if (QWidget* list = Control(kManagerList)) {
    list->resize(std::max(0, width - kListMarginWidth), std::max(0, height - kListMarginHeight));
  }
  const auto move = [this](int id, int x, int y) {
    if (QWidget* control = Control(id)) control->move(x, y);
  };
  move(kManagerShowPasswordCheck, kLeft, height - kCheckBoxBottom);
  move(kManagerEditButton, kLeft, height - kButtonBottom);
  move(kManagerDeleteButton, kDeleteLeft, height - kButtonBottom);
  move(kManagerMasterPasswordButton, kMasterLeft, height - kButtonBottom);
  const int close_left = width > kNarrowWidth ? width - kCloseRight : kNarrowCloseLeft;
  move(kManagerCloseButton, close_left, height - kButtonBottom);
  move(kManagerExportButton, close_left, height - kTransferBottom);
  move(kManagerImportButton, close_left - kImportBeforeExport, height - kTransferBottom);
}

void RunLoginManager(WindowId owner, LoginStore& store) {
  LoginManagerDialog dialog(store);
  dialog.SetOwner(owner);
  dialog.exec();
}

}  // namespace zr
