// A save survives a power cut only when the folder is flushed after the
// rename: fsync and rename are interposed (linked with --wrap) to record the
// order of the calls and what each fsync flushed.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/atomic_file.h"
#include "tests/support/test_support.h"

extern "C" int __real_fsync(int fd);
extern "C" int __real_rename(const char* from, const char* to);
namespace {
std::string calls;  // "F<inode> " for a file, "D<inode> " for a folder, "R " for a rename
int folder_fsync_errno = 0;
}  // namespace

extern "C" int __wrap_fsync(int fd) {
  struct stat st {};
  ::fstat(fd, &st);
  calls += (S_ISDIR(st.st_mode) ? "D" : "F") + std::to_string(st.st_ino) + " ";
  if (S_ISDIR(st.st_mode) && folder_fsync_errno != 0) return errno = folder_fsync_errno, -1;
  return __real_fsync(fd);
}
extern "C" int __wrap_rename(const char* from, const char* to) {
  calls += "R ";
  return __real_rename(from, to);
}

namespace zr {
namespace {

std::string Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? std::to_string(st.st_ino) : "?";
}

// EINVAL: the file system has no folder flush; EIO: the save is not known to last.
TEST(DurableSaveTest, TheFileIsFlushedBeforeAndTheFolderAfterTheRenameWhoseFailureFailsTheSave) {
  for (const auto& [error, saved] : {std::pair{0, true}, {EINVAL, true}, {EIO, false}}) {
    testing::TempDir dir;
    calls.clear();
    folder_fsync_errno = error;
    EXPECT_EQ(WriteFileAtomically(dir.File("Password.dat"), "data"), saved) << error;
    folder_fsync_errno = 0;
    EXPECT_EQ(calls, "F" + Inode(dir.File("Password.dat")) + " R D" + Inode(dir.path()) + " ");
  }
}

}  // namespace
}  // namespace zr
