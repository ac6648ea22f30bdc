// Atomic writes: what a killed writer left is removed by the next write of
// the same file and nothing else is; writers at work in other processes are
// never disturbed; and what a write reports done is on the disk, not only in
// the page cache.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/magic.h>

#include <gtest/gtest.h>

#include "platform/atomic_file.h"
#include "tests/faults/faults_support.h"
#include "tests/support/test_support.h"

namespace zr::faults {
namespace {

enum class Entry { kFile, kLockedFile, kFolder, kLink };

// The cachestat system call (Linux 6.5), which the system headers may lack.
constexpr long kCachestat = 451;
struct CachestatRange {
  uint64_t offset, length;
};
struct Cachestat {
  uint64_t cached, dirty, writeback, evicted, recently_evicted;
};

TEST(TemporaryFilesTest, WriteRemovesOnlyWhatDeadWritersLeft) {
  struct Leftover {
    const char* name;
    Entry entry;
    bool removed;
  };
  // Every entry lies beside "Password.dat" when it is written.
  const Leftover kLeftovers[] = {
      {"Password.dat.tmpAb12Cd", Entry::kFile, true},         // left by a killed writer
      {"Password.dat.tmpXy98Zw", Entry::kLockedFile, false},  // held by a writer at work
      {"Rejected.dat.tmpAb12Cd", Entry::kFile, false},        // of another file
      {"xPassword.dat.tmpAb12Cd", Entry::kFile, false},       // of a file whose name ends alike
      {"Password.dat.tmpAb12C", Entry::kFile, false},         // random part too short
      {"Password.dat.tmpAb12Cde", Entry::kFile, false},       // random part too long
      {"Password.dat.tmpAb-2Cd", Entry::kFile, false},        // a character mkostemp never uses
      {"Password.dat.tmpQq11Ww", Entry::kFolder, false},
      {"Password.dat.tmpLn00Kk", Entry::kLink, false},
  };
  testing::TempDir folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string outside = folder.File("outside");
  ASSERT_TRUE(WriteFileAtomically(outside, "not to be touched"));
  std::vector<int> locks;
  for (const Leftover& c : kLeftovers) {
    std::string path = folder.File(c.name);
    if (c.entry == Entry::kFolder) {
      ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    } else if (c.entry == Entry::kLink) {
      ASSERT_EQ(::symlink(outside.c_str(), path.c_str()), 0);
    } else {
      int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      ASSERT_GE(fd, 0) << c.name;
      // A lock on a separate open file conflicts even within one process.
      if (c.entry == Entry::kLockedFile) ASSERT_EQ(::flock(fd, LOCK_EX), 0);
      (c.entry == Entry::kLockedFile ? locks.push_back(fd) : (void)::close(fd));
    }
  }
  ASSERT_TRUE(WriteFileAtomically(folder.File("Password.dat"), "new content"));
  EXPECT_EQ(ReadBytes(folder.File("Password.dat")), "new content");
  for (const Leftover& c : kLeftovers) {
    struct stat st;
    EXPECT_EQ(::lstat(folder.File(c.name).c_str(), &st) != 0, c.removed) << c.name;
  }
  EXPECT_EQ(ReadBytes(outside), "not to be touched");
  for (int fd : locks) ::close(fd);
  // Once its writer is gone, the held one goes at the next write too.
  ASSERT_TRUE(WriteFileAtomically(folder.File("Password.dat"), "newer content"));
  EXPECT_NE(::access(folder.File("Password.dat.tmpXy98Zw").c_str(), F_OK), 0);
}

// Two processes replace the same file again and again while this one reads
// it: no write fails because of the other's cleaning, every read finds one
// whole content.
TEST(TemporaryFilesTest, ConcurrentWritersNeverDisturbEachOther) {
  testing::TempDir folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string target = folder.File("Rejected.dat");
  const std::string contents[2] = {std::string(128 * 1024, 'a'), std::string(128 * 1024 + 1, 'b')};
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = ::fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) {
      int failures = 0;
      for (int i = 0; i < 300; ++i) failures += !WriteFileAtomically(target, contents[w]);
      ::_exit(std::min(failures, 100));
    }
  }
  int reads = 0;
  int torn = 0;
  for (int running = 2; running > 0;) {
    if (auto bytes = ReadBytes(target)) {
      ++reads;
      torn += *bytes != contents[0] && *bytes != contents[1];
    }
    running = 0;
    for (pid_t& pid : writers) {
      int status = 0;
      if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer's saves failed";
        pid = 0;
      }
      running += pid > 0;
    }
  }
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(TemporaryFiles(folder.path()), std::vector<std::string>());
}

TEST(TemporaryFilesTest, AFinishedWriteLeavesNoDirtyPageBehind) {
  testing::TempDir folder;
  struct statfs fs;
  ASSERT_EQ(::statfs(folder.path().c_str(), &fs), 0);
  if (fs.f_type == TMPFS_MAGIC) GTEST_SKIP() << "the temporary folder is in memory (tmpfs)";
  const std::string path = folder.File("Password.dat");
  ASSERT_TRUE(WriteFileAtomically(path, std::string(256 * 1024, 'p')));
  // The kernel's count of the file's cached pages not yet written back.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  CachestatRange range{0, 0};  // the whole file
  Cachestat stat{};
  long called = ::syscall(kCachestat, fd, &range, &stat, 0);
  ::close(fd);
  if (called != 0) GTEST_SKIP() << "no cachestat on this kernel";
  EXPECT_EQ(stat.dirty + stat.writeback, 0u) << "written but not flushed";
}

}  // namespace
}  // namespace zr::faults
