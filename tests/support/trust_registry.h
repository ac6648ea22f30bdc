// Registry entries that the trust checks read, written the way a user or the
// registration writes them: a program allowed in the allow window, and the
// registered server executable that clients check the bus name's owner against.
#ifndef ZRFORM_TESTS_SUPPORT_TRUST_REGISTRY_H_
#define ZRFORM_TESTS_SUPPORT_TRUST_REGISTRY_H_

#include <unistd.h>

#include <string>

#include "platform/process_info.h"
#include "platform/registry_store.h"
#include "resources/class_ids.h"

namespace zr::testing {

// The running program's executable ("" when it cannot be read).
inline std::string ThisExecutable() {
  return ProcessExecutable(static_cast<long>(::getpid())).value_or("");
}

// Records executable as the registered server of ZRBarHelper (its
// LocalServer32 in the HKEY_CLASSES_ROOT hive), as RegServer would.
inline bool RegisterAsServer(const std::string& executable) {
  RegistryStore store(Hive::kClassesRoot);
  if (!store.Load() && store.unreadable()) return false;
  store.SetValue("CLSID\\" + std::string(kZRBarHelperClassId) + "\\LocalServer32", "", executable);
  return store.Save();
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_SUPPORT_TRUST_REGISTRY_H_
