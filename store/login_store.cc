// LoginStore: adding, merging, finding and deleting login records, and the
// "Password.dat" file.
#include "store/login_store.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/ascii_case.h"
#include "store/find_no_case.h"
#include "store/protected_string.h"
#include "store/site_match.h"

namespace zr {

namespace {

bool IsPasswordField(const LoginField& field) { return EqualsNoCase(field.type, "password"); }

// A hash of what FindField looks a field up by (form and field name, ASCII
// case ignored) together with the value it must have.
uint64_t FieldKey(const LoginField& field) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  auto mix = [&hash](std::string_view text, bool fold) {
    for (char c : text) {
      if (fold) c = AsciiLower(c);
      hash = (hash ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    }
    hash = (hash ^ 0x100) * 1099511628211ull;  // separator: no byte has this value
  };
  mix(field.form_name, true);
  mix(field.field_name, true);
  mix(field.value, false);
  return hash;
}

}  // namespace

// Speeds up FindSame while a file is read, when records are only added or
// merged. A stored record can be the same login as a candidate only if it has
// a field with the form name, field name and value of the candidate's first
// non-password field; candidates without such a field are looked up among
// the records with as many fields. Every field of a record is indexed, so
// nothing is missed; hits (hash collisions and records changed since they
// were indexed included) are checked with IsSameLogin.
class LoginStore::MergeIndex {
 public:
  void Add(const LoginRecord& record, int position) {
    for (const LoginField& field : record.fields()) Link(by_field_.Head(FieldKey(field)), position);
    Link(by_count_.Head(record.fields().size()), position);
  }

  // Calls check(position) for each position worth checking for candidate.
  template <typename Check>
  void ForEachCandidate(const LoginRecord& candidate, Check check) const {
    auto first = std::find_if(candidate.fields().begin(), candidate.fields().end(),
                              [](const LoginField& field) { return !IsPasswordField(field); });
    int head = first != candidate.fields().end() ? by_field_.Find(FieldKey(*first))
                                                 : by_count_.Find(candidate.fields().size());
    for (int link = head; link != -1; link = links_[link].next) check(links_[link].position);
  }

 private:
  struct ChainLink {
    int position;
    int next;  // index into links_, -1 at the end of a chain
  };
  void Link(int& head, int position) {
    links_.push_back({position, head});
    head = static_cast<int>(links_.size()) - 1;
  }

  // Chain heads by key: an open-addressing table, which a load of many
  // records fills far faster than a node-based map.
  class HeadTable {
   public:
    // The head of key's chain, made empty (-1) when the key is new.
    int& Head(uint64_t key) {
      key = Stored(key);
      if (2 * (used_ + 1) > slots_.size()) Grow();
      Slot& slot = slots_[Probe(slots_, key)];
      if (slot.key != key) {
        slot = {key, -1};
        ++used_;
      }
      return slot.head;
    }
    int Find(uint64_t key) const {
      key = Stored(key);
      if (slots_.empty()) return -1;
      const Slot& slot = slots_[Probe(slots_, key)];
      return slot.key == key ? slot.head : -1;
    }

   private:
    static constexpr uint64_t kFree = ~0ull;
    struct Slot {
      uint64_t key = kFree;
      int head = -1;
    };
    // kFree marks a free slot, so a key of that value is stored as kFree - 1.
    static uint64_t Stored(uint64_t key) { return key == kFree ? kFree - 1 : key; }
    // The index of the slot that holds key, or of the free slot where it belongs.
    static size_t Probe(const std::vector<Slot>& slots, uint64_t key) {
      size_t mask = slots.size() - 1;
      size_t i = (key * 0x9E3779B97F4A7C15ull) >> 7 & mask;
      while (slots[i].key != key && slots[i].key != kFree) i = (i + 1) & mask;
      return i;
    }
    void Grow() {
      std::vector<Slot> bigger(slots_.empty() ? 64 : 2 * slots_.size());
      for (const Slot& slot : slots_) {
        if (slot.key != kFree) bigger[Probe(bigger, slot.key)] = slot;
      }
      slots_.swap(bigger);
    }
    std::vector<Slot> slots_;
    size_t used_ = 0;
  };

  HeadTable by_field_;
  HeadTable by_count_;
  std::vector<ChainLink> links_;
};

int LoginStore::AddOrMerge(std::unique_ptr<LoginRecord> record) {
  return AddOrMerge(std::move(record), nullptr);
}

int LoginStore::AddOrMerge(std::unique_ptr<LoginRecord> record, MergeIndex* index) {
  int same = -1;
  if (index) {
    index->ForEachCandidate(*record, [&](int position) {
      if ((same == -1 || position < same) && records_[position]->IsSameLogin(*record)) {
        same = position;
      }
    });
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

int LoginStore::Append(std::unique_ptr<LoginRecord> record) {
  record->set_id(next_id_++);
  records_.push_back(std::move(record));
  return records_.back()->id();
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

const LoginRecord* LoginStore::GetAt(int position) const {
  return const_cast<LoginStore*>(this)->GetAt(position);
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
                     [&](const auto& record) { return SiteMatchesPage(record->site(), address); });
}

long LoginStore::CountLoginsForUrl(std::string_view address) const {
  return std::count_if(records_.begin(), records_.end(), [&](const auto& record) {
    return SiteMatchesPage(record->site(), address);
  });
}

bool LoginStore::HasSameSiteLogin(const LoginRecord& candidate) const {
  if (candidate.FieldCount() != 1) return false;
  // Both must have a password, and the same one: a missing password is never
  // "the same password".
  std::optional<std::string> password = candidate.GetPassword();
  if (!password) return false;
  return std::any_of(records_.begin(), records_.end(), [&](const auto& record) {
    return SiteCovers(record->site(), candidate.site()) && record->GetPassword() == password;
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
