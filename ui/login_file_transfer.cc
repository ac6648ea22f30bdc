// Import and export from the Login Manager: the plan and the question, the
// warning, the save, the result.
#include "ui/login_file_transfer.h"

#include <QMessageBox>
#include <new>

#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "store/login_export.h"
#include "store/login_import.h"
#include "store/login_store.h"
#include "ui/message_box.h"

namespace zr {

namespace {

constexpr char kImportCaption[] = "Import Logins";
constexpr char kExportCaption[] = "Export Logins";
constexpr unsigned kExportFileMode = 0600;

// The summaries are UTF-8 (they quote the file); message boxes take the code page.
void Tell(QWidget* parent, const std::string& utf8, std::string_view caption, MessageIcon icon) {
  ShowMessageBox(parent, 0, Utf8ToCodePage(utf8), caption, icon, MessageButtons::kOk);
}

// A question with buttons that ShowMessageBox has no set for; Escape and the
// close box answer Cancel.
QMessageBox::StandardButton Ask(QWidget* parent, const std::string& utf8, const char* caption,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton default_button) {
  QMessageBox box(QMessageBox::NoIcon, caption, QString::fromStdString(utf8), buttons, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(default_button);
  box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
  return pressed == QMessageBox::NoButton ? QMessageBox::Cancel : pressed;
}

}  // namespace

bool ImportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path) {
  LoginImport import;
  if (!import.ReadFile(path)) {
    Tell(parent, "Nothing was imported from " + path + ": " + import.error() + ".", kImportCaption,
         MessageIcon::kExclamation);
    return false;
  }
  import.Plan(store);
  const std::string plan = import.Summary();
  bool update_passwords = false;
  if (import.other_password() > 0) {
    const int other = import.other_password();
    const std::string question =
        plan + "\n" + std::to_string(other) + (other == 1 ? " login is" : " logins are") +
        " stored with another password than the file's. Replace the stored passwords with the "
        "file's?\n\nYes imports and replaces them, No imports and keeps the stored passwords, "
        "Cancel imports nothing.";
    const QMessageBox::StandardButton answer =
        Ask(parent, question, kImportCaption,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
    if (answer == QMessageBox::Cancel) return false;
    update_passwords = answer == QMessageBox::Yes;
  } else if (import.added() > 0) {
    if (Ask(parent, plan + "\nImport them?", kImportCaption, QMessageBox::Ok | QMessageBox::Cancel,
            QMessageBox::Ok) != QMessageBox::Ok) {
      return false;
    }
  } else {
    Tell(parent, plan + "\nThere is nothing to import.", kImportCaption, MessageIcon::kNone);
    return false;
  }
  // The question let other calls run: Apply compares with the store again,
  // and the result shown below is what it did.
  try {
    import.Apply(store, update_passwords);
  } catch (const std::bad_alloc&) {
    Tell(parent, "ZRForm ran out of memory: nothing was imported from " + path + ".",
         kImportCaption, MessageIcon::kStop);
    return false;
  }
  const bool changed = import.added() > 0 || import.updated() > 0;
  if (changed && !store.Save()) ShowNotSaved(parent, store.path());
  Tell(parent, import.Summary(), kImportCaption, MessageIcon::kNone);
  return changed;
}

void ExportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path) {
  const std::string cannot_write =
      "ZRForm could not write " + path +
      ": nothing was exported. Check that the folder can be written and the disk has room.";
  if (!IsRegularFileOrMissing(path)) {
    Tell(parent, cannot_write, kExportCaption, MessageIcon::kStop);
    return;
  }
  const std::string warning =
      "The file " + path +
      " will hold your passwords unencrypted: anyone who can read it can read them. Delete it "
      "once they are imported where they are going.\n\nWrite it?";
  if (Ask(parent, warning, kExportCaption, QMessageBox::Ok | QMessageBox::Cancel,
          QMessageBox::Cancel) != QMessageBox::Ok) {
    return;
  }
  // Made after the answer: the warning let other calls change the store.
  LoginExport file = LoginExport::Write(store, CsvFormat::kChromium);
  if (!WriteFileAtomically(path, file.text(), kExportFileMode)) {
    Tell(parent, cannot_write, kExportCaption, MessageIcon::kStop);
    return;
  }
  std::string text = std::to_string(file.written()) + (file.written() == 1 ? " login" : " logins") +
                     " written to " + path;
  if (file.without_password() > 0) {
    text += "; " + std::to_string(file.without_password()) + " without a password left out";
  }
  Tell(parent, text + ".", kExportCaption, MessageIcon::kNone);
}

}  // namespace zr
