// CustomFieldList: the process's one ordered list of custom fields, kept in
// "customize.dat" beside the other data files. The file is read at most once
// per process: by the first data file that loads or, when a save comes first,
// by that save before it writes. Every save of a data file writes it back.
#ifndef ZRFORM_STORE_CUSTOM_FIELD_LIST_H_
#define ZRFORM_STORE_CUSTOM_FIELD_LIST_H_

#include <memory>
#include <string>
#include <vector>

#include "store/custom_field.h"

namespace zr {

inline constexpr char kCustomizeFileName[] = "customize.dat";

class CustomFieldList {
 public:
  // Sets the entry at index (0 to count - 1) and returns false; any other
  // index appends a new entry and returns true.
  bool SetCustomField(int index, std::string description, std::string names, std::string value);
  // Removes the entry at a valid index; others are ignored.
  void RemoveCustomField(int index);
  // The entry at a valid index, or null.
  const CustomField* GetCustomField(int index) const;
  int CustomFieldCount() const { return static_cast<int>(fields_.size()); }
  // FillValue of each entry in order, stopping at the first that fills.
  bool FillFromCustomFields(std::string& field) const;

  // Reads "customize.dat" in folder unless its path is already known in this
  // process. Entries read before a failure are kept.
  bool LoadCustomFields(const std::string& folder);
  // Reads a count and that many entries from file, appending them; stops with
  // false at the first entry that cannot be read, keeping those before it.
  bool ReadFrom(ByteReader& file);
  // Writes "customize.dat" (atomically, mode 0600) to the known path. When no
  // path is known yet, first loads the file in folder as LoadCustomFields does.
  bool SaveCustomFields(const std::string& folder);

  // The known path of "customize.dat" ("" until a load or save sets it).
  const std::string& path() const { return path_; }
  // Forgets the entries and the path, as in a new process (tests, tools).
  void Reset();

 private:
  std::vector<std::unique_ptr<CustomField>> fields_;
  std::string path_;
};

// The process's custom fields.
CustomFieldList& CustomFields();

}  // namespace zr

#endif  // ZRFORM_STORE_CUSTOM_FIELD_LIST_H_
