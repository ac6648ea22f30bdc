// A registry hive file read back as a sorted set of lines, one per key and one
// per value, so that tests compare the whole hive, extra keys included.
#ifndef ZRFORM_TESTS_SERVER_REGISTRAR_TEST_SUPPORT_H_
#define ZRFORM_TESTS_SERVER_REGISTRAR_TEST_SUPPORT_H_

#include <set>
#include <string>
#include <variant>

#include "platform/atomic_file.h"
#include "platform/registry_format.h"

namespace zr::testing {

// "K <key path>" for a key; "V <key path> | <name> = <text>" for a string
// value, "... = d:<number>" for a 32-bit one (name "" is the default value).
using HiveLines = std::set<std::string>;

inline std::string KeyLine(const std::string& path) { return "K " + path; }
inline std::string ValueLine(const std::string& path, const std::string& name,
                             const std::string& text) {
  return "V " + path + " | " + name + " = " + text;
}

// The lines of the hive file at path; a missing file is an empty hive, a
// damaged one gives {"DAMAGED"}.
inline HiveLines ReadHiveLines(const std::string& path) {
  class Collector : public HiveVisitor {
   public:
    explicit Collector(HiveLines& lines) : lines_(lines) {}
    bool OnKey(std::string key) override {
      key_ = key;
      lines_.insert(KeyLine(key));
      return true;
    }
    bool OnValue(std::string name, RegistryValue value) override {
      lines_.insert(ValueLine(key_, name,
                              std::holds_alternative<std::string>(value)
                                  ? std::get<std::string>(value)
                                  : "d:" + std::to_string(std::get<uint32_t>(value))));
      return true;
    }

   private:
    HiveLines& lines_;
    std::string key_;
  };
  HiveLines lines;
  std::string text;
  if (!ReadWholeFile(path, text)) return lines;
  Collector collector(lines);
  if (!ParseHive(text, collector)) return {"DAMAGED"};
  return lines;
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_SERVER_REGISTRAR_TEST_SUPPORT_H_
