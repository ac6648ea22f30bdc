// Parsing of registration scripts (syntax in registrar.md): the %NAME%
// replacements, then the brace-structured key tree below HKCR. Parsing is strict
// and whole: a script either parses completely or is rejected.
#ifndef ZRFORM_SERVER_REGISTRAR_SCRIPT_H_
#define ZRFORM_SERVER_REGISTRAR_SCRIPT_H_

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry_store.h"

namespace zr {

// What the script says to do with a key besides writing it.
enum class KeyRule {
  kNormal,       // written on registration, removed when nothing else is left below it
  kForceRemove,  // deleted with its subtree before being written; removed like kNormal
  kNoRemove,     // written on registration, never removed (its children are)
  kDelete,       // deleted with its subtree on registration; untouched on removal
};

// One line of a script: a key (with its default value and children) or a
// named value ("val") of the enclosing key.
struct ScriptNode {
  bool is_value = false;
  KeyRule rule = KeyRule::kNormal;
  std::string name;                    // key name (one component) or value name
  std::optional<RegistryValue> value;  // the key's default value; always set for a value
  std::vector<ScriptNode> children;    // in script order; keys only
};

// Name -> text pairs; names compare without regard to ASCII case.
using Replacements = std::vector<std::pair<std::string, std::string>>;

// Deepest nesting of key blocks accepted below HKCR.
inline constexpr int kMaxScriptDepth = 32;

// Replaces every %NAME% of script with its text (inserted as it is, not scanned
// again) and every %% with %. False, with a message in error, for an unknown
// name or a % without its closing %.
bool ExpandReplacements(std::string_view script, const Replacements& replacements, std::string& out,
                        std::string& error);

// Parses an expanded script into the keys below HKCR, in script order (several
// HKCR blocks are joined). False, with a message naming the line in error, when
// the script is malformed or uses what the registry store cannot hold (another
// root key, a value type other than s and d, a key name with a backslash).
bool ParseScript(std::string_view text, std::vector<ScriptNode>& keys, std::string& error);

}  // namespace zr

#endif  // ZRFORM_SERVER_REGISTRAR_SCRIPT_H_
