// Where the user's files go: the home folder, the XDG base folders below it,
// and the running executable. Paths never end in '/' except the root "/".
#ifndef ZRFORM_PLATFORM_USER_FOLDERS_H_
#define ZRFORM_PLATFORM_USER_FOLDERS_H_

#include <optional>
#include <string>
#include <string_view>

namespace zr {

// The environment variable name when it holds an absolute path, with trailing
// '/' removed (the root stays "/"); nullopt when unset, empty or relative.
std::optional<std::string> AbsoluteEnv(const char* name);

// folder + "/" + name, without doubling the '/' of the root.
std::string JoinPath(const std::string& folder, std::string_view name);

// $HOME when absolute, otherwise the home of the user's entry in the password
// database (getpwuid_r) when that is absolute; nullopt when neither is.
std::optional<std::string> UserHome();

// The XDG base folder that variable names when it is absolute, otherwise
// below_home inside home; nullopt without either.
std::optional<std::string> XdgFolder(const char* variable, std::string_view below_home,
                                     const std::optional<std::string>& home);

// The running executable's full path (from /proc/self/exe, of any length);
// fallback when it cannot be read.
std::string ExecutablePath(const std::string& fallback = std::string());
// The folder of the running executable, without a trailing '/'; "." when unknown.
std::string ExecutableFolder();

// Whether path names something that exists (links followed, as access(F_OK)).
bool PathExists(const std::string& path);
// Removes the file at path. True when it is gone afterwards: removed, or not
// there (nor its folder) to begin with.
bool RemoveFileIfPresent(const std::string& path);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_USER_FOLDERS_H_
