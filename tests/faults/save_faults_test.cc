// Saves under faults set up in forked children: one table over the ways a save can fail (a full
// disk, a folder the user may not write, a hive the user may not read), what killed writers leave
// behind, writers killed at random moments, and the owner-only modes. As root the children run
// as "nobody", since root ignores permission bits.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "platform/atomic_file.h"
#include "platform/registry_store.h"
#include "server/history.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/history_file.h"
#include "store/login_store.h"
#include "store/rejected_sites.h"
#include "tests/support/test_support.h"

namespace zr::faults {
namespace {

namespace fs = std::filesystem;
enum DataFile { kLogins, kHome, kWork, kCustom, kRejected, kHistory, kHive };
constexpr DataFile kAllDataFiles[] = {kLogins, kHome, kWork, kCustom, kRejected, kHistory, kHive};
struct DataPlace {
  std::string data_folder, config_home;  // config_home: XDG_CONFIG_HOME, for the hive
};
constexpr int kSkippedStatus = 77;
[[noreturn]] void EndChild(int status) {
  std::fflush(nullptr);
  ::_exit(status);  // no atexit handlers: they belong to the parent
}
void SkipUnless(bool ok, const std::string& what) {
  if (!ok) std::fprintf(stderr, "skipped: %s: %s\n", what.c_str(), std::strerror(errno));
  if (!ok) EndChild(kSkippedStatus);
}
// A text of length bytes or more that names the variant and the item.
std::string Filler(int variant, int item, int length = 0) {
  std::string text = "v" + std::to_string(variant) + " item " + std::to_string(item) + " ";
  while (static_cast<int>(text.size()) < length) text += static_cast<char>('a' + text.size() % 26);
  return text;
}
// In the order of DataFile.
const char* const kNames[] = {kPasswordFileName,      kHomeProfileFileName, kWorkProfileFileName,
                              kCustomizeFileName,     kRejectedFileName,    kHistoryFileName,
                              "HKEY_CURRENT_USER.reg"};
std::string FolderOf(DataFile f, const DataPlace& place) {
  return f == kHive ? place.config_home + "/Zorvane" : place.data_folder;
}
std::string PathOf(DataFile file, const DataPlace& place) {
  return FolderOf(file, place) + "/" + kNames[file];
}

// Saves file as the server does, with size items of variant.
bool Save(DataFile file, const DataPlace& place, int variant, int size) {
  const bool custom = file == kCustom;
  CustomFields().Reset();
  SharedNames().Reset();
  (void)CustomFields().LoadCustomFields(place.data_folder);
  while (CustomFields().CustomFieldCount() > 0) CustomFields().RemoveCustomField(0);
  for (int i = 0; i < (custom ? size : 20); ++i)
    CustomFields().SetCustomField(-1, Filler(custom ? variant : 0, i), "c" + std::to_string(i),
                                  Filler(0, i, 40));
  const std::string path = PathOf(file, place);
  if (file == kLogins) {
    LoginStore store;
    store.set_master_password_text(Filler(variant, -1));
    for (int i = 0; i < size; ++i) {
      auto record = std::make_unique<LoginRecord>();
      record->set_site("https://s" + std::to_string(i) + ".example/login");
      record->AddField("pass", Filler(variant, i, 100), "password");
      store.AddOrMerge(std::move(record));
    }
    return store.Save(path);
  }
  if (file == kHome || file == kWork) {
    FormProfile profile;
    for (int k = 0; k < kProfileFieldCount; ++k) {  // values are kept in 1024-byte buffers
      profile.Value(static_cast<ProfileField>(k)) = Filler(variant, k, std::min(size, 1000));
      profile.List(static_cast<ProfileField>(k)) = Filler(variant, k);
    }
    return profile.Save(path);
  }
  if (file == kCustom) {  // saving a profile is what writes the custom fields
    FormProfile work;
    return work.Load(PathOf(kWork, place)) && work.Save(PathOf(kWork, place));
  }
  if (file == kRejected) {
    RejectedSites sites;
    for (int i = 0; i < size; ++i)
      sites.Reject("https://v" + std::to_string(variant) + ".s" + std::to_string(i) + ".example");
    return sites.Save(path);
  }
  if (file == kHistory) {
    History history;
    for (int i = 0; i < std::min<int>(size, kMaxHistoryEntriesWritten); ++i)
      if (history.AddItem(Filler(variant, i, 200), i % 3) != kS_OK) return false;
    return history.Save(path, false) == kS_OK;
  }
  RegistryStore store(Hive::kCurrentUser);  // not loaded: this is the whole hive
  store.SetValue(kToolbarKey, kAutoLoginRecordValue, static_cast<uint32_t>(variant));
  for (int i = 0; i < size; ++i)
    store.SetValue("Software\\Zorvane\\T", Filler(0, i), Filler(variant, i, 60));
  return store.Save();
}

// Runs body in a forked child; the test is skipped when the child could not set up its fault.
void RunInChild(const std::function<void()>& body) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) body(), EndChild(::testing::Test::HasFailure() ? 1 : 0);
  int status = 0;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
  const int code = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code == kSkippedStatus) GTEST_SKIP() << "the child printed why";
  EXPECT_EQ(code, 0) << "the child reported failures (printed above) or died of a signal";
}
void DropRootToNobody(const std::string& folder) {
  if (::geteuid() != 0) return;
  const passwd* nobody = ::getpwnam("nobody");
  SkipUnless(nobody != nullptr && ::chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) == 0 &&
                 ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
                 ::setuid(nobody->pw_uid) == 0,
             "running as root and cannot become \"nobody\"");
}
std::string MountSmallTmpfs(size_t size) {
  std::string folder = (fs::temp_directory_path() / "zrfaultsXXXXXX").string();
  const std::string options = "size=" + std::to_string(size) + ",mode=0700";
  SkipUnless(
      ::unshare(CLONE_NEWNS) == 0 &&
          ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
          ::mkdtemp(folder.data()) != nullptr &&
          ::mount("zrfaults", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0,
      "no rights to mount a tmpfs");
  return folder;
}
bool FillLeaving(const std::string& folder, size_t free_bytes) {
  const uintmax_t available = fs::space(folder).available;
  int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const bool ok = fd >= 0 && available > free_bytes &&
                  ::fallocate(fd, 0, 0, static_cast<off_t>(available - free_bytes)) == 0;
  ::close(fd);
  return ok;
}
std::optional<std::string> ReadBytes(const std::string& path) {
  std::string bytes;
  return ReadWholeFile(path, bytes) ? std::optional(bytes) : std::nullopt;
}
std::vector<std::string> TemporaryFiles(const DataPlace& place) {
  std::vector<std::string> names;
  std::error_code error;
  for (const std::string& folder : {place.data_folder, FolderOf(kHive, place)})
    for (const auto& entry : fs::directory_iterator(folder, error))
      if (entry.path().filename().string().find(".tmp") != std::string::npos)
        names.push_back(entry.path());
  return names;
}
enum Way { kFullDisk, kReadOnlyFolder, kUnreadableFile };
int ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

TEST(SaveFaultsTest, AFailedSaveSaysSoAndLeavesEveryFileAsItWas) {
  // Items before (0: no file) and saved (0: WriteAutoLoginRecord); KiB free on a full disk.
  const std::tuple<const char*, Way, DataFile, int, int, int> kCases[] = {
      {"Password.dat grows past the free space", kFullDisk, kLogins, 20, 1500, 64},
      {"Password.dat rewritten at its size", kFullDisk, kLogins, 600, 600, 64},
      {"FormHome.dat grows", kFullDisk, kHome, 10, 1000, 8},
      {"customize.dat grows", kFullDisk, kCustom, 5, 1500, 64},
      {"Rejected.dat, not a byte free", kFullDisk, kRejected, 5, 2000, 0},
      {"History.txt grows", kFullDisk, kHistory, 5, 1000, 64},
      {"auto-login flag into a large hive", kFullDisk, kHive, 1500, 0, 64},
      {"Password.dat", kReadOnlyFolder, kLogins, 20, 20, 0},
      {"Rejected.dat not yet there", kReadOnlyFolder, kRejected, 0, 20, 0},
      {"registry hive whose folder must be made", kReadOnlyFolder, kHive, 0, 20, 0},
      {"auto-login flag into an unreadable hive", kUnreadableFile, kHive, 20, 0, 0},
  };
  RunInChild([&] {
    const std::string base = MountSmallTmpfs(4 << 20);
    DropRootToNobody(base);
    for (const auto& [name, way, target, old_size, new_size, free_kib] : kCases) {
      SCOPED_TRACE(name);
      const DataPlace place{base + "/data", base + "/config"};
      ASSERT_EQ(::mkdir(place.data_folder.c_str(), 0700), 0);
      testing::ScopedEnv config("XDG_CONFIG_HOME", place.config_home);
      for (DataFile file : kAllDataFiles)
        ASSERT_TRUE(Save(file, place, 0, file == target ? old_size : 3));
      const std::string path = PathOf(target, place), folder = FolderOf(target, place);
      const bool no_hive_folder = target == kHive && old_size == 0,
                 file_locked = way == kUnreadableFile;
      if (old_size == 0) fs::remove_all(no_hive_folder ? folder : path);
      std::map<DataFile, std::optional<std::string>> before;
      for (DataFile file : kAllDataFiles) before[file] = ReadBytes(PathOf(file, place));
      auto save = [&] {
        return new_size ? Save(target, place, 1, new_size) : WriteAutoLoginRecord(7);
      };
      const std::string locked = no_hive_folder ? place.config_home : file_locked ? path : folder;
      ASSERT_TRUE(way == kFullDisk ? FillLeaving(base, free_kib * 1024)
                                   : ::chmod(locked.c_str(), file_locked ? 0 : 0500) == 0);
      EXPECT_FALSE(save()) << "a failed save reported success";
      fs::remove(base + "/filler"), ::chmod(locked.c_str(), file_locked ? 0600 : 0700);
      for (DataFile file : kAllDataFiles)
        EXPECT_EQ(ReadBytes(PathOf(file, place)), before[file]) << kNames[file];
      EXPECT_EQ(TemporaryFiles(place), std::vector<std::string>());
      EXPECT_TRUE(save()) << "fails even without the fault";
      fs::remove_all(place.data_folder), fs::remove_all(place.config_home);
      if (::testing::Test::HasFatalFailure()) return;
    }
  });
}

TEST(SaveFaultsTest, AWriteRemovesOnlyWhatDeadWritersOfThatFileLeft) {
  enum Entry { kFile, kLocked, kFolder, kLink };
  const std::tuple<const char*, Entry, bool> kLeftovers[] = {
      // name, what it is, removed
      {"Password.dat.tmpAb12Cd", kFile, true},     // left by a killed writer
      {"Password.dat.tmpXy98Zw", kLocked, false},  // held by a writer at work
      {"Rejected.dat.tmpAb12Cd", kFile, false},    // of another file
      {"xPassword.dat.tmpAb12Cd", kFile, false},   // of a file whose name ends alike
      {"Password.dat.tmpAb12C", kFile, false},     // random part too short
      {"Password.dat.tmpAb-2Cd", kFile, false},    // a character mkostemp never uses
      {"Password.dat.tmpQq11Ww", kFolder, false}, {"Password.dat.tmpLn00Kk", kLink, false},
  };
  testing::TempDir folder;
  ASSERT_TRUE(testing::WriteFile(folder.File("outside"), "kept"));
  int lock = -1;
  for (const auto& [name, entry, removed] : kLeftovers) {
    const std::string path = folder.File(name);
    const bool made =
        entry == kFolder ? ::mkdir(path.c_str(), 0700) == 0
        : entry == kLink ? ::symlink(folder.File("outside").c_str(), path.c_str()) == 0
        : entry == kFile
            ? testing::WriteFile(path, "")  // a lock conflicts within one process too
            : (lock = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)) >= 0 &&
                  ::flock(lock, LOCK_EX) == 0;
    ASSERT_TRUE(made) << name;
  }
  ASSERT_TRUE(WriteFileAtomically(folder.File("Password.dat"), "new content"));
  for (const auto& [name, entry, removed] : kLeftovers)
    EXPECT_EQ(ModeOf(folder.File(name)) < 0, removed) << name;
  EXPECT_EQ(ReadBytes(folder.File("outside")), "kept");
  ::close(lock);  // once its writer is gone, the held one goes at the next write
  ASSERT_TRUE(WriteFileAtomically(folder.File("Password.dat"), "newer content"));
  EXPECT_LT(ModeOf(folder.File("Password.dat.tmpXy98Zw")), 0);
}

