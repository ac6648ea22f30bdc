// Import and export from the Login Manager: the question, the save, the summary.
#include "ui/login_file_transfer.h"

#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "store/login_export.h"
#include "store/login_import.h"
#include "store/login_store.h"
#include "ui/message_box.h"

namespace zr {

namespace {

constexpr std::string_view kImportCaption = "Import Logins";
constexpr std::string_view kExportCaption = "Export Logins";
constexpr unsigned kExportFileMode = 0600;

// The summaries are UTF-8 (they quote the file); message boxes take the code page.
void Tell(QWidget* parent, const std::string& utf8, std::string_view caption, MessageIcon icon) {
  ShowMessageBox(parent, 0, Utf8ToCodePage(utf8), caption, icon, MessageButtons::kOk);
}

}  // namespace

bool ImportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path) {
  LoginImport import;
  if (!import.ReadFile(path)) {
    Tell(parent, "Nothing was imported from " + path + ": " + import.error() + ".", kImportCaption,
         MessageIcon::kExclamation);
    return false;
  }
  import.ApplyTo(store, false);
  if (import.other_password() > 0) {
    const std::string question = std::to_string(import.other_password()) +
                                 (import.other_password() == 1 ? " login is" : " logins are") +
                                 " stored with another password than the file's.\n\nReplace the "
                                 "stored passwords with the file's?";
    if (ShowMessageBox(parent, 0, question, kImportCaption, MessageIcon::kNone,
                       MessageButtons::kYesNo) == MessageAnswer::kYes) {
      // Records are found again by id: the question let other calls run.
      import.ReplacePasswords(store);
    }
  }
  const bool changed = import.added() > 0 || import.updated() > 0;
  if (changed && !store.Save()) ShowNotSaved(parent, store.path());
  Tell(parent, import.Summary(), kImportCaption, MessageIcon::kNone);
  return changed;
}

void ExportLoginsWithWindows(QWidget* parent, LoginStore& store, const std::string& path) {
  LoginExport file = LoginExport::Write(store, CsvFormat::kChromium);
  if (!IsRegularFileOrMissing(path) || !WriteFileAtomically(path, file.text(), kExportFileMode)) {
    Tell(parent,
         "ZRForm could not write " + path +
             ": nothing was exported. Check that the folder can be written and the disk has room.",
         kExportCaption, MessageIcon::kStop);
    return;
  }
  std::string text = std::to_string(file.written()) + (file.written() == 1 ? " login" : " logins") +
                     " written to " + path;
  if (file.without_password() > 0) {
    text += "; " + std::to_string(file.without_password()) + " without a password left out";
  }
  Tell(parent,
       text +
           ".\n\nThe file holds your passwords unencrypted: delete it once they are "
           "imported where they are going.",
       kExportCaption, MessageIcon::kNone);
}

}  // namespace zr
