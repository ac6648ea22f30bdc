// A process saving every data file in a loop, killed with SIGKILL at random
// moments, over and over: after each kill every file must hold exactly what a
// save wrote, and no save that had finished may be lost.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "tests/faults/child_process.h"
#include "tests/faults/data_variants.h"
#include "tests/faults/temp_folder.h"

namespace zr::faults {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKills = 200;
constexpr int kMinKills = 40;  // fewer (a very slow machine) would prove too little
constexpr auto kTimeBudget = std::chrono::seconds(20);
constexpr int kSaveFailedStatus = 3;

// One save and every file it writes (a login or profile save also writes
// "customize.dat"). The saver runs these in turn, forever.
struct SaveUnit {
  DataFile saved;
  std::vector<DataFile> written;
};
const SaveUnit kUnits[] = {
    {DataFile::kLogins, {DataFile::kLogins, DataFile::kCustomFields}},
    {DataFile::kHomeProfile, {DataFile::kHomeProfile, DataFile::kCustomFields}},
    {DataFile::kRejected, {DataFile::kRejected}},
    {DataFile::kHistory, {DataFile::kHistory}},
    {DataFile::kRegistry, {DataFile::kRegistry}},
};
constexpr long kUnitCount = std::size(kUnits);
constexpr DataFile kWatched[] = {DataFile::kLogins,       DataFile::kHomeProfile,
                                 DataFile::kCustomFields, DataFile::kRejected,
                                 DataFile::kHistory,      DataFile::kRegistry};

// Items per file: files of 20 to 60 kilobytes, so that kills land inside writes.
int SizeOf(DataFile file) {
  switch (file) {
    case DataFile::kLogins:
      return 150;
    case DataFile::kHomeProfile:
      return 1000;
    case DataFile::kCustomFields:
      return 150;
    case DataFile::kRejected:
      return 400;
    case DataFile::kHistory:
      return 150;
    default:
      return 300;
  }
}

// Saves run in a fixed order, numbered; save number n writes variant VariantOf(n).
int VariantOf(long number) { return static_cast<int>((number / kUnitCount) % 2); }
const SaveUnit& UnitOf(long number) { return kUnits[number % kUnitCount]; }

// The two contents of every watched file, as items and as the bytes a save writes.
struct Contents {
  std::map<DataFile, std::array<Items, 2>> items;
  std::map<DataFile, std::array<std::string, 2>> bytes;
};

bool SaveNumber(long number, const DataPlace& place, const Contents& contents) {
  const SaveUnit& unit = UnitOf(number);
  int variant = VariantOf(number);
  if (unit.saved == DataFile::kLogins || unit.saved == DataFile::kHomeProfile) {
    SetCustomFields(place.data_folder, contents.items.at(DataFile::kCustomFields)[variant]);
  }
  return Save(unit.saved, place, contents.items.at(unit.saved)[variant]);
}

// The saver: makes count saves from number first on (without end when count
// is negative), writing a byte to report_fd after each.
[[noreturn]] void SaveAndReport(long first, long count, const DataPlace& place,
                                const Contents& contents, int report_fd) {
  ResetProcessState();
  for (long number = first; count < 0 || number < first + count; ++number) {
    if (!SaveNumber(number, place, contents)) ::_exit(kSaveFailedStatus);
    char done = 1;
    if (::write(report_fd, &done, 1) != 1) ::_exit(kSaveFailedStatus);
  }
  ::_exit(0);
}

// Runs a saver from number first: killed after delay, or with no delay left
// to make count saves. Returns how many saves it reported; -1 when it ended
// otherwise than planned (a failed save).
long RunSaver(long first, const DataPlace& place, const Contents& contents,
              std::optional<std::chrono::microseconds> delay, long count = -1) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    ::close(fds[0]);
    SaveAndReport(first, delay ? -1 : count, place, contents, fds[1]);
  }
  ::close(fds[1]);
  if (delay) {
    std::this_thread::sleep_for(*delay);
    ::kill(pid, SIGKILL);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  long reported = 0;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) reported += n;
  ::close(fds[0]);
  bool as_planned = delay ? WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL
                          : WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return as_planned ? reported : -1;
}

