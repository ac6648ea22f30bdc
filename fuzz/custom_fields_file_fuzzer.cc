// Fuzz target: "customize.dat" read by CustomFieldList::ReadFrom into the
// process's list, then used to fill element names. A count the file cannot
// back must not size anything; what is read must write out and read back the
// same. The list is reset around each input.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "store/custom_field_list.h"

namespace zr {
namespace {

std::string Written(const CustomFieldList& list) {
  ByteWriter writer;
  ZR_FUZZ_CHECK(writer.WriteUint32(static_cast<uint32_t>(list.CustomFieldCount())));
  for (int index = 0; index < list.CustomFieldCount(); ++index) {
    ZR_FUZZ_CHECK(list.GetCustomField(index)->WriteTo(writer));
  }
  return writer.data();
}

void RunInput(std::string_view bytes) {
  CustomFieldList& list = CustomFields();
  ByteReader reader(bytes);
  (void)list.ReadFrom(reader);
  // Every entry takes at least four numbers' worth of bytes.
  ZR_FUZZ_CHECK(static_cast<size_t>(list.CustomFieldCount()) <= bytes.size() / 16);

  std::string written = Written(list);
  CustomFieldList again;
  ByteReader written_reader(written);
  ZR_FUZZ_CHECK(again.ReadFrom(written_reader));
  ZR_FUZZ_CHECK(written_reader.AtEnd());
  ZR_FUZZ_CHECK(Written(again) == written);

  const std::string long_name(3000, 'p');
  for (std::string name :
       {std::string("pet_name"), std::string("Company"), std::string(), long_name}) {
    (void)list.FillFromCustomFields(name);
  }
  // Editing keeps the indexes in range.
  if (list.SetCustomField(0, "d", "n.*", "v")) ZR_FUZZ_CHECK(list.CustomFieldCount() == 1);
  list.RemoveCustomField(list.CustomFieldCount());
  list.RemoveCustomField(0);
}

}  // namespace
}  // namespace zr

// A file is read whole and has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput, .reset_process_data = true)
