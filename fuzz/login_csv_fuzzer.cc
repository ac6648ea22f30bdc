// Fuzz target: a CSV file of logins read by LoginImport and added to an empty
// store. What is added must be records a fill can use (a site, a password,
// bounded fields and texts); the counts must add up; and what the store then
// exports must import again whole, row for row, with nothing skipped.
// Input: a code-page selector byte, then the file (UTF-8, or not).
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "store/file_cipher.h"
#include "store/login_export.h"
#include "store/login_import.h"
#include "store/login_store.h"

namespace zr {
namespace {

void CheckRecords(LoginStore& store) {
  store.ForEach([](LoginRecord& record) {
    ZR_FUZZ_CHECK(!record.site().empty());
    ZR_FUZZ_CHECK(record.GetPassword().has_value() && !record.GetPassword()->empty());
    ZR_FUZZ_CHECK(record.FieldCount() >= 2 && record.FieldCount() <= kMaxImportedFields);
    for (const LoginField& field : record.fields()) {
      ZR_FUZZ_CHECK(field.value.size() <= kMaxCipherBytes &&
                    field.field_name.size() <= kMaxCipherBytes);
    }
  });
}

void RunInput(std::string_view text) {
  LoginImport import;
  if (!import.Read(text)) {
    ZR_FUZZ_CHECK(!import.error().empty());
    return;
  }
  LoginStore store;
  import.Apply(store, false);
  ZR_FUZZ_CHECK(import.logins() == import.added() + import.already_stored() +
                                       import.other_password() + import.skipped());
  ZR_FUZZ_CHECK(store.Count() == import.added());
  CheckRecords(store);
  (void)import.Summary();

  for (CsvFormat format : {CsvFormat::kChromium, CsvFormat::kBitwarden}) {
    LoginExport file = LoginExport::Write(store, format);
    ZR_FUZZ_CHECK(file.written() == store.Count());
    LoginImport again;
    ZR_FUZZ_CHECK(again.Read(file.text()));
    ZR_FUZZ_CHECK(again.format() == format);
    LoginStore reread;
    again.Apply(reread, false);
    ZR_FUZZ_CHECK(again.logins() == store.Count() && again.skipped() == 0);
  }
}

}  // namespace
}  // namespace zr

// Files are read whole; the import's own limits are far above an input's size.
ZR_FUZZ_ENTRY(zr::RunInput, .code_page_byte = true)
