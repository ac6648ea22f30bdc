// Reading another process's executable and sandbox marker from /proc.
#include "platform/process_info.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace zr {

namespace {

std::string ProcessFolder(long pid, const std::string& proc_root) {
  return proc_root + "/" + std::to_string(pid);
}

}  // namespace

std::optional<std::string> ProcessExecutable(long pid, const std::string& proc_root) {
  if (pid <= 0) return std::nullopt;
  std::string link = ProcessFolder(pid, proc_root) + "/exe";
  std::vector<char> buffer(4096);
  ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
  // A path that fills the buffer may have been cut: it is not trusted.
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return std::nullopt;
  std::string path(buffer.data(), static_cast<size_t>(length));
  if (path[0] != '/') return std::nullopt;
  return path;
}

std::optional<bool> ProcessSandboxed(long pid, const std::string& proc_root) {
  if (pid <= 0) return std::nullopt;
  std::string root = ProcessFolder(pid, proc_root) + "/root";
  struct stat info;
  if (::stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  std::string marker = root + "/.flatpak-info";
  if (::lstat(marker.c_str(), &info) == 0) return true;
  if (errno == ENOENT) return false;
  return std::nullopt;
}

}  // namespace zr
