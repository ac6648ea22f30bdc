// The registrar: a parsed script is applied node by node, in script order, so
// that a script either takes effect whole or (when malformed) not at all.
#include "server/registrar.h"

#include <algorithm>

#include "platform/ascii_case.h"

namespace zr {

namespace {

std::string ChildPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + '\\' + name;
}

}  // namespace

Registrar::Registrar(RegistryStore& classes_root) : store_(classes_root) {}

void Registrar::AddReplacement(std::string_view name, std::string_view text) {
  for (auto& [key, value] : replacements_) {
    if (AsciiEqualNoCase(key, name)) {
      value = text;
      return;
    }
  }
  replacements_.emplace_back(std::string(name), std::string(text));
}

HResult Registrar::Register(std::string_view script) {
  std::vector<ScriptNode> keys;
  if (!Parse(script, keys)) return kDISP_E_EXCEPTION;
  for (const ScriptNode& node : keys) RegisterNode(std::string(), node);
  return kS_OK;
}

HResult Registrar::Unregister(std::string_view script) {
  std::vector<ScriptNode> keys;
  if (!Parse(script, keys)) return kDISP_E_EXCEPTION;
  for (const ScriptNode& node : keys) UnregisterNode(std::string(), node);
  return kS_OK;
}

bool Registrar::Parse(std::string_view script, std::vector<ScriptNode>& keys) {
  error_.clear();
  std::string expanded;
  return ExpandReplacements(script, replacements_, expanded, error_) &&
         ParseScript(expanded, keys, error_);
}

void Registrar::RegisterNode(const std::string& parent, const ScriptNode& node) {
  if (node.is_value) {
    store_.SetValue(parent, node.name, *node.value);
    return;
  }
  std::string path = ChildPath(parent, node.name);
  if (node.rule == KeyRule::kDelete || node.rule == KeyRule::kForceRemove) {
    store_.DeleteKey(path);
    if (node.rule == KeyRule::kDelete) return;
  }
  store_.CreateKey(path);
  if (node.value) store_.SetValue(path, "", *node.value);
  for (const ScriptNode& child : node.children) RegisterNode(path, child);
}

void Registrar::UnregisterNode(const std::string& parent, const ScriptNode& node) {
  if (node.is_value) {
    store_.DeleteValue(parent, node.name);
    return;
  }
  std::string path = ChildPath(parent, node.name);
  if (node.rule == KeyRule::kDelete || !store_.KeyExists(path)) return;
  for (const ScriptNode& child : node.children) UnregisterNode(path, child);
  // Like the platform's registrar, a key that still has subkeys (written by
  // someone else) stays, with its values.
  if (node.rule != KeyRule::kNoRemove && store_.SubKeys(path).empty()) store_.DeleteKey(path);
}

}  // namespace zr