// Which watched file a temporary file belongs to, from its name.
std::optional<DataFile> OwnerOf(const std::string& temp_name) {
  for (DataFile file : kWatched) {
    if (temp_name.rfind(std::string(FileName(file)) + ".tmp", 0) == 0) return file;
  }
  return std::nullopt;
}

// Kills savers again and again and checks the files after each kill.
class KillCampaign {
 public:
  explicit KillCampaign(const std::string& folder) : place_{folder + "/data", folder + "/config"} {}

  // Two undisturbed rounds of saves, variant 0 then 1, give the bytes of
  // every content and the time a round takes.
  void Prepare() {
    ASSERT_EQ(::mkdir(place_.data_folder.c_str(), 0700), 0);
    ::setenv("XDG_CONFIG_HOME", place_.config_home.c_str(), 1);
    for (DataFile file : kWatched) {
      for (int variant : {0, 1}) {
        contents_.items[file][variant] = Generate(file, variant, SizeOf(file));
      }
    }
    ResetProcessState();
    const Clock::time_point start = Clock::now();
    for (long number = 0; number < 2 * kUnitCount; ++number) {
      ASSERT_TRUE(SaveNumber(number, place_, contents_));
      if (number % kUnitCount != kUnitCount - 1) continue;
      for (DataFile file : kWatched) {
        contents_.bytes[file][VariantOf(number)] = ReadBytes(PathOf(file, place_)).value_or("");
      }
    }
    round_time_ = (Clock::now() - start) / 2;
    for (DataFile file : kWatched) state_[file] = 1;
    next_ = 2 * kUnitCount;
  }

  // Kills at random moments within one and a half rounds, up to kKills times
  // or until the time budget is spent.
  void Run(unsigned long long seed) {
    std::mt19937_64 random(seed);
    auto longest = std::chrono::duration_cast<std::chrono::microseconds>(3 * round_time_ / 2);
    std::uniform_int_distribution<long> delays(0, longest.count());
    const Clock::time_point start = Clock::now();
    while (kills_ < kKills && Clock::now() - start < kTimeBudget) {
      long reported = RunSaver(next_, place_, contents_, std::chrono::microseconds(delays(random)));
      ASSERT_GE(reported, 0) << "a save failed, or the saver died otherwise, at kill " << kills_;
      ++kills_;
      saves_ += reported;
      for (long number = next_; number < next_ + reported; ++number) {
        for (DataFile file : UnitOf(number).written) state_[file] = VariantOf(number);
      }
      const long cut = next_ + reported;  // the save under way when the kill came
      bool replaced = CheckFiles(cut);
      if (::testing::Test::HasFatalFailure()) return;
      bool finished = true;
      for (DataFile file : UnitOf(cut).written)
        finished = finished && state_[file] == VariantOf(cut);
      next_ = finished ? cut + 1 : cut;  // an unfinished save is made again
      saves_ += finished;
      CountTemporaryFiles(cut, replaced);
    }
    seconds_ = std::chrono::duration<double>(Clock::now() - start).count();
  }

  // One undisturbed round: it replaces every file and leaves no temporary file.
  void FinishCleanly() {
    ASSERT_EQ(RunSaver(next_, place_, contents_, std::nullopt, kUnitCount), kUnitCount);
    for (const std::string& folder : Folders()) {
      EXPECT_EQ(TemporaryFiles(folder), std::vector<std::string>()) << "left after a clean round";
    }
  }

  void Report() const {
    std::cout << "[ figures  ] " << kills_ << " kills in " << seconds_ << " s, " << saves_
              << " saves finished, a round of " << kUnitCount << " saves "
              << std::chrono::duration<double, std::milli>(round_time_).count()
              << " ms. Kills before the save under way made a file: " << before_write_
              << "; while writing (temporary file cut short): " << temp_partial_
              << "; after writing, before the rename (whole temporary file): " << temp_complete_
              << "; after a rename: " << after_rename_ << ". At most " << most_temp_files_
              << " temporary files lying around\n";
  }

  int kills() const { return kills_; }
  size_t most_temp_files() const { return most_temp_files_; }

