// LoginStore: adding, merging, finding and deleting login records, and the
// "Password.dat" file.
#include "store/login_store.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "store/find_no_case.h"
#include "store/protected_string.h"

namespace zr {

namespace {

bool IsPasswordField(const LoginField& field) { return EqualsNoCase(field.type, "password"); }

std::string AsciiLowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}

// What FindField looks a field up by, with the value it must have.
std::string FieldKey(const LoginField& field) {
  std::string key = AsciiLowered(field.form_name);
  key += '\0';
  key += AsciiLowered(field.field_name);
  key += '\0';
  key += field.value;
  return key;
}

}  // namespace

// Speeds up FindSame while a file is read, when records are only added or
// merged. A stored record can be the same login as a candidate only if, for
// the candidate's first non-password field, the stored record's first field
// of that form and name has the same value; candidates without such a field
// are looked up among the records with as many fields. Buckets may hold
// records that have changed since; every hit is checked with IsSameLogin.
class LoginStore::MergeIndex {
 public:
  void Add(const LoginRecord& record, int position) {
    std::vector<std::string> seen;
    for (const LoginField& field : record.fields()) {
      std::string key = FieldKey(field);
      std::string lookup = key.substr(0, key.rfind('\0'));
      if (std::find(seen.begin(), seen.end(), lookup) != seen.end()) continue;
      seen.push_back(std::move(lookup));
      by_field_[std::move(key)].push_back(position);
    }
    by_count_[record.fields().size()].push_back(position);
  }

  // Positions worth checking for candidate, in no particular order.
  const std::vector<int>* Candidates(const LoginRecord& candidate) const {
    auto first = std::find_if(candidate.fields().begin(), candidate.fields().end(),
                              [](const LoginField& field) { return !IsPasswordField(field); });
    if (first != candidate.fields().end()) {
      auto found = by_field_.find(FieldKey(*first));
      return found == by_field_.end() ? nullptr : &found->second;
    }
    auto found = by_count_.find(candidate.fields().size());
    return found == by_count_.end() ? nullptr : &found->second;
  }

 private:
  std::unordered_map<std::string, std::vector<int>> by_field_;
  std::unordered_map<size_t, std::vector<int>> by_count_;
};

int LoginStore::AddOrMerge(std::unique_ptr<LoginRecord> record) {
  return AddOrMerge(std::move(record), nullptr);
}

int LoginStore::AddOrMerge(std::unique_ptr<LoginRecord> record, MergeIndex* index) {
  int same = -1;
  if (index) {
    if (const std::vector<int>* positions = index->Candidates(*record)) {
      for (int position : *positions) {
        if ((same == -1 || position < same) && records_[position]->IsSameLogin(*record)) {
          same = position;
        }
      }
    }
  } else {
    for (int position = 0; position < Count() && same == -1; ++position) {
      if (records_[position]->IsSameLogin(*record)) same = position;
    }
  }
  if (same != -1) {
    LoginRecord& stored = *records_[same];
    stored.TakeContentsOf(std::move(*record));
    if (index) index->Add(stored, same);
    return stored.id();
  }
  record->set_id(next_id_++);
  if (index) index->Add(*record, Count());
  records_.push_back(std::move(record));
  return -1;
}

bool LoginStore::Delete(int id) {
  auto found = std::find_if(records_.begin(), records_.end(),
                            [id](const auto& record) { return record->id() == id; });
  if (found != records_.end()) records_.erase(found);
  return true;
}

LoginRecord* LoginStore::GetAt(int position) {
  if (position < 0 || position >= Count()) return nullptr;
  return records_[position].get();
}

void LoginStore::ForEach(const std::function<void(LoginRecord&)>& callback) {
  for (auto& record : records_) callback(*record);
}

LoginRecord* LoginStore::FindById(int id) {
  for (auto& record : records_) {
    if (record->id() == id) return record.get();
  }
  return nullptr;
}

LoginRecord* LoginStore::FindSame(const LoginRecord& candidate) {
  for (auto& record : records_) {
    if (record->IsSameLogin(candidate)) return record.get();
  }
  return nullptr;
}

bool LoginStore::FillFieldValue(std::string& field, int record_id, FormName form_name) {
  LoginRecord* record = FindById(record_id);
  return record && record->FillValue(field, form_name);
}

bool LoginStore::HasLoginForUrl(std::string_view address) const {
  return std::any_of(records_.begin(), records_.end(),
                     [&](const auto& record) { return FindNoCase(address, record->site()); });
}

bool LoginStore::HasSameSiteLogin(const LoginRecord& candidate) const {
  if (candidate.FieldCount() != 1) return false;
  // Both must have a password, and the same one: a missing password is never
  // "the same password".
  std::optional<std::string> password = candidate.GetPassword();
  if (!password) return false;
  return std::any_of(records_.begin(), records_.end(), [&](const auto& record) {
    return FindNoCase(candidate.site(), record->site()) && record->GetPassword() == password;
  });
}

bool LoginStore::ReadFrom(ByteReader& file) {
  if (!ReadProtectedString(file, master_password_text_)) return false;
  MergeIndex index;
  for (int position = 0; position < Count(); ++position) index.Add(*records_[position], position);
  for (;;) {
    uint32_t kind = 0;  // read and not checked
    ReadStatus status = file.ReadUint32(kind);
    if (status == ReadStatus::kEnd) return true;
    if (status == ReadStatus::kFailed) return false;
    auto record = std::make_unique<LoginRecord>();
    if (!record->ReadFrom(file)) return false;
    AddOrMerge(std::move(record), &index);
  }
}

bool LoginStore::WriteTo(ByteWriter& file) const {
  if (!WriteProtectedString(file, master_password_text_)) return false;
  for (const auto& record : records_) {
    if (!record->WriteTo(file)) return false;
  }
  return true;
}

}  // namespace zr
