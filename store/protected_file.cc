// Loading and saving whole ProtectedFiles, with the custom fields beside them.
#include "store/protected_file.h"

#include "platform/atomic_file.h"
#include "store/custom_field_list.h"

namespace zr {

bool ProtectedFile::Load(const std::string& path) {
  path_ = path;
  if (path_.empty()) return false;
  std::string contents;
  if (!ReadWholeFile(path_, contents)) return false;
  ByteReader reader(contents);
  bool ok = ReadFrom(reader);
  (void)CustomFields().LoadCustomFields(FolderOf(path_));
  return ok;
}

bool ProtectedFile::Save(const std::string& path) {
  path_ = path;
  return Save();
}

bool ProtectedFile::Save() {
  if (path_.empty()) return false;
  ByteWriter writer;
  bool ok = WriteTo(writer);
  if (!WriteFileAtomically(path_, writer.data())) return false;
  // A custom fields file that could not be written is a failed save too: the
  // user's edits of the custom fields would otherwise vanish unreported.
  bool custom_fields_saved = CustomFields().SaveCustomFields(FolderOf(path_));
  return ok && custom_fields_saved;
}

}  // namespace zr
