// LoginImport: logins from a CSV export of another password manager, checked
// as a whole before any is added to a LoginStore. Each row becomes the record
// a capture on its url would make: the url's site key, a "username" text
// field and a "password" field (which the fill by name or by position puts
// into the site's login form), and for bitwarden its custom fields. Bad rows
// are passed over and listed, never with their password.
#ifndef ZRFORM_STORE_LOGIN_IMPORT_H_
#define ZRFORM_STORE_LOGIN_IMPORT_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/csv_layout.h"
#include "store/csv_table.h"
#include "store/login_record.h"

namespace zr {

class LoginStore;

// The most a file may hold.
inline constexpr size_t kMaxImportFileBytes = 50u * 1024 * 1024;
inline constexpr size_t kMaxImportRows = 100000;
// The most skipped rows the summary lists one by one.
inline constexpr size_t kMaxListedSkippedRows = 100;
// The most fields an imported record holds, as many as a capture keeps.
inline constexpr int kMaxImportedFields = 64;

// The names and descriptions of the fields an imported record holds.
inline constexpr char kImportedUserField[] = "username";
inline constexpr char kImportedPasswordField[] = "password";
inline constexpr char kImportedUserDescription[] = "User name";
inline constexpr char kImportedPasswordDescription[] = "Password";

class LoginImport {
 public:
  // Reads the whole text of a file; format, when given, is the format the
  // user named. False, with error() naming the line, when the text cannot be
  // read as a whole: nothing of it is imported then. Bad rows do not stop it.
  [[nodiscard]] bool Read(std::string_view text, std::optional<CsvFormat> format = std::nullopt);
  // Read of the file at path, which must be a regular file of at most
  // kMaxImportFileBytes; error() then says why not ("it cannot be read").
  [[nodiscard]] bool ReadFile(const std::string& path,
                              std::optional<CsvFormat> format = std::nullopt);

  // Adds the logins read to store: a login the store already has (the
  // same-login rule) is not added again; one whose password differs has its
  // stored password replaced only with update_passwords (or a later
  // ReplacePasswords). Saves nothing. REQUIRES: Read returned true; called once.
  void ApplyTo(LoginStore& store, bool update_passwords);
  // Replaces the stored passwords that ApplyTo found different with the
  // file's, looking each record up again by id (one deleted meanwhile is
  // passed over). For a window that asks the user after ApplyTo.
  void ReplacePasswords(LoginStore& store);

  // "412 logins: 398 new, 9 already stored, 3 with another password, 2 rows
  // skipped", then further notes and the skipped rows, one a line.
  std::string Summary() const;
  const std::string& error() const { return error_; }
  CsvFormat format() const { return format_; }

  int logins() const { return applied_ + static_cast<int>(candidates_.size() + skipped_.size()); }
  int added() const { return added_; }
  int already_stored() const { return already_stored_; }
  int other_password() const { return other_password_; }
  int updated() const { return updated_; }
  int skipped() const { return static_cast<int>(skipped_.size()); }
  int not_logins() const { return not_logins_; }  // notes, cards and the like
  int cut_values() const { return cut_values_; }

 private:
  struct Candidate {
    std::unique_ptr<LoginRecord> record;
    std::string password;
  };
  // Makes the row a candidate, or lists it as skipped, or counts it as not a login.
  void TakeRow(const CsvLayout& layout, const CsvRow& row);

  CsvFormat format_ = CsvFormat::kGeneric;
  std::string error_;
  std::vector<Candidate> candidates_;
  std::vector<std::pair<int, std::string>> other_passwords_;  // record id, the file's password
  std::vector<std::string> skipped_;  // "row 14 (line 17): reason, url U, user N"
  int rows_ = 0;                      // data rows seen, the header not counted
  int not_logins_ = 0;
  int cut_values_ = 0;
  int applied_ = 0;  // candidates that ApplyTo took
  int added_ = 0;
  int already_stored_ = 0;
  int other_password_ = 0;
  int updated_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_STORE_LOGIN_IMPORT_H_
