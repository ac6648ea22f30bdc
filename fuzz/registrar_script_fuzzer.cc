// Fuzz target: a registration script expanded, parsed, and applied by the
// registrar to a classes hive held in memory (never saved), then removed.
// Parsing and applying must agree, nesting stays within its limit, and a
// script that marks no key NoRemove leaves no key behind once removed.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "server/registrar.h"
#include "server/registrar_script.h"

namespace zr {
namespace {

// The deepest key block below the given nodes, and whether any is NoRemove.
int Depth(const std::vector<ScriptNode>& nodes, bool& no_remove) {
  int deepest = 0;
  for (const ScriptNode& node : nodes) {
    if (node.is_value) continue;
    no_remove = no_remove || node.rule == KeyRule::kNoRemove;
    deepest = std::max(deepest, 1 + Depth(node.children, no_remove));
  }
  return deepest;
}

void RunInput(std::string_view script) {
  const Replacements replacements = {{"MODULE", "/opt/it''s here/100%/zrform"},
                                     {"INTERFACES", "/home/u/.local/share/interfaces"}};
  std::string expanded;
  std::string error;
  std::vector<ScriptNode> keys;
  bool parsed = ExpandReplacements(script, replacements, expanded, error) &&
                ParseScript(expanded, keys, error);
  ZR_FUZZ_CHECK(parsed || !error.empty());
  bool no_remove = false;
  if (parsed) ZR_FUZZ_CHECK(Depth(keys, no_remove) <= kMaxScriptDepth);

  RegistryStore store{std::string()};  // no file: changes stay in memory
  Registrar registrar(store);
  for (const auto& [name, text] : replacements) registrar.AddReplacement(name, text);
  HResult registered = registrar.Register(script);
  ZR_FUZZ_CHECK(registered == (parsed ? kS_OK : kDISP_E_EXCEPTION));
  if (!parsed) {
    ZR_FUZZ_CHECK(store.SubKeys("").empty());
    return;
  }
  ZR_FUZZ_CHECK(registrar.Unregister(script) == kS_OK);
  if (!no_remove) ZR_FUZZ_CHECK(store.SubKeys("").empty());
}

}  // namespace
}  // namespace zr

// A script has no size limit of its own (the parser's nesting has one).
ZR_FUZZ_ENTRY(zr::RunInput)
