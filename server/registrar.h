// The registrar: applies a registration script (syntax in registrar.md) to the
// HKEY_CLASSES_ROOT registry store, for registration or for removal. It changes
// the store in memory only; the caller saves it.
#ifndef ZRFORM_SERVER_REGISTRAR_H_
#define ZRFORM_SERVER_REGISTRAR_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "server/hresult.h"
#include "server/registrar_script.h"

namespace zr {

class Registrar {
 public:
  // REQUIRES: classes_root outlives the registrar.
  explicit Registrar(RegistryStore& classes_root);

  // Sets the text that %name% stands for (name compared without regard to
  // ASCII case). The text goes into the script as it is: where it lands inside
  // '...', the caller must have doubled its single quotes.
  void AddReplacement(std::string_view name, std::string_view text);

  // Writes the script's keys and values: ForceRemove keys are first deleted
  // with their subtree, Delete keys only deleted. kS_OK, or kDISP_E_EXCEPTION
  // when the script is malformed, in which case nothing is changed.
  [[nodiscard]] HResult Register(std::string_view script);

  // Removes what the script writes: each value named by "val", and each key not
  // marked NoRemove once nothing is left below it (children first). Keys that
  // do not exist are passed over. Results as Register.
  [[nodiscard]] HResult Unregister(std::string_view script);

  // Why the last script was rejected; "" after one that was applied.
  const std::string& error() const { return error_; }

 private:
  bool Parse(std::string_view script, std::vector<ScriptNode>& keys);
  void RegisterNode(const std::string& parent, const ScriptNode& node);
  void UnregisterNode(const std::string& parent, const ScriptNode& node);

  RegistryStore& store_;
  Replacements replacements_;
  std::string error_;
};

}  // namespace zr

#endif  // ZRFORM_SERVER_REGISTRAR_H_
