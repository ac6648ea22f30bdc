// Finding, creating and making private the per-user data folder below
// $XDG_DATA_HOME, with the executable's folder as the fallback without a home.
#include "platform/data_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace zr {

namespace {

constexpr unsigned kFolderMode = 0700;

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

namespace {

// Opens folder without following a link and, when it is the user's own, takes
// away every permission of group and others. Anything else is reported and
// left alone; a missing folder is not reported (the saves will fail).
void RestrictFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP || errno == ENOTDIR) {
      std::fprintf(stderr, "zrform: the data folder %s is not a folder but a link or a file\n",
                   folder.c_str());
    }
    return;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    if (st.st_uid != ::geteuid()) {
      std::fprintf(stderr, "zrform: the data folder %s belongs to another user\n", folder.c_str());
    } else if ((st.st_mode & 077) != 0 && ::fchmod(fd, st.st_mode & 0700) != 0) {
      std::fprintf(stderr, "zrform: the data folder %s could not be made private\n",
                   folder.c_str());
    }
  }
  ::close(fd);
}

}  // namespace

std::string DataFolderIn(const std::optional<std::string>& base) {
  if (!base) return ExecutableFolder();
  // Like the application-data folder asked for with "create if missing", the
  // base folder is made when absent; errors surface later as failed saves.
  MakeFolderPath(*base, kFolderMode);
  std::string folder = JoinPath(*base, "Zorvane");
  ::mkdir(folder.c_str(), kFolderMode);
  folder += "/ToolBar";
  ::mkdir(folder.c_str(), kFolderMode);
  RestrictFolder(folder);
  return folder;
}

std::string FindDataFolder() {
  return DataFolderIn(XdgFolder("XDG_DATA_HOME", ".local/share", UserHome()));
}

}  // namespace zr
