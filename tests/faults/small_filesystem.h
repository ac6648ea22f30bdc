// A small, size-limited filesystem mounted for a full-disk test: a tmpfs with
// a size limit, or ext4 on a loop device. It lives in a private mount
// namespace, so it disappears with the process even if a test crashes.
#ifndef ZRFORM_TESTS_FAULTS_SMALL_FILESYSTEM_H_
#define ZRFORM_TESTS_FAULTS_SMALL_FILESYSTEM_H_

#include <cstddef>
#include <memory>
#include <string>

namespace zr::faults {

enum class FilesystemKind { kTmpfs, kLoopExt4 };
const char* KindName(FilesystemKind kind);

class SmallFilesystem {
 public:
  // Mounts a fresh filesystem of size bytes on a new folder. Null, with why
  // set, when this machine does not allow it (no mount rights, no loop device).
  // REQUIRES: a single-threaded process that may leave its mount namespace
  // (a test child): the process moves into a private one.
  static std::unique_ptr<SmallFilesystem> Mount(FilesystemKind kind, size_t size, std::string& why);
  ~SmallFilesystem();
  SmallFilesystem(const SmallFilesystem&) = delete;
  SmallFilesystem& operator=(const SmallFilesystem&) = delete;

  const std::string& path() const { return path_; }
  // Bytes an unprivileged writer may still use.
  size_t FreeBytes() const;
  // Fills the filesystem with a filler file until free_bytes or fewer remain.
  // False when it cannot. Replaces an earlier filler.
  bool FillLeaving(size_t free_bytes);
  void RemoveFiller();

 private:
  SmallFilesystem() = default;

  std::string path_;
  std::string image_;  // the loop device's backing file, "" for tmpfs
  int loop_fd_ = -1;
};

}  // namespace zr::faults

#endif  // ZRFORM_TESTS_FAULTS_SMALL_FILESYSTEM_H_
