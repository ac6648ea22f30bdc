// The text form of a registry hive file (described in registry_format.md):
// writing key and value lines, and a strict line-by-line parser.
#ifndef ZRFORM_PLATFORM_REGISTRY_FORMAT_H_
#define ZRFORM_PLATFORM_REGISTRY_FORMAT_H_

#include <string>
#include <string_view>

#include "platform/registry_store.h"

namespace zr {

// The first line of every hive file.
inline constexpr std::string_view kHiveFileHeader = "ZRForm Registry 1";

// Appends the "[path]" line that opens a key's section.
void AppendKeyLine(std::string& out, std::string_view path);
// Appends one value line of the current section: "name"="text", "name"=dword:hhhhhhhh,
// or "@=" for the default value (name "").
void AppendValueLine(std::string& out, std::string_view name, const RegistryValue& value);

// Receives the items of a hive file in file order. Returning false marks the
// file as damaged and stops the parse.
class HiveVisitor {
 public:
  virtual ~HiveVisitor() = default;
  virtual bool OnKey(std::string path) = 0;
  virtual bool OnValue(std::string name, RegistryValue value) = 0;
};

// Parses a whole hive file. An empty text is an empty hive. Returns false at
// the first malformed line (missing header, unterminated or badly escaped
// text, a value outside a section, anything unknown) or refused item.
bool ParseHive(std::string_view text, HiveVisitor& visitor);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_REGISTRY_FORMAT_H_
