// Fuzz target: a registry hive file, parsed by ParseHive and loaded by the
// registry store from a file in memory. Items that parse must write out and
// parse back the same; a store that loads must hold every key and value the
// file names, and a damaged file must leave the store empty.
#include <cstdint>
#include <variant>

#include "fuzz/fuzz_support.h"
#include "platform/registry_format.h"
#include "platform/registry_store.h"

namespace zr {
namespace {

struct KeyItem {
  std::string path;
  bool operator==(const KeyItem&) const = default;
};
struct ValueItem {
  std::string key;
  std::string name;
  RegistryValue value;
  bool operator==(const ValueItem&) const = default;
};
using HiveItem = std::variant<KeyItem, ValueItem>;

class Recorder : public HiveVisitor {
 public:
  bool OnKey(std::string path) override {
    key_ = path;
    items.push_back(KeyItem{std::move(path)});
    return true;
  }
  bool OnValue(std::string name, RegistryValue value) override {
    items.push_back(ValueItem{key_, std::move(name), std::move(value)});
    return true;
  }
  std::vector<HiveItem> items;

 private:
  std::string key_;
};

std::string Write(const std::vector<HiveItem>& items) {
  std::string text(kHiveFileHeader);
  text += '\n';
  for (const HiveItem& item : items) {
    if (const auto* key = std::get_if<KeyItem>(&item)) {
      AppendKeyLine(text, key->path);
    } else {
      const auto& value = std::get<ValueItem>(item);
      AppendValueLine(text, value.name, value.value);
    }
  }
  return text;
}

void RunInput(std::string_view text) {
  Recorder parsed;
  bool ok = ParseHive(text, parsed);
  if (ok) {
    Recorder again;
    ZR_FUZZ_CHECK(ParseHive(Write(parsed.items), again));
    ZR_FUZZ_CHECK(again.items == parsed.items);
  }

  fuzz::MemoryFile file(text);
  ZR_FUZZ_CHECK(!file.path().empty());
  RegistryStore store(file.path());
  bool loaded = store.Load();
  ZR_FUZZ_CHECK(!loaded || ok || text.empty());
  if (!loaded) {
    ZR_FUZZ_CHECK(store.SubKeys("").empty());
    return;
  }
  for (const HiveItem& item : parsed.items) {
    if (const auto* key = std::get_if<KeyItem>(&item)) {
      ZR_FUZZ_CHECK(store.KeyExists(key->path));
    } else {
      const auto& value = std::get<ValueItem>(item);
      ZR_FUZZ_CHECK(store.GetValue(value.key, value.name) == value.value);
    }
  }
  // Edits on what was loaded.
  store.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{0});
  for (const std::string& top : store.SubKeys("")) {
    ZR_FUZZ_CHECK(store.DeleteKey(top));
    ZR_FUZZ_CHECK(!store.KeyExists(top));
  }
}

}  // namespace
}  // namespace zr

// The store reads files up to 8 MiB; a fuzz input stays far below.
ZR_FUZZ_ENTRY(zr::RunInput)
