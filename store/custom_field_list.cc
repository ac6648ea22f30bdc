// CustomFieldList: the process's custom fields and "customize.dat".
#include "store/custom_field_list.h"

#include <cstdint>

#include "platform/atomic_file.h"

namespace zr {

bool CustomFieldList::SetCustomField(int index, std::string description, std::string names,
                                     std::string value) {
  if (index >= 0 && index < CustomFieldCount()) {
    fields_[index]->Set(std::move(description), std::move(names), std::move(value));
    return false;
  }
  fields_.push_back(
      std::make_unique<CustomField>(std::move(description), std::move(names), std::move(value)));
  return true;
}

void CustomFieldList::RemoveCustomField(int index) {
  if (index >= 0 && index < CustomFieldCount()) fields_.erase(fields_.begin() + index);
}

const CustomField* CustomFieldList::GetCustomField(int index) const {
  if (index < 0 || index >= CustomFieldCount()) return nullptr;
  return fields_[index].get();
}

bool CustomFieldList::FillFromCustomFields(std::string& field) const {
  for (const auto& entry : fields_) {
    if (entry->FillValue(field, std::nullopt)) return true;
  }
  return false;
}

bool CustomFieldList::LoadCustomFields(const std::string& folder) {
  if (!path_.empty()) return true;
  path_ = folder + "/" + kCustomizeFileName;
  std::string contents;
  if (!ReadWholeFile(path_, contents)) return false;
  ByteReader reader(contents);
  return ReadFrom(reader);
}

bool CustomFieldList::ReadFrom(ByteReader& file) {
  uint32_t count = 0;
  if (file.ReadUint32(count) != ReadStatus::kOk) return false;
  // The count is not trusted to size anything: a count of 0 or less reads no
  // entries, and reading stops at the first entry that cannot be read.
  for (int32_t i = 0; i < static_cast<int32_t>(count); ++i) {
    auto entry = std::make_unique<CustomField>();
    if (!entry->ReadFrom(file)) return false;
    fields_.push_back(std::move(entry));
  }
  return true;
}

bool CustomFieldList::SaveCustomFields(const std::string& folder) {
  // A save that comes before any data file has loaded reads the existing file
  // first, so that writing the list back never drops the user's fields.
  if (path_.empty()) (void)LoadCustomFields(folder);
  ByteWriter writer;
  bool ok = writer.WriteUint32(static_cast<uint32_t>(fields_.size()));
  for (const auto& entry : fields_) {
    if (!ok) break;
    ok = entry->WriteTo(writer);
  }
  return WriteFileAtomically(path_, writer.data()) && ok;
}

void CustomFieldList::Reset() {
  fields_.clear();
  path_.clear();
}

CustomFieldList& CustomFields() {
  static CustomFieldList list;
  return list;
}

}  // namespace zr
