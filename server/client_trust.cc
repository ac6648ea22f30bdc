// The trust decision: shipped clients and allowed programs by exact path,
// sandboxed and unidentified callers refused, unknown programs asked once.
#include "server/client_trust.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "resources/class_ids.h"

namespace zr {

namespace {

// The paths held by the values "1", "2", ... of key, in order.
std::vector<std::string> NumberedPaths(const RegistryStore& store, std::string_view key) {
  std::vector<std::string> paths;
  for (int number = 1;; ++number) {
    std::optional<RegistryValue> value = store.GetValue(key, std::to_string(number));
    if (!value || !std::holds_alternative<std::string>(*value)) return paths;
    paths.push_back(std::get<std::string>(*value));
  }
}

bool IsShippedClient(const std::string& executable) {
  RegistryStore store(Hive::kClassesRoot);
  (void)store.Load();  // a damaged hive names no client
  for (std::string_view name : kShippedClientNames) {
    std::optional<RegistryValue> value = store.GetValue(ShippedClientsKey(), name);
    if (value && std::holds_alternative<std::string>(*value) &&
        std::get<std::string>(*value) == executable) {
      return true;
    }
  }
  return false;
}

bool IsAllowedProgram(const std::string& executable) {
  RegistryStore store(Hive::kCurrentUser);
  (void)store.Load();
  for (const std::string& path : NumberedPaths(store, kAllowedProgramsKey)) {
    if (path == executable) return true;
  }
  return false;
}

void SayRefused(long pid, const std::string& executable, const char* why) {
  std::fprintf(stderr, "zrform: refused logins and forms to %s (process %ld): %s\n",
               executable.empty() ? "an unidentified program" : executable.c_str(), pid, why);
}

}  // namespace

std::string ShippedClientsKey() { return "AppID\\" + std::string(kAppId) + "\\Clients"; }

void RecordShippedClients(RegistryStore& classes_root, const std::string& server_exe) {
  RemoveShippedClients(classes_root);
  namespace fs = std::filesystem;
  fs::path folder = fs::path(server_exe).parent_path();
  for (std::string_view name : kShippedClientNames) {
    std::error_code error;
    fs::path client = fs::canonical(folder / name, error);
    if (error || !fs::is_regular_file(client, error)) continue;
    fs::perms perms = fs::status(client, error).permissions();
    if (error || (perms & fs::perms::owner_exec) == fs::perms::none) continue;
    classes_root.SetValue(ShippedClientsKey(), name, client.string());
  }
}

void RemoveShippedClients(RegistryStore& classes_root) {
  (void)classes_root.DeleteKey(ShippedClientsKey());
}

bool AllowProgram(const std::string& executable) {
  RegistryStore store(Hive::kCurrentUser);
  // A hive that cannot be read is not overwritten: its keys would be lost.
  if (!store.Load() && store.unreadable()) return false;
  std::vector<std::string> paths = NumberedPaths(store, kAllowedProgramsKey);
  for (const std::string& path : paths) {
    if (path == executable) return true;
  }
  store.SetValue(kAllowedProgramsKey, std::to_string(paths.size() + 1), executable);
  return store.Save();
}

CallerCheck ClientTrust::Check(long pid) const {
  CallerCheck check;
  std::optional<std::string> executable = ProcessExecutable(pid, proc_root_);
  if (executable) check.executable = *executable;
  // A sandbox is looked for first: inside one, the executable's path names a
  // file of the sandbox, which may look like any path outside it.
  std::optional<bool> sandboxed = ProcessSandboxed(pid, proc_root_);
  if (sandboxed.value_or(false)) {
    check.verdict = TrustVerdict::kSandboxed;
  } else if (!sandboxed || !executable) {
    check.verdict = TrustVerdict::kUnidentified;
  } else if (IsShippedClient(*executable)) {
    check.verdict = TrustVerdict::kShippedClient;
  } else if (IsAllowedProgram(*executable)) {
    check.verdict = TrustVerdict::kAllowedProgram;
  } else {
    check.verdict = TrustVerdict::kUnknownProgram;
  }
  return check;
}

bool ClientTrust::Admit(long pid, Prompts& prompts, WindowId owner) {
  CallerCheck check = Check(pid);
  switch (check.verdict) {
    case TrustVerdict::kShippedClient:
    case TrustVerdict::kAllowedProgram:
      return true;
    case TrustVerdict::kSandboxed:
      SayRefused(pid, check.executable, "it runs in a sandbox");
      return false;
    case TrustVerdict::kUnidentified:
      SayRefused(pid, check.executable, "its program cannot be told");
      return false;
    case TrustVerdict::kUnknownProgram:
      break;
  }
  const std::string& program = check.executable;
  if (refused_.count(program)) {
    SayRefused(pid, program, "the user did not allow it");
    return false;
  }
  if (asking_.count(program)) {
    SayRefused(pid, program, "a window is already asking about it");
    return false;
  }
  asking_.insert(program);
  std::string question = program + " wants to fill your logins and forms. Allow?";
  MessageAnswer answer = prompts.ShowMessage(owner, question, "Zorvane Toolbar",
                                             MessageIcon::kExclamation, MessageButtons::kYesNo);
  asking_.erase(program);
  if (answer != MessageAnswer::kYes) {
    refused_.insert(program);
    SayRefused(pid, program, "the user did not allow it");
    return false;
  }
  if (!AllowProgram(program)) {
    std::fprintf(stderr, "zrform: cannot record that %s is allowed; it is for this time only\n",
                 program.c_str());
  }
  return true;
}

}  // namespace zr
