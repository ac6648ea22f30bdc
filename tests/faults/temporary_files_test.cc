// Temporary files of atomic writes: what a killed writer left is removed by
// the next write of the same file, and nothing else is; writers at work in
// other processes are never disturbed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "tests/faults/child_process.h"
#include "tests/faults/data_variants.h"
#include "tests/faults/temp_folder.h"

namespace zr::faults {
namespace {

enum class Entry { kFile, kLockedFile, kFolder, kLink };

struct LeftoverCase {
  const char* name;
  const char* entry_name;
  Entry entry;
  bool removed;
};

// Every entry lies beside "Password.dat" when it is written.
const LeftoverCase kLeftovers[] = {
    {"left by a killed writer", "Password.dat.tmpAb12Cd", Entry::kFile, true},
    {"another one left by a killed writer", "Password.dat.tmp000000", Entry::kFile, true},
    {"held by a writer at work", "Password.dat.tmpXy98Zw", Entry::kLockedFile, false},
    {"of another file", "Rejected.dat.tmpAb12Cd", Entry::kFile, false},
    {"of a file whose name ends alike", "xPassword.dat.tmpAb12Cd", Entry::kFile, false},
    {"without the random part", "Password.dat.tmp", Entry::kFile, false},
    {"random part too short", "Password.dat.tmpAb12C", Entry::kFile, false},
    {"random part too long", "Password.dat.tmpAb12Cde", Entry::kFile, false},
    {"a character mkostemp never uses", "Password.dat.tmpAb-2Cd", Entry::kFile, false},
    {"a folder", "Password.dat.tmpQq11Ww", Entry::kFolder, false},
    {"a symbolic link", "Password.dat.tmpLn00Kk", Entry::kLink, false},
};

TEST(TemporaryFilesTest, WriteRemovesOnlyWhatDeadWritersLeft) {
  TempFolder folder("zrtemps");
  ASSERT_FALSE(folder.path().empty());
  const std::string target = folder.path() + "/Password.dat";
  const std::string outside = folder.path() + "/outside";
  ASSERT_TRUE(WriteFileAtomically(outside, "not to be touched"));
  std::vector<int> locks;
  for (const LeftoverCase& c : kLeftovers) {
    std::string path = folder.path() + "/" + c.entry_name;
    if (c.entry == Entry::kFolder) {
      ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    } else if (c.entry == Entry::kLink) {
      ASSERT_EQ(::symlink(outside.c_str(), path.c_str()), 0);
    } else {
      int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      ASSERT_GE(fd, 0) << c.name;
      ASSERT_EQ(::write(fd, "half", 4), 4);
      // A lock on a separate open file conflicts even within one process.
      if (c.entry == Entry::kLockedFile) {
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        locks.push_back(fd);
      } else {
        ::close(fd);
      }
    }
  }
  ASSERT_TRUE(WriteFileAtomically(target, "new content"));
  EXPECT_EQ(ReadBytes(target), "new content");
  for (const LeftoverCase& c : kLeftovers) {
    struct stat st;
    bool present = ::lstat((folder.path() + "/" + c.entry_name).c_str(), &st) == 0;
    EXPECT_EQ(present, !c.removed) << c.name;
  }
  EXPECT_EQ(ReadBytes(outside), "not to be touched");
  for (int fd : locks) ::close(fd);
  // Once its writer is gone, the held one goes at the next write too.
  ASSERT_TRUE(WriteFileAtomically(target, "newer content"));
  EXPECT_NE(::access((folder.path() + "/Password.dat.tmpXy98Zw").c_str(), F_OK), 0);
}

// Two processes replace the same file again and again while a third reads it:
// no write fails because of the other's cleaning, and every read finds one
// whole content.
TEST(TemporaryFilesTest, ConcurrentWritersNeverDisturbEachOther) {
  constexpr int kWrites = 300;
  constexpr size_t kSize = 128 * 1024;
  TempFolder folder("zrtemps");
  ASSERT_FALSE(folder.path().empty());
  const std::string target = folder.path() + "/Rejected.dat";
  const std::string contents[2] = {std::string(kSize, 'a'), std::string(kSize + 1, 'b')};
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = ::fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) {
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) failures += !WriteFileAtomically(target, contents[w]);
      ::_exit(std::min(failures, 100));
    }
  }
  int reads = 0;
  int torn = 0;
  int running = 2;
  while (running > 0) {
    if (auto bytes = ReadBytes(target)) {
      ++reads;
      torn += *bytes != contents[0] && *bytes != contents[1];
    }
    running = 0;
    for (pid_t& pid : writers) {
      int status = 0;
      if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "a writer's saves failed: " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        pid = 0;
      }
      running += pid > 0;
    }
  }
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_GT(reads, 0);
  auto last = ReadBytes(target);
  EXPECT_TRUE(last == contents[0] || last == contents[1]);
  EXPECT_EQ(TemporaryFiles(folder.path()), std::vector<std::string>());
}

}  // namespace
}  // namespace zr::faults
