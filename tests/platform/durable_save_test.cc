// A save survives a power cut only when the folder is flushed after the
// rename: fsync and rename are interposed (linked with --wrap) to record the
// order of the calls and which file each fsync flushed.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "tests/support/test_support.h"

extern "C" {
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
}

namespace {

struct Call {
  std::string what;  // "rename", "fsync file", "fsync folder"
  ino_t inode = 0;   // of the flushed file or folder
};
std::vector<Call> calls;
int fail_folder_fsync_errno = 0;

}  // namespace

extern "C" int __wrap_fsync(int fd) {
  struct stat st {};
  ::fstat(fd, &st);
  const bool folder = S_ISDIR(st.st_mode);
  calls.push_back({folder ? "fsync folder" : "fsync file", st.st_ino});
  if (folder && fail_folder_fsync_errno != 0) {
    errno = fail_folder_fsync_errno;
    return -1;
  }
  return __real_fsync(fd);
}

extern "C" int __wrap_rename(const char* from, const char* to) {
  calls.push_back({"rename", 0});
  return __real_rename(from, to);
}

namespace zr {
namespace {

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(DurableSaveTest, TheFolderIsFlushedAfterTheRename) {
  testing::TempDir dir;
  calls.clear();
  fail_folder_fsync_errno = 0;
  ASSERT_TRUE(WriteFileAtomically(dir.File("Password.dat"), "data"));
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].what, "fsync file");
  EXPECT_EQ(calls[0].inode, InodeOf(dir.File("Password.dat")));
  EXPECT_EQ(calls[1].what, "rename");
  EXPECT_EQ(calls[2].what, "fsync folder");
  EXPECT_EQ(calls[2].inode, InodeOf(dir.path()));
}

TEST(DurableSaveTest, AFolderThatCannotBeFlushedFailsTheSave) {
  struct Row {
    int error;
    bool saved;
  };
  // EINVAL: the file system has no folder flush (its entries are kept by
  // other means); EIO: the flush failed, so the save is not known to last.
  for (Row row : {Row{EINVAL, true}, Row{EIO, false}}) {
    testing::TempDir dir;
    fail_folder_fsync_errno = row.error;
    EXPECT_EQ(WriteFileAtomically(dir.File("History.txt"), "a\r\n"), row.saved) << row.error;
    fail_folder_fsync_errno = 0;
  }
}

}  // namespace
}  // namespace zr
