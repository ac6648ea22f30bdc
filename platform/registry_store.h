// A small registry of keys holding named string and 32-bit values, one text
// file per hive under $XDG_CONFIG_HOME/Zorvane/ (default ~/.config/Zorvane/).
// Files are written atomically; a damaged file reads as an empty hive.
// Key paths use backslashes ("Software\Zorvane\Toolbar") and, like value
// names, compare without regard to ASCII case. The value named "" is the
// key's default value.
#ifndef ZRFORM_PLATFORM_REGISTRY_STORE_H_
#define ZRFORM_PLATFORM_REGISTRY_STORE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace zr {

enum class Hive { kCurrentUser, kClassesRoot };

// One value: a string (REG_SZ) or a 32-bit number (REG_DWORD).
using RegistryValue = std::variant<std::string, uint32_t>;

class RegistryStore {
 public:
  // The store for one hive; nothing is read until Load.
  explicit RegistryStore(Hive hive);
  // A store backed by an explicit file (tests).
  explicit RegistryStore(std::string file_path);

  // Path of the hive file: $XDG_CONFIG_HOME/Zorvane/<name>.reg, with
  // $HOME/.config when XDG_CONFIG_HOME is not an absolute path; "" when HOME
  // is not one either (such a store loads empty and cannot be saved).
  static std::string DefaultPath(Hive hive);

  // Reads the hive file. A missing file gives an empty hive and true; an
  // unreadable or damaged file gives an empty hive and false.
  bool Load();
  // Whether the last Load failed because the file could not be read (as
  // opposed to missing or damaged): its contents may be whole, so it must not
  // be replaced.
  bool unreadable() const { return unreadable_; }
  // Writes the hive file atomically (mode 0600), creating its folder.
  [[nodiscard]] bool Save() const;

  bool KeyExists(std::string_view key) const;
  // Creates the key and its missing parents.
  void CreateKey(std::string_view key);
  // Deletes the key and every key below it. Returns false if it did not exist.
  bool DeleteKey(std::string_view key);
  // Names of the keys directly below key, in insertion order.
  std::vector<std::string> SubKeys(std::string_view key) const;

  std::optional<RegistryValue> GetValue(std::string_view key, std::string_view name) const;
  // Creates the key when missing.
  void SetValue(std::string_view key, std::string_view name, RegistryValue value);
  bool DeleteValue(std::string_view key, std::string_view name);

  const std::string& path() const { return path_; }

 private:
  struct Key {
    std::string path;    // full path as first created
    std::string folded;  // path in ASCII lower case: the lookup key
    std::vector<std::pair<std::string, RegistryValue>> values;
  };
  class Loader;

  Key* FindKey(std::string_view key);
  const Key* FindKey(std::string_view key) const;
  // Index of the key, created with its missing parents when needed.
  size_t EnsureKey(std::string_view key);
  void Clear();
  void RebuildIndex();

  std::string path_;
  bool unreadable_ = false;
  std::vector<Key> keys_;                          // in creation order, parents first
  std::unordered_map<std::string, size_t> index_;  // folded path -> position in keys_
};

// HKEY_CURRENT_USER "Software\Zorvane\Toolbar", value AutoLoginRecord.
inline constexpr std::string_view kToolbarKey = "Software\\Zorvane\\Toolbar";
inline constexpr std::string_view kAutoLoginRecordValue = "AutoLoginRecord";

// Reads AutoLoginRecord from the current user's hive: 1 when the hive, key or
// value is missing or is not a number.
uint32_t ReadAutoLoginRecord();
// Writes AutoLoginRecord = value (REG_DWORD), creating the key. False on a
// failed save, and without writing when the hive exists but cannot be read.
[[nodiscard]] bool WriteAutoLoginRecord(uint32_t value);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_REGISTRY_STORE_H_
