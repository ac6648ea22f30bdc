// Which programs may have login and profile values: the clients this project
// ships (their paths recorded by registration), programs the user allowed once
// in a window (kept in the current user's hive), and no program inside a
// sandbox or one whose executable cannot be told. Standard C++ over the
// registry store; the caller's process id comes from the bus side.
#ifndef ZRFORM_SERVER_CLIENT_TRUST_H_
#define ZRFORM_SERVER_CLIENT_TRUST_H_

#include <set>
#include <string>
#include <string_view>

#include "forms/prompts.h"
#include "platform/process_info.h"
#include "platform/registry_store.h"

namespace zr {

// HKEY_CLASSES_ROOT "AppID\<the server's AppID>\Clients": one value per
// shipped client, named after it, holding the absolute path of its executable.
std::string ShippedClientsKey();
// The shipped clients, looked for beside the server executable.
inline constexpr std::string_view kShippedClientNames[] = {"zrbar", "zrform-browser"};
// HKEY_CURRENT_USER: the programs the user allowed, values "1", "2", ...
// holding their executables' absolute paths (compared exactly: value names
// ignore case, paths do not).
inline constexpr std::string_view kAllowedProgramsKey =
    "Software\\Zorvane\\Toolbar\\AllowedPrograms";

// Records the shipped clients found beside server_exe (regular executable
// files; links are resolved to the file they name) under ShippedClientsKey(),
// replacing what was recorded before.
void RecordShippedClients(RegistryStore& classes_root, const std::string& server_exe);
// Removes ShippedClientsKey().
void RemoveShippedClients(RegistryStore& classes_root);

// Adds executable to the user's allowed programs and saves the hive. False
// when the hive cannot be read or saved.
[[nodiscard]] bool AllowProgram(const std::string& executable);

enum class TrustVerdict {
  kShippedClient,
  kAllowedProgram,
  kUnknownProgram,  // may be asked about
  kSandboxed,
  kUnidentified,  // no process, or its executable or root cannot be read
};

struct CallerCheck {
  TrustVerdict verdict = TrustVerdict::kUnidentified;
  std::string executable;  // when known
};

class ClientTrust {
 public:
  // proc_root: where processes are looked up ("/proc"; tests lay out their own).
  explicit ClientTrust(std::string proc_root = kProcRoot) : proc_root_(std::move(proc_root)) {}

  // What process pid is, by the hives as they are now. Asks nobody.
  CallerCheck Check(long pid) const;

  // Whether process pid may have login and profile values. An unknown program
  // is asked about once in a window owned by owner ("<program> wants to fill
  // your logins and forms. Allow?"): Yes records it as allowed; No (also
  // without a display) is kept until the server ends, so that a program cannot
  // raise window after window. While that window is open, the same program's
  // other calls are refused. Every refusal is said on standard error.
  bool Admit(long pid, Prompts& prompts, WindowId owner);

 private:
  std::string proc_root_;
  std::set<std::string> refused_;  // programs the user refused while the server runs
  std::set<std::string> asking_;   // programs whose window is open
};

}  // namespace zr

#endif  // ZRFORM_SERVER_CLIENT_TRUST_H_
