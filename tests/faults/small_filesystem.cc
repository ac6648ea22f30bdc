// Mounting a small tmpfs or loop-device ext4 in a private mount namespace (a
// user namespace too when the process has no mount rights of its own).
#include "tests/faults/small_filesystem.h"

#include <fcntl.h>
#include <linux/loop.h>
#include <sched.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "tests/faults/child_process.h"

extern char** environ;

namespace zr::faults {

namespace {

constexpr char kFillerName[] = "filler";
constexpr size_t kFillChunk = 64 * 1024;

bool WriteText(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return (::close(fd) == 0) && ok;
}

// Moves the process into a mount namespace of its own, with its mounts private,
// so that nothing mounted later is seen outside or outlives the process.
bool EnterPrivateMountNamespace(std::string& why) {
  if (::unshare(CLONE_NEWNS) != 0) {
    std::string plain = ErrnoText("unshare(CLONE_NEWNS)");
    // Without mount rights, a user namespace may still grant them over its own mounts.
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      why = "no mount rights: " + plain + "; " + ErrnoText("unshare(CLONE_NEWUSER|CLONE_NEWNS)");
      return false;
    }
    std::string id = std::to_string(uid);
    if (!WriteText("/proc/self/setgroups", "deny") ||
        !WriteText("/proc/self/uid_map", id + " " + id + " 1\n") ||
        !WriteText("/proc/self/gid_map",
                   std::to_string(gid) + " " + std::to_string(gid) + " 1\n")) {
      why = ErrnoText("cannot map ids in a new user namespace");
      return false;
    }
  }
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    why = ErrnoText("mount --make-rprivate /");
    return false;
  }
  return true;
}

// The first of the usual places of a system program, or "" when none is there.
std::string FindProgram(const std::string& name) {
  for (const char* folder : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
    std::string path = folder + name;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return std::string();
}

// Runs argv quietly; true when it exits with status 0.
bool RunQuietly(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int error = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Attaches image to a free loop device that detaches itself once unmounted.
// Returns the device's open descriptor and sets device, or -1 and why.
int AttachLoopDevice(const std::string& image, std::string& device, std::string& why) {
  int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
  if (control < 0) {
    why = ErrnoText("no loop devices: open /dev/loop-control");
    return -1;
  }
  int image_fd = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
  int loop_fd = -1;
  for (int attempt = 0; attempt < 5 && loop_fd < 0 && image_fd >= 0; ++attempt) {
    int number = ::ioctl(control, LOOP_CTL_GET_FREE);
    if (number < 0) {
      why = ErrnoText("LOOP_CTL_GET_FREE");
      break;
    }
    device = "/dev/loop" + std::to_string(number);
    loop_fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (loop_fd < 0) {
      why = ErrnoText("open " + device);
      break;
    }
    if (::ioctl(loop_fd, LOOP_SET_FD, image_fd) != 0) {
      why = ErrnoText("LOOP_SET_FD on " + device);
      ::close(loop_fd);
      loop_fd = -1;
      if (errno != EBUSY) break;  // EBUSY: another process took it first
    }
  }
  if (loop_fd >= 0) {
    loop_info64 info{};
    info.lo_flags = LO_FLAGS_AUTOCLEAR;
    (void)::ioctl(loop_fd, LOOP_SET_STATUS64, &info);
  }
  if (image_fd >= 0) ::close(image_fd);
  ::close(control);
  return loop_fd;
}

}  // namespace

const char* KindName(FilesystemKind kind) {
  return kind == FilesystemKind::kTmpfs ? "tmpfs" : "ext4 on a loop device";
}

std::unique_ptr<SmallFilesystem> SmallFilesystem::Mount(FilesystemKind kind, size_t size,
                                                        std::string& why) {
  if (!EnterPrivateMountNamespace(why)) return nullptr;
  std::unique_ptr<SmallFilesystem> fs(new SmallFilesystem());
  std::string pattern = (std::filesystem::temp_directory_path() / "zrfaultsXXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    why = ErrnoText("mkdtemp");
    return nullptr;
  }
  fs->path_ = pattern;
  if (kind == FilesystemKind::kTmpfs) {
    std::string options = "size=" + std::to_string(size) + ",mode=0700";
    if (::mount("zrfaults", fs->path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) !=
        0) {
      why = ErrnoText("mount -t tmpfs -o " + options);
      return nullptr;
    }
    return fs;
  }
  std::string mkfs = FindProgram("mkfs.ext4");
  if (mkfs.empty()) {
    why = "mkfs.ext4 is not installed (package e2fsprogs)";
    return nullptr;
  }
  fs->image_ = fs->path_ + ".img";
  int image_fd = ::open(fs->image_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool made = image_fd >= 0 && ::ftruncate(image_fd, static_cast<off_t>(size)) == 0;
  if (image_fd >= 0) ::close(image_fd);
  // No journal and no reserved blocks: every block counts, as for a user's disk.
  if (!made ||
      !RunQuietly({mkfs, "-q", "-F", "-O", "^has_journal", "-m", "0", "-b", "1024", fs->image_})) {
    why = "cannot make an ext4 image with " + mkfs;
    return nullptr;
  }
  std::string device;
  fs->loop_fd_ = AttachLoopDevice(fs->image_, device, why);
  if (fs->loop_fd_ < 0) return nullptr;
  if (::mount(device.c_str(), fs->path_.c_str(), "ext4", MS_NOSUID | MS_NODEV, "") != 0) {
    why = ErrnoText("mount " + device);
    return nullptr;
  }
  ::chmod(fs->path_.c_str(), 0700);
  return fs;
}

SmallFilesystem::~SmallFilesystem() {
  if (!path_.empty()) {
    (void)::umount2(path_.c_str(), MNT_DETACH);
    ::rmdir(path_.c_str());
  }
  if (loop_fd_ >= 0) ::close(loop_fd_);  // the device detaches itself (autoclear)
  if (!image_.empty()) ::unlink(image_.c_str());
}

size_t SmallFilesystem::FreeBytes() const {
  struct statvfs st;
  if (::statvfs(path_.c_str(), &st) != 0) return 0;
  return static_cast<size_t>(st.f_bavail) * st.f_frsize;
}

bool SmallFilesystem::FillLeaving(size_t free_bytes) {
  RemoveFiller();
  std::string filler = path_ + "/" + kFillerName;
  int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // Write until the disk is full, in ever smaller pieces, then give back free_bytes.
  std::vector<char> chunk(kFillChunk, 'f');
  off_t written = 0;
  for (size_t piece = kFillChunk; piece > 0; piece /= 2) {
    for (;;) {
      ssize_t n = ::write(fd, chunk.data(), piece);
      if (n <= 0) break;
      written += n;
    }
  }
  bool ok = ::fsync(fd) == 0 || errno == ENOSPC;
  if (ok && free_bytes > 0) {
    ok = ::ftruncate(fd, written > static_cast<off_t>(free_bytes)
                             ? written - static_cast<off_t>(free_bytes)
                             : 0) == 0 &&
         ::fsync(fd) == 0;
  }
  ::close(fd);
  return ok;
}

void SmallFilesystem::RemoveFiller() { ::unlink((path_ + "/" + kFillerName).c_str()); }

}  // namespace zr::faults
