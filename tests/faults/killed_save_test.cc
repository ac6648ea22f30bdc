// A process saving the data files in turn, killed with SIGKILL at random
// moments, over and over: after each kill every file must hold exactly what
// one save wrote, and no save that had finished may be lost.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include "tests/faults/faults_support.h"
#include "tests/support/test_support.h"

namespace zr::faults {
namespace {

using Clock = std::chrono::steady_clock;
// Save number n saves unit n % 5 with variant (n / 5) % 2, of 20 to 60 kB so that kills land inside writes.
const std::pair<DataFile, int> kUnits[] = {{DataFile::kLogins, 150}, {DataFile::kHomeProfile, 1000},
                                           {DataFile::kRejected, 400}, {DataFile::kHistory, 150},
                                           {DataFile::kRegistry, 300}};
constexpr long kUnitCount = std::size(kUnits);
int VariantOf(long n) { return static_cast<int>((n / kUnitCount) % 2); }
DataFile FileOf(long n) { return kUnits[n % kUnitCount].first; }

// Saves from number first, killed after delay, or one round without one.
// Returns the saves the saver reported done, -1 when one failed.
long RunSaver(long first, const DataPlace& place, std::optional<std::chrono::microseconds> delay) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  pid_t pid = ::fork();
  for (long n = first; pid == 0 && (delay || n < first + kUnitCount); ++n) {
    if (!Save(FileOf(n), place, VariantOf(n), kUnits[n % kUnitCount].second) || ::write(fds[1], "1", 1) != 1) ::_exit(3);
  }
  if (pid == 0) ::_exit(0);
  ::close(fds[1]);
  std::this_thread::sleep_for(delay.value_or(std::chrono::microseconds(0)));  // the random moment of the kill
  if (delay) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  long reported = 0;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) reported += n;
  ::close(fds[0]);
  return (delay ? WIFSIGNALED(status) : WIFEXITED(status) && WEXITSTATUS(status) == 0) ? reported : -1;
}

TEST(KilledSaveTest, EveryFileHoldsAFinishedSaveAfterEachKill) {
  testing::TempDir folder;
  const DataPlace place{folder.File("data"), folder.File("config")};
  ASSERT_TRUE(std::filesystem::create_directory(place.data_folder));
  testing::ScopedEnv config("XDG_CONFIG_HOME", place.config_home);
  // Two undisturbed rounds make every file and give the bytes of both variants and a round's time.
  std::map<DataFile, std::optional<std::string>> bytes[2];
  const Clock::time_point start = Clock::now();
  for (int variant : {0, 1}) {
    ASSERT_EQ(RunSaver(variant * kUnitCount, place, std::nullopt), kUnitCount);
    for (const auto& [file, size] : kUnits) bytes[variant][file] = ReadBytes(PathOf(file, place));
  }
  const auto round = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start) / 2;
  const std::optional<std::string> custom = ReadBytes(PathOf(DataFile::kCustomFields, place));
  std::map<DataFile, int> holds;  // the variant of each file's last finished save
  for (const auto& [file, size] : kUnits) holds[file] = 1;
  const unsigned seed = std::random_device()();
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> delays(0, 3 * round.count() / 2);
  long next = 2 * kUnitCount;
  int kills = 0;
  // 150 kills, or what 15 s allow, but never fewer than 40 (up to 240 s on a busy machine).
  const auto soft_end = Clock::now() + std::chrono::seconds(15), hard_end = soft_end + std::chrono::seconds(225);
  for (; kills < 150 && (Clock::now() < soft_end || kills < 40) && Clock::now() < hard_end; ++kills) {
    SCOPED_TRACE("kill " + std::to_string(kills) + ", seed " + std::to_string(seed));
    const long reported = RunSaver(next, place, std::chrono::microseconds(delays(random)));
    ASSERT_GE(reported, 0) << "a save failed";
    for (long n = next; n < next + reported; ++n) holds[FileOf(n)] = VariantOf(n);
    const long cut = next + reported;  // the save under way when the kill came
    for (const auto& [file, size] : kUnits) {
      const std::optional<std::string> now = ReadBytes(PathOf(file, place));
      const int found = now == bytes[0][file] ? 0 : now == bytes[1][file] ? 1 : -1;
      ASSERT_NE(found, -1) << FileName(file) << " holds no saved content";
      EXPECT_TRUE(found == holds[file] || (file == FileOf(cut) && found == VariantOf(cut)))
          << FileName(file) << " lost a finished save";
      holds[file] = found;
    }
    ASSERT_EQ(ReadBytes(PathOf(DataFile::kCustomFields, place)), custom);
    // A killed save may leave its temporary file; the next save of that file removes it.
    EXPECT_LE(TemporaryFiles(place).size(), kUnitCount + 1);
    next = holds[FileOf(cut)] == VariantOf(cut) ? cut + 1 : cut;  // an unfinished save is made again
  }
  EXPECT_GE(kills, 40);
  ASSERT_EQ(RunSaver(next, place, std::nullopt), kUnitCount);
  EXPECT_EQ(TemporaryFiles(place), std::vector<std::string>()) << "after an undisturbed round";
}

}  // namespace
}  // namespace zr::faults