// The folders' modes are checked by the platform tests.
TEST(SaveFaultsTest, EverySavedFileIsOwnerOnlyWhateverTheUmaskAndItsOldMode) {
  RunInChild([] {
    testing::TempDir temp;
    ::umask(0);
    const DataPlace place{temp.path(), temp.File("config")};
    testing::ScopedEnv config("XDG_CONFIG_HOME", place.config_home);
    for (int mode_before : {-1, 0666}) {  // -1: the save creates the file
      for (DataFile file : kAllDataFiles) {
        ASSERT_TRUE(mode_before < 0 || ::chmod(PathOf(file, place).c_str(), mode_before) == 0);
        ASSERT_TRUE(Save(file, place, 0, 3)) << kNames[file];
        EXPECT_EQ(ModeOf(PathOf(file, place)), 0600) << kNames[file] << " was " << mode_before;
      }
    }
  });
}

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
// Save n saves unit n % 5 with variant (n / 5) % 2, of 20 to 60 kB so that kills land in writes.
const std::pair<DataFile, int> kUnits[] = {
    {kLogins, 150}, {kHome, 1000}, {kRejected, 400}, {kHistory, 150}, {kHive, 300}};
constexpr long kUnitCount = std::size(kUnits);
int VariantOf(long n) { return static_cast<int>((n / kUnitCount) % 2); }
DataFile FileOf(long n) { return kUnits[n % kUnitCount].first; }

