// Finding and creating the per-user data folder below $XDG_DATA_HOME, with the
// executable's folder as the fallback when there is no usable home.
#include "platform/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zr {

namespace {

constexpr unsigned kFolderMode = 0700;

// Sets value to the environment variable name without trailing '/' (so "/"
// gives ""), when it is set to an absolute path. False otherwise.
bool AbsoluteEnv(const char* name, std::string& value) {
  const char* raw = std::getenv(name);
  if (raw == nullptr || raw[0] != '/') return false;
  value = raw;
  while (!value.empty() && value.back() == '/') value.pop_back();
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.empty() ? "/" : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool MakeFolderPath(const std::string& path, unsigned mode) {
  if (IsFolder(path)) return true;
  // Create each missing component in turn, from the top down.
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    std::string prefix = path.substr(0, pos);
    if (prefix.empty() || prefix.back() == '/') continue;
    if (::mkdir(prefix.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST &&
        !IsFolder(prefix)) {
      return false;
    }
  }
  return IsFolder(path);
}

std::string ExecutableFolder() {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return ".";
    if (static_cast<size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<size_t>(n));
      size_t slash = path.rfind('/');
      return slash == std::string::npos ? "." : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string FindDataFolder() {
  std::string base;
  if (!AbsoluteEnv("XDG_DATA_HOME", base)) {
    std::string home;
    if (!AbsoluteEnv("HOME", home)) return ExecutableFolder();
    base = home + "/.local/share";
  }
  // Like the application-data folder asked for with "create if missing", the
  // base folder is made when absent; errors surface later as failed saves.
  MakeFolderPath(base, kFolderMode);
  std::string folder = base + "/Zorvane";
  ::mkdir(folder.c_str(), kFolderMode);
  folder += "/ToolBar";
  ::mkdir(folder.c_str(), kFolderMode);
  return folder;
}

}  // namespace zr
