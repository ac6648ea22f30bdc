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

  // Compares the logins read with store and changes nothing: afterwards the
  // counts and Summary() say what Apply would do. A login the store already
  // has (the same-login rule; rows earlier in the file count as stored) is
  // "already stored", or "with another password" when the passwords differ.
  // REQUIRES: Read returned true.
  void Plan(const LoginStore& store);
  // Plans again, against store as it is now (a window shown after Plan lets
  // other calls change it), then appends the new logins and, with
  // update_passwords, puts the file's passwords into the stored logins that
  // have another. All or nothing: everything that allocates is done before
  // store changes, so when it throws std::bad_alloc store is as it was.
  // Saves nothing. REQUIRES: Read returned true; called at most once.
  void Apply(LoginStore& store, bool update_passwords);

  // "412 logins: 398 new, 9 already stored, 3 with another password, 2 rows
  // skipped", then further notes and the skipped rows, one a line.
  std::string Summary() const;
  const std::string& error() const { return error_; }
  CsvFormat format() const { return format_; }

  int logins() const { return static_cast<int>(candidates_.size() + skipped_.size()); }
  bool applied() const { return applied_; }
  int added() const { return added_; }
  int already_stored() const { return already_stored_; }
  int other_password() const { return other_password_; }
  int updated() const { return updated_; }
  int skipped() const { return static_cast<int>(skipped_.size()); }
  int not_logins() const { return not_logins_; }  // notes, cards and the like
  int cut_values() const { return cut_values_; }

 private:
  struct Candidate {
    std::unique_ptr<LoginRecord> record;  // moved into the store by Apply
    std::string password;
  };
  // What the plan does with a candidate: adds it (same is -1), or passes it
  // over as the same login as a stored record (position in the store) or as
  // an earlier candidate (its index, stored as -2 - index).
  struct Step {
    int same = -1;
    bool other_password = false;
  };
  // Makes the row a candidate, or lists it as skipped, or counts it as not a login.
  void TakeRow(const CsvLayout& layout, const CsvRow& row);

  CsvFormat format_ = CsvFormat::kGeneric;
  std::string error_;
  std::vector<Candidate> candidates_;
  std::vector<Step> plan_;            // one per candidate, made by Plan
  std::vector<std::string> skipped_;  // "row 14 (line 17): reason, url U, user N"
  int rows_ = 0;                      // data rows seen, the header not counted
  int not_logins_ = 0;
  int cut_values_ = 0;
  bool applied_ = false;
  int added_ = 0;
  int already_stored_ = 0;
  int other_password_ = 0;
  int updated_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_STORE_LOGIN_IMPORT_H_
