// Fuzz target: UpdateFormFields on arbitrary text, merging "<HOME>" and
// "<WORK>" sections into profiles held in memory (no paths: nothing is
// saved). Every list must stay a clean merged list that still fills names.
// Input: a code-page selector byte, then the text (UTF-8, or not).
#include <cstdint>

#include "forms/fill_in.h"
#include "fuzz/fuzz_support.h"
#include "store/data_set.h"

namespace zr {
namespace {

bool IsCleanList(const std::string& list) {
  return list.find(";;") == std::string::npos &&
         (list.empty() || (list.front() != ';' && list.back() != ';'));
}

void RunInput(std::string_view text) {
  DataSet data;
  std::array<std::string, kProfileFieldCount> before;
  for (int index = 0; index < kProfileFieldCount; ++index) {
    before[index] = data.home.List(static_cast<ProfileField>(index));
  }
  // The data set has no files: a section found is kNotSaved, none kDone.
  ZR_FUZZ_CHECK(UpdateFormFields(data, text) != Outcome::kNothing);
  for (FormProfile* profile : {&data.home, &data.work}) {
    for (int index = 0; index < kProfileFieldCount; ++index) {
      const std::string& list = profile->List(static_cast<ProfileField>(index));
      // A list that was merged into is clean; one that was not is as it was.
      ZR_FUZZ_CHECK(IsCleanList(list) || list == before[index]);
    }
    std::string name = "first_name";
    (void)profile->FillFieldValue(name);
  }
}

}  // namespace
}  // namespace zr

// The text has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput, .code_page_byte = true, .reset_process_data = true)
