// The fault tests' children, tmpfs and a table of every data file's save.
#include "tests/faults/faults_support.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/atomic_file.h"
#include "platform/registry_store.h"
#include "server/history.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/history_file.h"
#include "store/login_store.h"
#include "store/rejected_sites.h"

namespace zr::faults {
namespace {

constexpr int kSkippedStatus = 77;
[[noreturn]] void EndChild(int status) {
  std::fflush(nullptr);
  ::_exit(status);  // no atexit handlers: they belong to the parent
}
void SkipUnless(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "skipped: %s: %s\n", what.c_str(), std::strerror(errno));
  EndChild(kSkippedStatus);
}
// A text of length bytes or more that names the variant and the item.
std::string Filler(int variant, int item, int length = 0) {
  std::string text = "v" + std::to_string(variant) + " item " + std::to_string(item) + " ";
  while (static_cast<int>(text.size()) < length) text += static_cast<char>('a' + text.size() % 26);
  return text;
}
using SaveFunction = bool (*)(const std::string& path, const DataPlace& place, int variant, int size);
bool SaveProfile(const std::string& path, const DataPlace&, int variant, int size) {
  FormProfile profile;
  for (int k = 0; k < kProfileFieldCount; ++k) {  // values are kept in 1024-byte buffers
    profile.Value(static_cast<ProfileField>(k)) = Filler(variant, k, std::min(size, 1000));
    profile.List(static_cast<ProfileField>(k)) = Filler(variant, k);
  }
  return profile.Save(path);
}
// In the order of DataFile: each file's name and how the server saves it.
const std::pair<const char*, SaveFunction> kSaves[] = {
    {kPasswordFileName, [](const std::string& path, const DataPlace&, int variant, int size) {
       LoginStore store;
       store.set_master_password_text(Filler(variant, -1));
       for (int i = 0; i < size; ++i) {
         auto record = std::make_unique<LoginRecord>();
         record->set_site("https://s" + std::to_string(i) + ".example/login");
         record->AddField("pass", Filler(variant, i, 100), "password");
         store.AddOrMerge(std::move(record));
       }
       return store.Save(path);
     }},
    {kHomeProfileFileName, SaveProfile},
    {kWorkProfileFileName, SaveProfile},
    {kCustomizeFileName, [](const std::string&, const DataPlace& place, int, int) {
       FormProfile work;  // saving a profile is what writes the custom fields
       return work.Load(PathOf(DataFile::kWorkProfile, place)) && work.Save(PathOf(DataFile::kWorkProfile, place));
     }},
    {kRejectedFileName, [](const std::string& path, const DataPlace&, int variant, int size) {
       RejectedSites sites;
       for (int i = 0; i < size; ++i) sites.Reject("https://v" + std::to_string(variant) + ".s" + std::to_string(i) + ".example");
       return sites.Save(path);
     }},
    {kHistoryFileName, [](const std::string& path, const DataPlace&, int variant, int size) {
       History history;
       for (int i = 0; i < std::min(size, static_cast<int>(kMaxHistoryEntriesWritten)); ++i) {
         if (history.AddItem(Filler(variant, i, 200), i % 3) != kS_OK) return false;
       }
       return history.Save(path, false) == kS_OK;
     }},
    {"HKEY_CURRENT_USER.reg", [](const std::string&, const DataPlace&, int variant, int size) {
       RegistryStore store(Hive::kCurrentUser);  // not loaded: this is the whole hive
       store.SetValue(kToolbarKey, kAutoLoginRecordValue, static_cast<uint32_t>(variant));
       for (int i = 0; i < size; ++i) store.SetValue("Software\\Zorvane\\T", Filler(0, i), Filler(variant, i, 60));
       return store.Save();
     }},
};

}  // namespace

std::string RunInChild(const std::function<void()>& body) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    body();
    EndChild(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
  if (pid < 0 || !WIFEXITED(status)) return "the child could not start or died of a signal";
  if (WEXITSTATUS(status) == kSkippedStatus) return "skip: the child printed why";
  return WEXITSTATUS(status) == 0 ? "" : "the child reported failures (printed above)";
}

void DropRootToNobody(const std::string& folder) {
  if (::geteuid() != 0) return;
  const passwd* nobody = ::getpwnam("nobody");
  SkipUnless(nobody != nullptr && ::chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) == 0 &&
                 ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0,
             "running as root and cannot become \"nobody\"");
}

std::string MountSmallTmpfs(size_t size) {
  SkipUnless(::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0,
             "no mount rights");
  std::string folder = (std::filesystem::temp_directory_path() / "zrfaultsXXXXXX").string();
  const std::string options = "size=" + std::to_string(size) + ",mode=0700";
  SkipUnless(::mkdtemp(folder.data()) != nullptr &&
                 ::mount("zrfaults", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0,
             "mount -t tmpfs");
  return folder;
}

bool FillLeaving(const std::string& folder, size_t free_bytes) {
  struct statvfs fs;
  int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const bool ok = fd >= 0 && ::fstatvfs(fd, &fs) == 0 && fs.f_bavail * fs.f_frsize > free_bytes &&
                  ::fallocate(fd, 0, 0, static_cast<off_t>(fs.f_bavail * fs.f_frsize - free_bytes)) == 0;
  ::close(fd);
  return ok;
}

const char* FileName(DataFile file) { return kSaves[static_cast<int>(file)].first; }
std::string FolderOf(DataFile file, const DataPlace& place) {
  return file == DataFile::kRegistry ? place.config_home + "/Zorvane" : place.data_folder;
}
std::string PathOf(DataFile file, const DataPlace& place) { return FolderOf(file, place) + "/" + FileName(file); }

bool Save(DataFile file, const DataPlace& place, int variant, int size) {
  const bool custom = file == DataFile::kCustomFields;
  CustomFields().Reset();
  SharedNames().Reset();
  (void)CustomFields().LoadCustomFields(place.data_folder);
  while (CustomFields().CustomFieldCount() > 0) CustomFields().RemoveCustomField(0);
  for (int i = 0; i < (custom ? size : 20); ++i) {
    CustomFields().SetCustomField(-1, Filler(custom ? variant : 0, i), "c" + std::to_string(i), Filler(0, i, 40));
  }
  return kSaves[static_cast<int>(file)].second(PathOf(file, place), place, variant, size);
}

std::optional<std::string> ReadBytes(const std::string& path) {
  std::string bytes;
  return ReadWholeFile(path, bytes) ? std::optional(bytes) : std::nullopt;
}

std::vector<std::string> TemporaryFiles(const DataPlace& place) {
  std::vector<std::string> names;
  std::error_code error;
  for (const std::string& folder : {place.data_folder, FolderOf(DataFile::kRegistry, place)}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (entry.path().filename().string().find(".tmp") != std::string::npos) names.push_back(entry.path());
    }
  }
  return names;
}

}  // namespace zr::faults
