// The registry store: keys of named string and 32-bit values held in memory,
// loaded from and saved to one hive file (see registry_format.md).
#include "platform/registry_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

#include "platform/ascii_case.h"
#include "platform/atomic_file.h"
#include "platform/data_folder.h"
#include "platform/registry_format.h"
#include "platform/user_folders.h"

namespace zr {

namespace {

// A hive file larger than this is treated as damaged rather than read.
constexpr off_t kMaxHiveFileSize = 8 << 20;
constexpr unsigned kFolderMode = 0700;
constexpr unsigned kFileMode = 0600;
constexpr uint32_t kAutoLoginRecordDefault = 1;

// The components of a key path; empty components (doubled, leading or
// trailing backslashes) are dropped.
std::vector<std::string_view> SplitKeyPath(std::string_view key) {
  std::vector<std::string_view> parts;
  size_t pos = 0;
  while (pos <= key.size()) {
    size_t end = std::min(key.find('\\', pos), key.size());
    if (end > pos) parts.push_back(key.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

std::string FoldedKeyPath(std::string_view key) {
  std::string folded;
  for (std::string_view part : SplitKeyPath(key)) {
    if (!folded.empty()) folded += '\\';
    folded += AsciiLower(part);
  }
  return folded;
}

std::string_view ParentOf(std::string_view path) {
  size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view LastComponent(std::string_view path) {
  size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

const char* HiveFileName(Hive hive) {
  return hive == Hive::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_CLASSES_ROOT";
}

}  // namespace

// Applies the items of a hive file to the store. A key's section may appear
// once, and a value name once within it: the writer never repeats them.
class RegistryStore::Loader : public HiveVisitor {
 public:
  explicit Loader(RegistryStore& store) : store_(store) {}

  bool OnKey(std::string path) override {
    current_ = store_.EnsureKey(path);
    names_.clear();
    return sections_.insert(store_.keys_[current_].folded).second;
  }
  bool OnValue(std::string name, RegistryValue value) override {
    if (!names_.insert(AsciiLower(name)).second) return false;
    store_.keys_[current_].values.emplace_back(std::move(name), std::move(value));
    return true;
  }

 private:
  RegistryStore& store_;
  size_t current_ = 0;
  std::unordered_set<std::string> sections_;
  std::unordered_set<std::string> names_;
};

RegistryStore::RegistryStore(Hive hive) : path_(DefaultPath(hive)) {}

RegistryStore::RegistryStore(std::string file_path) : path_(std::move(file_path)) {}

std::string RegistryStore::DefaultPath(Hive hive) {
  std::optional<std::string> base = XdgFolder("XDG_CONFIG_HOME", ".config", AbsoluteEnv("HOME"));
  if (!base) return std::string();  // no per-user place: nothing is read, saves fail
  return JoinPath(*base, std::string("Zorvane/") + HiveFileName(hive) + ".reg");
}

bool RegistryStore::Load() {
  Clear();
  unreadable_ = false;
  if (path_.empty()) return true;
  struct stat st;
  if (::stat(path_.c_str(), &st) != 0) {
    unreadable_ = errno != ENOENT && errno != ENOTDIR;
    return !unreadable_;
  }
  if (st.st_size > kMaxHiveFileSize) return false;
  std::string text;
  if (!ReadWholeFile(path_, text)) {
    unreadable_ = true;
    return false;
  }
  Loader loader(*this);
  if (!ParseHive(text, loader)) {
    Clear();
    return false;
  }
  return true;
}

bool RegistryStore::Save() const {
  if (path_.empty()) return false;
  std::string text(kHiveFileHeader);
  text += '\n';
  for (const Key& key : keys_) {
    text += '\n';
    AppendKeyLine(text, key.path);
    for (const auto& [name, value] : key.values) AppendValueLine(text, name, value);
  }
  MakeFolderPath(FolderOf(path_), kFolderMode);
  return WriteFileAtomically(path_, text, kFileMode);
}

bool RegistryStore::KeyExists(std::string_view key) const { return FindKey(key) != nullptr; }

void RegistryStore::CreateKey(std::string_view key) { EnsureKey(key); }

bool RegistryStore::DeleteKey(std::string_view key) {
  std::string folded = FoldedKeyPath(key);
  if (folded.empty() || index_.count(folded) == 0) return false;
  std::string below = folded + '\\';
  std::erase_if(keys_, [&](const Key& k) {
    return k.folded == folded || k.folded.compare(0, below.size(), below) == 0;
  });
  RebuildIndex();
  return true;
}

std::vector<std::string> RegistryStore::SubKeys(std::string_view key) const {
  std::string folded = FoldedKeyPath(key);
  std::vector<std::string> names;
  for (const Key& k : keys_) {
    if (!k.folded.empty() && ParentOf(k.folded) == folded) {
      names.emplace_back(LastComponent(k.path));
    }
  }
  return names;
}

std::optional<RegistryValue> RegistryStore::GetValue(std::string_view key,
                                                     std::string_view name) const {
  const Key* k = FindKey(key);
  if (k == nullptr) return std::nullopt;
  for (const auto& [value_name, value] : k->values) {
    if (AsciiEqualNoCase(value_name, name)) return value;
  }
  return std::nullopt;
}

void RegistryStore::SetValue(std::string_view key, std::string_view name, RegistryValue value) {
  Key& k = keys_[EnsureKey(key)];
  for (auto& [value_name, old_value] : k.values) {
    if (AsciiEqualNoCase(value_name, name)) {
      old_value = std::move(value);  // the name keeps its first spelling
      return;
    }
  }
  k.values.emplace_back(std::string(name), std::move(value));
}

bool RegistryStore::DeleteValue(std::string_view key, std::string_view name) {
  Key* k = FindKey(key);
  if (k == nullptr) return false;
  return std::erase_if(k->values,
                       [&](const auto& entry) { return AsciiEqualNoCase(entry.first, name); }) > 0;
}

RegistryStore::Key* RegistryStore::FindKey(std::string_view key) {
  auto it = index_.find(FoldedKeyPath(key));
  return it == index_.end() ? nullptr : &keys_[it->second];
}

const RegistryStore::Key* RegistryStore::FindKey(std::string_view key) const {
  auto it = index_.find(FoldedKeyPath(key));
  return it == index_.end() ? nullptr : &keys_[it->second];
}

size_t RegistryStore::EnsureKey(std::string_view key) {
  std::vector<std::string_view> parts = SplitKeyPath(key);
  if (parts.empty()) {  // the hive root is a key of its own once a value is put there
    auto [it, inserted] = index_.try_emplace(std::string(), keys_.size());
    if (inserted) keys_.push_back(Key{});
    return it->second;
  }
  std::string path, folded;
  size_t position = 0;
  for (std::string_view part : parts) {
    if (!folded.empty()) folded += '\\';
    folded += AsciiLower(part);
    auto found = index_.find(folded);
    if (found != index_.end()) {
      position = found->second;
      path = keys_[position].path;  // keep the spelling it was created with
      continue;
    }
    if (!path.empty()) path += '\\';
    path += part;
    position = keys_.size();
    keys_.push_back(Key{path, folded, {}});
    index_.emplace(folded, position);
  }
  return position;
}

void RegistryStore::Clear() {
  keys_.clear();
  index_.clear();
}

void RegistryStore::RebuildIndex() {
  index_.clear();
  for (size_t i = 0; i < keys_.size(); ++i) index_.emplace(keys_[i].folded, i);
}

uint32_t ReadAutoLoginRecord() {
  RegistryStore store(Hive::kCurrentUser);
  if (!store.Load()) return kAutoLoginRecordDefault;
  std::optional<RegistryValue> value = store.GetValue(kToolbarKey, kAutoLoginRecordValue);
  if (!value || !std::holds_alternative<uint32_t>(*value)) return kAutoLoginRecordDefault;
  return std::get<uint32_t>(*value);
}

bool WriteAutoLoginRecord(uint32_t value) {
  RegistryStore store(Hive::kCurrentUser);
  // A damaged hive loads as empty and is replaced by a sound one here: its
  // contents could not be read by anything anyway. A hive that could not be
  // read at all (permissions, I/O) may be whole: it is never overwritten.
  if (!store.Load() && store.unreadable()) return false;
  store.SetValue(kToolbarKey, kAutoLoginRecordValue, value);
  return store.Save();
}

}  // namespace zr
