// Which files the History object reads and writes: regular files only (no
// link at the last component, no FIFO or folder, never a blocking open), and
// the current file moves only after a load or a remembered save that worked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>

#include "server/history.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr char kGoodText[] = "01-a\r\n02-b\r\n";
constexpr char kOtherText[] = "07-other\r\n";
// A Load that blocks does not come back at all; this only bounds the wait.
constexpr auto kLoadDeadline = std::chrono::seconds(20);

std::string CurFile(const History& history) {
  std::string name = "unset";
  EXPECT_EQ(history.GetCurFile(&name), kS_OK);
  return name;
}

long CountOf(const History& history) {
  long count = -1;
  EXPECT_EQ(history.Count(&count), kS_OK);
  return count;
}

class HistoryFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(temp_.path().empty());
    good_ = temp_.File("good.txt");
    other_ = temp_.File("other.txt");
    ASSERT_TRUE(WriteFile(good_, kGoodText));
    ASSERT_TRUE(WriteFile(other_, kOtherText));
    ASSERT_EQ(history_.Load(good_, 0), kS_OK);
  }

  TempDir temp_;
  std::string good_, other_;
  History history_;
};

// Each way a name can fail to be a readable regular file. Load must fail
// without blocking, keep the list and keep the current file.
struct RefusedLoad {
  const char* what;
  std::function<std::string(const TempDir&, const std::string& other)> make;
};

TEST_F(HistoryFilesTest, LoadRefusesAnythingButARegularFileAndKeepsTheCurrentFile) {
  const RefusedLoad cases[] = {
      {"missing", [](const TempDir& t, const std::string&) { return t.File("missing.txt"); }},
      {"folder", [](const TempDir& t, const std::string&) { return t.path(); }},
      {"link to a regular file",
       [](const TempDir& t, const std::string& other) {
         const std::string link = t.File("link.txt");
         EXPECT_EQ(::symlink(other.c_str(), link.c_str()), 0);
         return link;
       }},
      {"fifo",
       [](const TempDir& t, const std::string&) {
         const std::string fifo = t.File("fifo");
         EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
         return fifo;
       }},
  };
  for (const RefusedLoad& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = c.make(temp_, other_);
    auto load = std::async(std::launch::async, [&] { return history_.Load(path, 0); });
    if (load.wait_for(kLoadDeadline) != std::future_status::ready) {
      // Let the blocked open go (a FIFO opened for reading and writing never
      // blocks), so the test can report instead of hanging.
      int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
      load.wait();
      if (fd >= 0) ::close(fd);
      ADD_FAILURE() << "Load blocked";
      continue;
    }
    EXPECT_EQ(load.get(), kE_FAIL);
    EXPECT_EQ(CountOf(history_), 2);
    EXPECT_EQ(CurFile(history_), good_);
  }
  // The save at server end still goes to the file that was loaded last.
  ASSERT_TRUE(WriteFile(good_, ""));
  ASSERT_EQ(history_.ShutDown(), kS_OK);
  EXPECT_EQ(ReadFile(good_), kGoodText);
}

TEST_F(HistoryFilesTest, LoadThatWorksTakesTheName) {
  ASSERT_EQ(history_.Load(other_, 0), kS_OK);
  EXPECT_EQ(CurFile(history_), other_);
  EXPECT_EQ(CountOf(history_), 1);
}

TEST_F(HistoryFilesTest, SaveRefusesALinkAndLeavesItsTarget) {
  const std::string link = temp_.File("link.txt");
  ASSERT_EQ(::symlink(other_.c_str(), link.c_str()), 0);
  EXPECT_EQ(history_.Save(link, true), kE_FAIL);
  EXPECT_EQ(ReadFile(other_), kOtherText);
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(CurFile(history_), good_);
  // A remembered save that works moves the current file.
  const std::string saved = temp_.File("saved.txt");
  ASSERT_EQ(history_.Save(saved, true), kS_OK);
  EXPECT_EQ(CurFile(history_), saved);
  EXPECT_EQ(ReadFile(saved), kGoodText);
}

}  // namespace
}  // namespace zr