// Saves from number first, killed after delay, or one round: the saves reported done; -1: failed.
long RunSaver(long first, const DataPlace& place, std::optional<microseconds> delay) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  pid_t pid = ::fork();
  for (long n = first; pid == 0 && (delay || n < first + kUnitCount); ++n)
    if (!Save(FileOf(n), place, VariantOf(n), kUnits[n % kUnitCount].second) ||
        ::write(fds[1], "1", 1) != 1)
      ::_exit(3);
  if (pid == 0) ::_exit(0);
  ::close(fds[1]);
  if (delay) ::usleep(delay->count()), ::kill(pid, SIGKILL);  // at the random moment
  int status = 0;
  ::waitpid(pid, &status, 0);
  long reported = 0;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) reported += n;
  ::close(fds[0]);
  return (delay ? WIFSIGNALED(status) : WIFEXITED(status) && WEXITSTATUS(status) == 0) ? reported
                                                                                       : -1;
}

TEST(KilledSaveTest, EveryFileHoldsAFinishedSaveAfterEachKill) {
  testing::TempDir folder;
  const DataPlace place{folder.path(), folder.File("config")};
  testing::ScopedEnv config("XDG_CONFIG_HOME", place.config_home);
  // Two undisturbed rounds make every file and give the bytes of both variants and a round's time.
  std::map<DataFile, std::optional<std::string>> bytes[2];
  const Clock::time_point start = Clock::now();
  for (int variant : {0, 1}) {
    ASSERT_EQ(RunSaver(variant * kUnitCount, place, std::nullopt), kUnitCount);
    for (const auto& [file, size] : kUnits) bytes[variant][file] = ReadBytes(PathOf(file, place));
  }
  const auto round = std::chrono::duration_cast<microseconds>(Clock::now() - start) / 2;
  const std::optional<std::string> custom = ReadBytes(PathOf(kCustom, place));
  std::map<DataFile, int> holds;  // the variant of each file's last finished save
  for (const auto& [file, size] : kUnits) holds[file] = 1;
  const unsigned seed = std::random_device()();
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> delays(0, 3 * round.count() / 2);
  long next = 2 * kUnitCount, kills = 0;
  // 150 kills, or what 15 s allow, but never fewer than 40 (up to 240 s on a busy machine).
  const auto soft_end = Clock::now() + std::chrono::seconds(15),
             hard_end = soft_end + std::chrono::seconds(225);
  for (; kills < 150 && (Clock::now() < soft_end || kills < 40) && Clock::now() < hard_end;
       ++kills) {
    SCOPED_TRACE("kill " + std::to_string(kills) + ", seed " + std::to_string(seed));
    const long reported = RunSaver(next, place, microseconds(delays(random)));
    ASSERT_GE(reported, 0) << "a save failed";
    for (long n = next; n < next + reported; ++n) holds[FileOf(n)] = VariantOf(n);
    const long cut = next + reported;  // the save under way when the kill came
    for (const auto& [file, size] : kUnits) {
      const std::optional<std::string> now = ReadBytes(PathOf(file, place));
      const int found = now == bytes[0][file] ? 0 : now == bytes[1][file] ? 1 : -1;
      ASSERT_NE(found, -1) << kNames[file] << " holds no saved content";
      EXPECT_TRUE(found == holds[file] || (file == FileOf(cut) && found == VariantOf(cut)))
          << kNames[file] << " lost a finished save";
      holds[file] = found;
    }
    ASSERT_EQ(ReadBytes(PathOf(kCustom, place)), custom);
    next = holds[FileOf(cut)] == VariantOf(cut) ? cut + 1 : cut;  // or the unfinished one again
  }
  EXPECT_GE(kills, 40);
  ASSERT_EQ(RunSaver(next, place, std::nullopt), kUnitCount);
  // A killed save may leave its temporary file; the next save of that file removes it.
  EXPECT_EQ(TemporaryFiles(place), std::vector<std::string>()) << "after an undisturbed round";
}

}  // namespace
}  // namespace zr::faults
