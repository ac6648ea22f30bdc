// The lock count and the shutdown monitor with short quiet periods (fixed waits only for "not
// yet" checks), and the per-client reference table.
#include "server/module_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "server/reference_table.h"

namespace zr {
namespace {

using std::chrono::milliseconds;
using std::this_thread::sleep_for;
using Clock = std::chrono::steady_clock;

// Waits until quits is non-zero; false after 10 s.
bool WaitForQuit(const std::atomic<int>& quits) {
  auto end = Clock::now() + milliseconds(10000);
  while (quits == 0 && Clock::now() < end) sleep_for(milliseconds(5));
  return quits != 0;
}

// A server that no client reached, or that a client holds, keeps running; each release to zero
// within the quiet period starts it again.
TEST(ModuleLockTest, QuitsOnceAfterTheQuietPeriodFollowingTheLastUnlock) {
  std::atomic<int> quits{0};
  ModuleLock lock(milliseconds(300));
  ASSERT_TRUE(lock.StartMonitor([&] { ++quits; }));
  sleep_for(milliseconds(400));
  EXPECT_EQ(lock.Lock(), 1);
  EXPECT_EQ(lock.Lock(), 2);
  EXPECT_EQ(lock.Unlock(), 1);
  sleep_for(milliseconds(400));
  EXPECT_EQ(lock.Unlock(), 0);
  for (int i = 0; i < 3; ++i, sleep_for(milliseconds(150))) lock.Lock(), lock.Unlock();
  lock.Lock();  // a new client within the quiet period
  sleep_for(milliseconds(500));
  EXPECT_EQ(quits, 0);
  auto released = Clock::now();
  EXPECT_EQ(lock.Unlock(), 0);
  ASSERT_TRUE(WaitForQuit(quits));
  EXPECT_GE(Clock::now() - released, milliseconds(300));
  sleep_for(milliseconds(400));
  EXPECT_EQ(quits, 1);
}

TEST(ReferenceTableTest, CountsPerClientAndGivesAllBackWhenAClientLeaves) {
  ReferenceTable table;
  EXPECT_EQ(table.Add(":1.5", "/ZRBarHelper"), 1u);
  EXPECT_EQ(table.Add(":1.5", "/ZRBarHelper"), 2u);
  EXPECT_EQ(table.Add(":1.6", "/ZRBarHelper"), 3u);
  EXPECT_EQ(table.Add(":1.6", "/History"), 1u);
  // A client cannot give back what it does not hold, even when others do.
  EXPECT_FALSE(table.Release(":1.7", "/ZRBarHelper"));
  EXPECT_FALSE(table.Release(":1.5", "/History"));
  EXPECT_TRUE(table.Release(":1.5", "/ZRBarHelper"));
  EXPECT_EQ(table.Total("/ZRBarHelper"), 2u);
  EXPECT_EQ(table.ReleaseAll(":1.6"),
            (std::vector<std::pair<std::string, unsigned>>{{"/History", 1}, {"/ZRBarHelper", 1}}));
  EXPECT_FALSE(table.HasClient(":1.6"));
  EXPECT_TRUE(table.ReleaseAll(":1.6").empty());
  EXPECT_EQ(std::make_pair(table.Total("/ZRBarHelper"), table.Total("/History")),
            std::make_pair(1u, 0u));
  EXPECT_TRUE(table.Release(":1.5", "/ZRBarHelper"));
  EXPECT_FALSE(table.HasClient(":1.5"));
}

}  // namespace
}  // namespace zr
