// Import and export of logins: file checks, the store's one save, the summaries.
#include "server/login_transfer.h"

#include "forms/master_password.h"
#include "platform/atomic_file.h"
#include "store/data_set.h"
#include "store/login_export.h"
#include "store/login_import.h"

namespace zr {

namespace {

constexpr unsigned kExportFileMode = 0600;

}  // namespace

Outcome ImportLoginsFile(DataSet& data, const std::string& path, std::optional<CsvFormat> format,
                         bool update_passwords, std::string& summary) {
  const std::string nothing = "Nothing was imported from " + path + ": ";
  if (path.empty()) {
    summary = "No file was named: nothing was imported.\n";
    return Outcome::kNothing;
  }
  LoginImport import;
  if (!import.ReadFile(path, format)) {
    summary = nothing + import.error() + ".\n";
    return Outcome::kNothing;
  }
  import.Apply(data.logins, update_passwords);
  summary = import.Summary();
  if ((import.added() > 0 || import.updated() > 0) && !data.logins.Save()) {
    summary += "\n" + NotSavedText(data.logins.path()) + "\n";
    return Outcome::kNotSaved;
  }
  return Outcome::kDone;
}

Outcome ExportLoginsFile(DataSet& data, Prompts& prompts, WindowId owner, const std::string& path,
                         CsvFormat format, std::string& summary) {
  if (path.empty() || !IsRegularFileOrMissing(path)) {
    summary = "Nothing was exported: " +
              (path.empty() ? std::string("no file was named")
                            : path + " is not a file that can be written") +
              ".\n";
    return Outcome::kNothing;
  }
  const std::string master_before = data.logins.master_password();
  if (!VerifyMasterPassword(prompts, owner, data.logins)) {
    summary = "The master password was not given: nothing was exported.\n";
    return Outcome::kNothing;
  }
  // A master password set up in that window is kept as the Login Manager keeps it.
  if (data.logins.master_password() != master_before && !data.logins.Save()) {
    summary = NotSavedText(data.logins.path()) + "\nNothing was exported.\n";
    return Outcome::kNotSaved;
  }
  LoginExport file = LoginExport::Write(data.logins, format);
  if (!WriteFileAtomically(path, file.text(), kExportFileMode)) {
    summary = "ZRForm could not write " + path +
              ": nothing was exported. Check that the folder exists, that the disk has room "
              "and that the folder can be written.\n";
    return Outcome::kNotSaved;
  }
  summary = std::to_string(file.written()) + (file.written() == 1 ? " login" : " logins") +
            " written to " + path + " as a " + std::string(CsvFormatName(format)) + " file";
  if (file.without_password() > 0) {
    summary += "; " + std::to_string(file.without_password()) +
               (file.without_password() == 1 ? " record" : " records") +
               " without a password left out";
  }
  summary +=
      ".\nThe file holds your passwords unencrypted: delete it once they are imported where "
      "they are going.\n";
  return Outcome::kDone;
}

}  // namespace zr
