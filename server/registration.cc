// Registering and unregistering the server: the scripts in table order, then
// the type library step, with the hive saved once at the end.
#include "server/registration.h"

#include <optional>

#include "platform/registry_store.h"
#include "platform/user_folders.h"
#include "platform/utf8.h"
#include "resources/registration_scripts.h"
#include "server/client_trust.h"
#include "server/registrar.h"
#include "server/registration_files.h"

namespace zr {

namespace {

// The class table: the scripts of ZRBarHelper and History, in this order.
constexpr int kClassScripts[] = {kIdrZRBarHelper, kIdrHistory};

bool Failed(HResult hr) { return hr < 0; }

// The path goes into a hive value, a registrar script and an activation file:
// it must be absolute (the bus daemon starts it from anywhere), free of control
// characters (no line of those files can hold them) and UTF-8 (the daemon
// ignores an activation file that is not).
bool IsUsableExecutablePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  for (size_t pos = 0; pos < path.size();) {
    unsigned char c = static_cast<unsigned char>(path[pos]);
    if (c < 0x20 || c == 0x7F) return false;
    size_t length = Utf8SequenceLength(path, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

// The script syntax's escape: a single quote inside '...' is written twice.
std::string DoubleSingleQuotes(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out;
}

// Installs the interface descriptions, records them under TypeLib and writes
// the activation files, in that order, stopping at the first failure.
HResult RegisterTypeLibrary(Registrar& registrar, const std::string& exe_path) {
  std::optional<std::string> data_home = DataHome();
  if (!data_home || !WriteInterfaceFiles(*data_home)) return kTYPE_E_IOERROR;
  registrar.AddReplacement("INTERFACES", DoubleSingleQuotes(InterfacesFolder(*data_home)));
  HResult hr = registrar.Register(TypeLibraryScript());
  if (Failed(hr)) return hr;
  return WriteActivationFiles(*data_home, exe_path) ? kS_OK : kTYPE_E_IOERROR;
}

// Undoes RegisterTypeLibrary; every part is attempted even after a failure.
HResult UnregisterTypeLibrary(Registrar& registrar) {
  std::optional<std::string> data_home = DataHome();
  registrar.AddReplacement("INTERFACES", DoubleSingleQuotes(data_home.value_or(std::string())));
  HResult hr = registrar.Unregister(TypeLibraryScript());
  if (!data_home) return hr;  // no place where files could have been written
  bool removed = RemoveActivationFiles(*data_home);
  removed = RemoveInterfaceFiles(*data_home) && removed;
  if (Failed(hr)) return hr;
  return removed ? kS_OK : kTYPE_E_IOERROR;
}

}  // namespace

HResult RegisterServer(const std::string& exe_path) {
  if (!IsUsableExecutablePath(exe_path)) return kE_INVALIDARG;
  RegistryStore store(Hive::kClassesRoot);
  // A hive that cannot be read is not overwritten: its keys would be lost.
  if (!store.Load()) return kREGDB_E_READREGDB;
  Registrar registrar(store);
  registrar.AddReplacement("MODULE", DoubleSingleQuotes(exe_path));
  (void)registrar.Register(*RegistrationScript(kIdrZRFormApp));
  HResult hr = kS_OK;
  for (int id : kClassScripts) {
    hr = registrar.Register(*RegistrationScript(id));
    if (Failed(hr)) break;
  }
  if (!Failed(hr)) hr = RegisterTypeLibrary(registrar, exe_path);
  // The clients shipped beside the server may have logins without being asked about.
  if (!Failed(hr)) RecordShippedClients(store, exe_path);
  // What was applied is saved even after a failure, as the platform's
  // registrar would have written it already.
  if (!store.Save() && !Failed(hr)) hr = kREGDB_E_WRITEREGDB;
  return hr;
}

HResult UnregisterServer(const std::string& exe_path) {
  if (!IsUsableExecutablePath(exe_path)) return kE_INVALIDARG;
  RegistryStore store(Hive::kClassesRoot);
  // Without a hive file there is nothing to remove from it, and none is made.
  bool hive_exists = PathExists(store.path());
  if (!store.Load()) return kREGDB_E_READREGDB;
  Registrar registrar(store);
  registrar.AddReplacement("MODULE", DoubleSingleQuotes(exe_path));
  (void)registrar.Unregister(*RegistrationScript(kIdrZRFormApp));
  for (int id : kClassScripts) (void)registrar.Unregister(*RegistrationScript(id));
  HResult hr = UnregisterTypeLibrary(registrar);
  RemoveShippedClients(store);
  if (hive_exists && !store.Save() && !Failed(hr)) hr = kREGDB_E_WRITEREGDB;
  return hr;
}

}  // namespace zr
