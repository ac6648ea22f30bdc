// Whole-file reads and atomic replacement of files (temporary file, fsync,
// rename, fsync of the folder so that the rename itself survives a power cut).
// A writer holds an exclusive lock on its temporary file until the file is
// renamed or removed, so a temporary file nobody holds was left by a writer
// that died: the next write of the same target removes it.
#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zr {

namespace {

// A temporary file is named after its target: "<target name>.tmp" followed by
// the six letters and digits that mkostemp puts in place of the X's.
constexpr char kTemporaryInfix[] = ".tmp";
constexpr char kTemporaryTemplate[] = ".tmpXXXXXX";
constexpr size_t kTemporarySuffixLength = 6;
// Attempts at a temporary file that is still ours once locked.
constexpr int kCreateAttempts = 8;

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsTemporaryNameOf(std::string_view name, std::string_view target_name) {
  if (name.size() != target_name.size() + sizeof kTemporaryInfix - 1 + kTemporarySuffixLength ||
      name.substr(0, target_name.size()) != target_name) {
    return false;
  }
  name.remove_prefix(target_name.size());
  if (name.substr(0, sizeof kTemporaryInfix - 1) != kTemporaryInfix) return false;
  name.remove_prefix(sizeof kTemporaryInfix - 1);
  for (char c : name) {
    bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alphanumeric) return false;
  }
  return true;
}

// Whether fd and the entry name in folder_fd are the same file.
bool SameFile(int fd, int folder_fd, const char* name) {
  struct stat by_fd;
  struct stat by_name;
  return ::fstat(fd, &by_fd) == 0 &&
         ::fstatat(folder_fd, name, &by_name, AT_SYMLINK_NOFOLLOW) == 0 &&
         by_fd.st_dev == by_name.st_dev && by_fd.st_ino == by_name.st_ino;
}

// Removes the temporary files of path that no writer holds any more: those of
// writers killed between creating and renaming them. Others are left alone.
void RemoveAbandonedTemporaries(const std::string& path) {
  const std::string target_name = NameOf(path);
  DIR* folder = ::opendir(FolderOf(path).c_str());
  if (folder == nullptr) return;
  const int folder_fd = ::dirfd(folder);
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsTemporaryNameOf(entry->d_name, target_name)) continue;
    int fd = ::openat(folder_fd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        SameFile(fd, folder_fd, entry->d_name)) {
      ::unlinkat(folder_fd, entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(folder);
}

// Creates and locks a new temporary file for path; -1 on failure. The name is
// checked again once locked: a cleaner may have removed the file in between.
int CreateLockedTemporary(const std::string& path, std::vector<char>& name) {
  const std::string name_template = path + kTemporaryTemplate;
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    name.assign(name_template.begin(), name_template.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat by_name;
    struct stat by_fd;
    if (::flock(fd, LOCK_EX) == 0 && ::stat(name.data(), &by_name) == 0 &&
        ::fstat(fd, &by_fd) == 0 && by_name.st_dev == by_fd.st_dev &&
        by_name.st_ino == by_fd.st_ino) {
      return fd;
    }
    ::close(fd);
  }
  return -1;
}

// Flushes the folder's entries to disk. A file system that cannot flush a
// folder (EINVAL) keeps its entries by other means; any other error fails.
bool FlushFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& contents, LastLink link) {
  const int no_follow = link == LastLink::kRefuse ? O_NOFOLLOW : 0;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | no_follow);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  std::string data;
  data.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  contents = std::move(data);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, unsigned mode) {
  if (path.empty()) return false;
  RemoveAbandonedTemporaries(path);
  std::vector<char> temp_name;
  int fd = CreateLockedTemporary(path, temp_name);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteAll(fd, data) && ::fsync(fd) == 0;
  // Renamed (or removed) while still locked, so no cleaner takes it for abandoned.
  if (ok) ok = ::rename(temp_name.data(), path.c_str()) == 0;
  if (!ok) ::unlink(temp_name.data());
  ::close(fd);  // after fsync, closing cannot lose data
  return ok && FlushFolder(FolderOf(path));
}

bool IsRegularFileOrMissing(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace zr
