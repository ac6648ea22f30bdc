// Registering and unregistering the server ("RegServer", "UnregServer"): the
// registration scripts applied to the HKEY_CLASSES_ROOT store, then the type
// library step: interface descriptions, their TypeLib keys and the bus
// activation files below $XDG_DATA_HOME/dbus-1.
#ifndef ZRFORM_SERVER_REGISTRATION_H_
#define ZRFORM_SERVER_REGISTRATION_H_

#include <string>

#include "server/hresult.h"

namespace zr {

// Applies script 101 (result not checked), then the class scripts 102 and 105,
// stopping at the first failure; when both succeed, installs the interface
// descriptions, writes their TypeLib keys and the activation files (Exec =
// exe_path -Embedding), and records the shipped clients found beside
// exe_path (see client_trust.h). The hive is saved once, at the end. Returns kS_OK or
// the first failure: kE_INVALIDARG for an unusable exe_path (not absolute, or
// holding a control character or bytes that are not UTF-8), kREGDB_E_READREGDB
// for a hive that cannot be read (nothing is then written), kDISP_E_EXCEPTION
// for a malformed script, kTYPE_E_IOERROR for a file that cannot be written,
// kREGDB_E_WRITEREGDB when the hive cannot be saved.
[[nodiscard]] HResult RegisterServer(const std::string& exe_path);

// Removes what RegisterServer writes: the scripts' keys (kept keys stay), the
// TypeLib keys and the shipped clients from the hive, the activation files and the interface
// descriptions. Missing keys and files are not errors. Returns kS_OK,
// kE_INVALIDARG, kREGDB_E_READREGDB (nothing removed), kTYPE_E_IOERROR when a
// file could not be removed, or kREGDB_E_WRITEREGDB when the hive cannot be saved.
[[nodiscard]] HResult UnregisterServer(const std::string& exe_path);

}  // namespace zr

#endif  // ZRFORM_SERVER_REGISTRATION_H_
