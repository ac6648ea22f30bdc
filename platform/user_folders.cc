// The home and XDG folders, the executable's path, and the few file-system
// questions the layers above ask by path.
#include "platform/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zr {

namespace {

// The home folder of the user's password-database entry, when it is absolute.
std::optional<std::string> PasswordDatabaseHome() {
  long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 1024);
  for (;;) {
    struct passwd entry;
    struct passwd* found = nullptr;
    int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (size_t{1} << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
      return std::nullopt;
    }
    std::string home = found->pw_dir;
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home;
  }
}

}  // namespace

std::optional<std::string> AbsoluteEnv(const char* name) {
  const char* raw = std::getenv(name);
  if (raw == nullptr || raw[0] != '/') return std::nullopt;
  std::string value = raw;
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  return value;
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  return folder == "/" ? "/" + std::string(name) : folder + "/" + std::string(name);
}

std::optional<std::string> UserHome() {
  if (std::optional<std::string> home = AbsoluteEnv("HOME")) return home;
  return PasswordDatabaseHome();
}

std::optional<std::string> XdgFolder(const char* variable, std::string_view below_home,
                                     const std::optional<std::string>& home) {
  if (std::optional<std::string> folder = AbsoluteEnv(variable)) return folder;
  if (!home) return std::nullopt;
  return JoinPath(*home, below_home);
}

std::string ExecutablePath(const std::string& fallback) {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return fallback;
    if (static_cast<size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ExecutableFolder() {
  std::string path = ExecutablePath();
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool RemoveFileIfPresent(const std::string& path) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR;
}

}  // namespace zr