 private:
  std::vector<std::string> Folders() const {
    return {place_.data_folder, FolderOf(DataFile::kRegistry, place_)};
  }

  // Every file must hold one whole saved content: the last finished save's,
  // or for the files of the save under way, that save's. Returns whether the
  // save under way had replaced any file.
  bool CheckFiles(long cut) {
    const SaveUnit& unit = UnitOf(cut);
    bool replaced = false;
    for (DataFile file : kWatched) {
      std::optional<std::string> bytes = ReadBytes(PathOf(file, place_));
      int found = -1;
      for (int variant : {0, 1}) {
        if (bytes == contents_.bytes[file][variant]) found = variant;
      }
      EXPECT_NE(found, -1) << FileName(file) << " holds no saved content after kill " << kills_
                           << " (" << (bytes ? bytes->size() : 0) << " bytes)";
      if (found < 0) return replaced;
      bool under_way = std::count(unit.written.begin(), unit.written.end(), file) > 0;
      EXPECT_TRUE(found == state_[file] || (under_way && found == VariantOf(cut)))
          << FileName(file) << " lost a finished save at kill " << kills_;
      EXPECT_TRUE(Load(file, place_) == contents_.items[file][found])
          << FileName(file) << " does not load as saved at kill " << kills_;
      replaced = replaced || found != state_[file];
      state_[file] = found;
    }
    return replaced;
  }

  // Sorts the kill by the temporary files it left: cut short, or whole.
  void CountTemporaryFiles(long cut, bool replaced) {
    std::set<std::string> temps;
    int partial = 0;
    int complete = 0;
    for (const std::string& folder : Folders()) {
      for (const std::string& name : TemporaryFiles(folder)) {
        temps.insert(name);
        std::optional<DataFile> owner = OwnerOf(name);
        if (temps_before_.count(name) != 0 || !owner) continue;
        size_t size = ReadBytes(folder + "/" + name).value_or("").size();
        (size == contents_.bytes[*owner][VariantOf(cut)].size() ? complete : partial)++;
      }
    }
    temp_partial_ += partial > 0;
    temp_complete_ += complete > 0 && partial == 0;
    after_rename_ += replaced && partial + complete == 0;
    before_write_ += !replaced && partial + complete == 0;
    most_temp_files_ = std::max(most_temp_files_, temps.size());
    temps_before_ = std::move(temps);
  }

  DataPlace place_;
  Contents contents_;
  Clock::duration round_time_{};
  std::map<DataFile, int> state_;  // the variant each file holds
  long next_ = 0;                  // the number of the next save to make
  std::set<std::string> temps_before_;
  int kills_ = 0;
  long saves_ = 0;  // reported, and finished ones the kill cut off from reporting
  int before_write_ = 0;
  int temp_partial_ = 0;
  int temp_complete_ = 0;
  int after_rename_ = 0;
  size_t most_temp_files_ = 0;
  double seconds_ = 0;
};

TEST(KilledSaveTest, EveryFileHoldsAFinishedSaveAfterEachKill) {
  const char* seed_text = std::getenv("ZR_FAULT_SEED");
  const unsigned long long seed =
      seed_text != nullptr ? std::strtoull(seed_text, nullptr, 10) : std::random_device()();
  std::cout << "[ figures  ] seed " << seed << " (ZR_FAULT_SEED repeats the delays)\n";
  ZR_RUN_IN_CHILD([seed] {
    TempFolder folder("zrkill");
    ASSERT_FALSE(folder.path().empty());
    KillCampaign campaign(folder.path());
    campaign.Prepare();
    if (::testing::Test::HasFatalFailure()) return;
    campaign.Run(seed);
    if (::testing::Test::HasFatalFailure()) return;
    campaign.FinishCleanly();
    campaign.Report();
    EXPECT_GE(campaign.kills(), kMinKills);
    // A killed save may leave its temporary file, but the next save of that
    // file removes it: at most one per file may ever be lying around.
    EXPECT_LE(campaign.most_temp_files(), std::size(kWatched)) << "temporary files accumulate";
  });
}

}  // namespace
}  // namespace zr::faults
