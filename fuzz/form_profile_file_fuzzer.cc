// Fuzz target: a profile file ("FormHome.dat", "FormWork.dat") read by
// FormProfile::ReadFrom, then used to fill element names with its (hostile)
// pattern lists. A whole read must write out again unchanged after one more
// read. The shared person fields and custom fields are reset around each input.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "store/form_profile.h"

namespace zr {
namespace {

std::string Written(const FormProfile& profile) {
  ByteWriter writer;
  ZR_FUZZ_CHECK(profile.WriteTo(writer));
  return writer.data();
}

void RunInput(std::string_view bytes) {
  FormProfile profile;
  ByteReader reader(bytes);
  bool whole = profile.ReadFrom(reader);
  std::string written = Written(profile);
  FormProfile again;
  ByteReader written_reader(written);
  ZR_FUZZ_CHECK(again.ReadFrom(written_reader));
  ZR_FUZZ_CHECK(written_reader.AtEnd());
  // After a whole read no list is empty, so a second read changes nothing.
  if (whole) ZR_FUZZ_CHECK(Written(again) == written);

  const std::string long_name(3000, 'N');
  for (std::string name : {std::string("first_name"), std::string("E-Mail"),
                           std::string("address2"), std::string(), long_name}) {
    (void)profile.FillFieldValue(name);
  }
}

}  // namespace
}  // namespace zr

// A file is read whole and has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput, .reset_process_data = true)
