// Fuzz target: "Password.dat" read by LoginStore::ReadFrom. The merge index
// that speeds up reading must give exactly what merging record by record
// gives; what the store writes must read back whole; and the lookups that
// calls make on a loaded store must stand any record.
#include <cstdint>
#include <memory>

#include "forms/fill_in.h"
#include "fuzz/fuzz_support.h"
#include "store/login_store.h"
#include "store/protected_string.h"

namespace zr {
namespace {

// Reads the file as LoginStore::ReadFrom does, but merges each record with
// the plain AddOrMerge, which compares it with every stored record.
bool ReadWithoutIndex(std::string_view bytes, LoginStore& store) {
  ByteReader reader(bytes);
  std::string master;
  if (!ReadProtectedString(reader, master)) return false;
  store.set_master_password_text(master);
  for (;;) {
    uint32_t kind = 0;
    ReadStatus status = reader.ReadUint32(kind);
    if (status == ReadStatus::kEnd) return true;
    if (status == ReadStatus::kFailed) return false;
    auto record = std::make_unique<LoginRecord>();
    if (!record->ReadFrom(reader)) return false;
    store.AddOrMerge(std::move(record));
  }
}

std::string Written(const LoginStore& store) {
  ByteWriter writer;
  ZR_FUZZ_CHECK(store.WriteTo(writer));
  return writer.data();
}

void RunInput(std::string_view bytes) {
  LoginStore store;
  ByteReader reader(bytes);
  bool ok = store.ReadFrom(reader);
  LoginStore plain;
  ZR_FUZZ_CHECK(ReadWithoutIndex(bytes, plain) == ok);
  std::string written = Written(store);
  ZR_FUZZ_CHECK(Written(plain) == written);

  LoginStore reread;
  ByteReader written_reader(written);
  ZR_FUZZ_CHECK(reread.ReadFrom(written_reader));
  ZR_FUZZ_CHECK(reread.Count() <= store.Count());

  // What fills and lookups ask of the records.
  const std::string address = "https://www.example.com/login";
  (void)FindPasswordByURL(store, address);
  (void)HasAutomaticChoice(store, address);
  for (int position = 0; position < store.Count(); ++position) {
    LoginRecord* record = store.GetAt(position);
    (void)record->GetLoginName();
    (void)record->GetPassword();
    (void)store.HasSameSiteLogin(*record);
    for (const LoginField& field : record->fields()) {
      std::string name = field.field_name;
      (void)store.FillFieldValue(name, record->id(), field.form_name);
    }
  }
}

}  // namespace
}  // namespace zr

// A file is read whole and has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput)
