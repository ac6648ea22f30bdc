// LoginExport: the stored logins as a CSV file that other password managers
// import: chromium (name,url,username,password,note) or bitwarden. Every
// record with a password is written; texts go from the code page to UTF-8.
#ifndef ZRFORM_STORE_LOGIN_EXPORT_H_
#define ZRFORM_STORE_LOGIN_EXPORT_H_

#include <string>

#include "store/csv_layout.h"

namespace zr {

class LoginStore;

class LoginExport {
 public:
  // Whether format is one that can be written (chromium or bitwarden).
  static bool CanWrite(CsvFormat format);

  // The whole file for store's records in format. REQUIRES: CanWrite(format).
  static LoginExport Write(LoginStore& store, CsvFormat format);

  const std::string& text() const { return text_; }
  int written() const { return written_; }
  int without_password() const { return without_password_; }  // left out

 private:
  std::string text_;
  int written_ = 0;
  int without_password_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_STORE_LOGIN_EXPORT_H_
