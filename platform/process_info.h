// What the OS tells about another process of this user: the executable it
// runs and whether it lives in an application sandbox. Both are read from
// /proc, or from a folder laid out like it (tests pass their own).
#ifndef ZRFORM_PLATFORM_PROCESS_INFO_H_
#define ZRFORM_PLATFORM_PROCESS_INFO_H_

#include <optional>
#include <string>

namespace zr {

inline constexpr char kProcRoot[] = "/proc";

// The absolute path of the executable of process pid (the link
// <proc_root>/<pid>/exe); none when it cannot be read (no such process, or
// one this process may not inspect). A replaced executable reads with the
// kernel's " (deleted)" suffix and so matches no recorded path.
std::optional<std::string> ProcessExecutable(long pid, const std::string& proc_root = kProcRoot);

// Whether process pid runs inside a sandbox: its root folder
// (<proc_root>/<pid>/root) holds ".flatpak-info". None when that cannot be
// told (the root cannot be inspected).
std::optional<bool> ProcessSandboxed(long pid, const std::string& proc_root = kProcRoot);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_PROCESS_INFO_H_
