// ProtectedFile: the base of the login store and the form profiles. It loads
// and saves one whole data file of ProtectedStrings, and keeps the process's
// custom fields ("customize.dat", in the same folder) loaded and saved with it.
#ifndef ZRFORM_STORE_PROTECTED_FILE_H_
#define ZRFORM_STORE_PROTECTED_FILE_H_

#include <optional>
#include <string>
#include <string_view>

#include "store/byte_stream.h"

namespace zr {

// A form name that may be absent: absent means "no form name given".
using FormName = std::optional<std::string_view>;

class ProtectedFile {
 public:
  virtual ~ProtectedFile() = default;

  // Reads the body of the file. On false, what was read before stays.
  virtual bool ReadFrom(ByteReader& file) = 0;
  virtual bool WriteTo(ByteWriter& file) const = 0;
  // Given a page element's name in field, replaces it with the value to fill
  // and returns true, or leaves it and returns false.
  virtual bool FillFieldValue(std::string& field, int record_id, FormName form_name) = 0;

  // Remembers path, then reads the existing file with ReadFrom and, the first
  // time in this process, the custom fields beside it. False when path is
  // empty or the file cannot be read (the object is then left as it was),
  // otherwise the result of ReadFrom.
  bool Load(const std::string& path);

  // Saves to the remembered path (Save()) or to path, which is remembered.
  // The file is replaced atomically with mode 0600, so a failed save leaves
  // the previous file whole. A successful save also rewrites "customize.dat".
  // False when no path is known or the file cannot be written, and when
  // "customize.dat" cannot be (the data file is then saved, the custom
  // fields' file left as it was).
  bool Save();
  bool Save(const std::string& path);

  const std::string& path() const { return path_; }
  const std::string& master_password_text() const { return master_password_text_; }
  void set_master_password_text(std::string text) { master_password_text_ = std::move(text); }

 protected:
  std::string master_password_text_;

 private:
  std::string path_;
};

}  // namespace zr

#endif  // ZRFORM_STORE_PROTECTED_FILE_H_
