// LoginStore: the master password and the login records of "Password.dat".
// Records are kept in file order with new ones appended; each gets an id,
// unique within this store object, that is never written to the file.
#ifndef ZRFORM_STORE_LOGIN_STORE_H_
#define ZRFORM_STORE_LOGIN_STORE_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/login_record.h"
#include "store/protected_file.h"

namespace zr {

inline constexpr char kPasswordFileName[] = "Password.dat";

class LoginStore : public ProtectedFile {
 public:
  // When a stored record is the same login as record, the stored record takes
  // over record's site address, description and fields (keeping its id and
  // flags) and its id is returned. Otherwise record gets the next id, is
  // appended, and the result is -1.
  int AddOrMerge(std::unique_ptr<LoginRecord> record);
  // Appends record without looking for the same login, gives it the next id
  // and returns it: for a caller that has looked already (a bulk import).
  // REQUIRES: FindSame(*record) is null.
  int Append(std::unique_ptr<LoginRecord> record);
  // Removes the record with that id, if any. Always true.
  bool Delete(int id);
  // The record at a position below Count(), or null.
  LoginRecord* GetAt(int position);
  const LoginRecord* GetAt(int position) const;
  // Makes room for count records, so that Appends up to that many allocate
  // nothing (a bulk import that must not fail halfway).
  void Reserve(int count) { records_.reserve(count); }
  int Count() const { return static_cast<int>(records_.size()); }
  void ForEach(const std::function<void(LoginRecord&)>& callback);
  LoginRecord* FindById(int id);
  // The first stored record that is the same login as candidate, or null.
  LoginRecord* FindSame(const LoginRecord& candidate);

  // FillValue of the record with record_id; false when there is none.
  bool FillFieldValue(std::string& field, int record_id, FormName form_name) override;
  // Whether some record's site matches the page at address (SiteMatchesPage).
  bool HasLoginForUrl(std::string_view address) const;
  // How many records have a site that matches the page at address.
  long CountLoginsForUrl(std::string_view address) const;
  // For a candidate of exactly one field: whether some record's site covers
  // the candidate's (SiteCovers) and both have the same password.
  bool HasSameSiteLogin(const LoginRecord& candidate) const;

  // The master password; empty when none is set.
  const std::string& master_password() const { return master_password_text_; }

  // The master password, then each record. Records in the file that are the
  // same login are merged as AddOrMerge does. False when the data ends inside
  // a record; the records before it stay.
  bool ReadFrom(ByteReader& file) override;
  bool WriteTo(ByteWriter& file) const override;

 private:
  class MergeIndex;
  int AddOrMerge(std::unique_ptr<LoginRecord> record, MergeIndex* index);

  std::vector<std::unique_ptr<LoginRecord>> records_;
  int next_id_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_STORE_LOGIN_STORE_H_
