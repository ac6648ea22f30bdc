// Import and export of logins as CSV files for the toolbar helper object:
// the file read or written whole, the in-memory LoginStore changed and saved
// once. Each answers an Outcome and a summary for the user (UTF-8).
#ifndef ZRFORM_SERVER_LOGIN_TRANSFER_H_
#define ZRFORM_SERVER_LOGIN_TRANSFER_H_

#include <optional>
#include <string>

#include "forms/outcome.h"
#include "forms/prompts.h"
#include "store/csv_layout.h"

namespace zr {

struct DataSet;

// Imports the CSV file at path (format none: found from the header) into
// data.logins (all or nothing: a failed allocation leaves data.logins as it
// was) and saves it when anything was added or changed. Nothing when
// the file cannot be read or is not a file of logins (nothing is imported);
// NotSaved when the save failed (the logins stay in memory).
Outcome ImportLoginsFile(DataSet& data, const std::string& path, std::optional<CsvFormat> format,
                         bool update_passwords, std::string& summary);

// Writes every stored login with a password to path in format, atomically
// and readable by the user only, after the master password has been given
// in a window owned by owner. Nothing when it was not given or path cannot
// be written to; NotSaved when the write failed. REQUIRES: LoginExport::CanWrite(format).
Outcome ExportLoginsFile(DataSet& data, Prompts& prompts, WindowId owner, const std::string& path,
                         CsvFormat format, std::string& summary);

}  // namespace zr

#endif  // ZRFORM_SERVER_LOGIN_TRANSFER_H_
