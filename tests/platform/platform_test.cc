// The platform layer: code page conversions and the case-blind compare, the data folder
// and its modes, the registry hive file byte for byte, and the secret helpers
// (constant-time compare, no core dumps, no echo at a terminal).
#include <gtest/gtest.h>
#include <pty.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "platform/data_folder.h"
#include "platform/locale_compare.h"
#include "platform/registry_store.h"
#include "platform/secret_memory.h"
#include "platform/terminal_input.h"
#include "platform/user_folders.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedEnv;
using testing::ScopedLocale;
using testing::TempDir;
using namespace std::string_view_literals;
constexpr std::initializer_list<const char*> kUtf8 = {"C.UTF-8", "C.utf8"};
int Sign(int value) { return (value > 0) - (value < 0); }

TEST(CodePageTest, Utf8KeepsWellFormedTextReplacesEachMalformedByteAndNeverSplitsACharacter) {
  ScopedLocale locale(kUtf8);
  ASSERT_TRUE(locale.ok());
  const std::pair<std::string, std::string> rows[] = {
      {"a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
      {"a\xff-b", "a?-b"},
      {"ab\xe2\x82", "ab??"},
      {"\xc0\xaf", "??"},
      {"\xf4\x90\x80\x80", "????"}};
  for (const auto& [input, expected] : rows)
    EXPECT_EQ(CodePageToUtf8(input) + "|" + Utf8ToCodePage(input), expected + "|" + expected);
  const std::tuple<std::string, size_t, size_t> cuts[] = {
      {"\xe2\x82\xac", 2, 0}, {"x\xf0\x9f\x98\x80", 5, 5}, {"a\xe2\x82-", 2, 2}, {"ab", 9, 2}};
  for (const auto& [text, limit, expected] : cuts)
    EXPECT_EQ(CharBoundaryAtOrBefore(text, limit), expected) << text;
}

TEST(CodePageTest, Latin1RoundTripsEveryByte) {
  ScopedLocale latin1({"en_US.ISO-8859-1", "en_US.iso88591", "de_DE.ISO-8859-1", "en_US"},
                      "ISO-8859-1");
  if (!latin1.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed";
  EXPECT_EQ(Utf8ToCodePage("caf\xc3\xa9 \xe2\x82\xac \xff"), "caf\xe9 ? ?");
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(every_byte)), every_byte);
  EXPECT_EQ(LocaleCompareNoCase("\xc9 COLE", "\xe9 cole"), 0);
}

// The case-blind comparison that field names are matched with folds every
// character of the code page, not only A-Z.
TEST(LocaleCompareTest, NoCaseFoldsEveryCharacter) {
  ScopedLocale locale(kUtf8);
  const std::tuple<const char*, const char*, int> no_case[] = {
      {"Password", "PASSWORD", 0},
      {"abc", "ABD", -1},
      {"\xc3\x89 cole", "\xc3\xa9 COLE", 0},
      {"x\xff", "X\xfe", 1}};
  for (const auto& [a, b, sign] : no_case)
    EXPECT_EQ(Sign(LocaleCompareNoCase(a, b)), sign) << a << " / " << b;
}

int FolderMode(const std::string& path) {  // of a file too; -1: none
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

TEST(DataFolderTest, FoundUnderXdgDataHomeOrHomeAndEveryNewFolderIsPrivate) {
  const std::pair<std::optional<std::string>, const char*> rows[] = {
      {"/data", "/data"}, {std::nullopt, "/.local/share"}, {"relative/data", "/.local/share"}};
  for (const auto& [xdg, share] : rows) {
    TempDir temp;
    ScopedEnv data_home("XDG_DATA_HOME", xdg && xdg->starts_with("/") ? temp.path() + *xdg : xdg);
    ScopedEnv home("HOME", temp.path());
    const std::string folder = temp.path() + share + "/Zorvane/ToolBar";
    EXPECT_EQ(FindDataFolder(), folder);
    for (std::string f = folder; f != temp.path(); f = f.substr(0, f.rfind('/')))
      EXPECT_EQ(FolderMode(f), 0700) << f;
  }
  EXPECT_EQ(DataFolderIn(std::nullopt), ExecutableFolder());
  EXPECT_EQ(FolderMode(ExecutableFolder() + "/Zorvane"), -1) << "nothing made beside the program";
}

TEST(DataFolderTest, AnExistingToolBarFolderLosesEveryPermissionOfOthersButNotThroughALink) {
  for (const auto& [before, after] : {std::pair{0777, 0700}, {0701, 0700}, {0500, 0500}}) {
    TempDir temp;
    const std::string folder = temp.path() + "/Zorvane/ToolBar";
    ASSERT_TRUE(MakeFolderPath(folder) && ::chmod(folder.c_str(), mode_t(before)) == 0 &&
                ::chmod(temp.File("Zorvane").c_str(), 0755) == 0);
    EXPECT_EQ(DataFolderIn(temp.path()), folder);
    EXPECT_EQ(FolderMode(folder), after) << before;
    EXPECT_EQ(FolderMode(temp.path() + "/Zorvane"), 0755) << "only the ToolBar folder";
  }
  TempDir temp;
  const std::string elsewhere = temp.File("elsewhere");
  ASSERT_TRUE(MakeFolderPath(elsewhere) && MakeFolderPath(temp.File("Zorvane")) &&
              ::chmod(elsewhere.c_str(), 0777) == 0 &&
              ::symlink(elsewhere.c_str(), temp.File("Zorvane/ToolBar").c_str()) == 0);
  (void)DataFolderIn(temp.path());
  EXPECT_EQ(FolderMode(elsewhere), 0777);
}

TEST(DataFolderTest, WithoutAUsableHomeVariableTheHomeComesFromThePasswordDatabase) {
  const struct passwd* entry = ::getpwuid(::getuid());
  const bool usable = entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/';
  for (std::optional<std::string> home : {std::optional<std::string>(), {"relative"}}) {
    ScopedEnv home_env("HOME", home);
    EXPECT_EQ(UserHome(), usable ? std::optional<std::string>(entry->pw_dir) : std::nullopt);
  }
  ScopedEnv home_env("HOME", "/some/home//");
  EXPECT_EQ(UserHome(), "/some/home");
}

// Other awkward names and values round trip through the file: the registry_file fuzz target's
// check.
TEST(RegistryStoreTest, TheFileTextIsExactOwnerOnlyAndReadsBack) {
  TempDir temp;
  const std::string path = temp.File("no/such/hive.reg");
  const RegistryValue text = std::string("say \"a\\b\"\r\n\x01");  // a control byte escaped
  RegistryStore store(path);
  store.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{31});
  store.SetValue("software\\ZORVANE\\toolbar", "", text);
  store.CreateKey("x%y");
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(FolderMode(path) * 010000 + FolderMode(temp.File("no/such")), 0600 * 010000 + 0700);
  EXPECT_EQ(
      testing::ReadFile(path),
      "ZRForm Registry 1\n\n[Software]\n\n[Software\\Zorvane]\n\n[Software\\Zorvane\\Toolbar]\n"
      "\"AutoLoginRecord\"=dword:0000001f\n@=\"say \\\"a\\\\b\\\"\\r\\n\\x01\"\n\n[x%25y]\n");
  RegistryStore loaded(path);
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(loaded.GetValue("Software\\Zorvane\\Toolbar", ""), text);
  EXPECT_EQ(loaded.SubKeys(""), (std::vector<std::string>{"Software", "x%y"}));
}

TEST(RegistryStoreTest, NamesCompareWithoutCaseAndDeleteKeyRemovesTheSubtreeOnly) {
  TempDir temp;
  RegistryStore store(temp.File("hive.reg"));
  store.SetValue("A\\B", "Value", uint32_t{1});
  store.SetValue("\\a\\\\b\\", "VALUE", uint32_t{0});
  EXPECT_EQ(store.GetValue("A\\B", "value"), RegistryValue(uint32_t{0}));
  for (const char* key : {"A\\B\\C", "A\\B2", "AB"}) store.CreateKey(key);
  EXPECT_TRUE(store.DeleteKey("a\\b") && !store.DeleteKey("A\\B") && !store.KeyExists("A\\B\\C"));
  EXPECT_TRUE(store.SubKeys("A") == std::vector<std::string>{"B2"} && store.KeyExists("AB"));
}

TEST(RegistryStoreTest, DamagedFilesAreRefusedWhole) {
  TempDir temp;
  const std::string path = temp.File("hive.reg"), head = "ZRForm Registry 1\n";
  RegistryStore store(path);
  for (const std::string& text :
       {std::string("[K]\n"), std::string("ZRForm Registry 2\n[K]\n"),
        head + "[K]\n\"v\"=\"a\\qb\"\n", head + "[K]\n\"v\"=dword:0000001\n",
        head + "[K]\n\"v\"=\"a\"\n[k]\n\"V\"=\"b\"\n"}) {
    ASSERT_TRUE(testing::WriteFile(path, head + "[K]\n") && store.Load() &&
                testing::WriteFile(path, text));
    EXPECT_FALSE(store.Load() || store.KeyExists("K")) << text;
  }
  ASSERT_TRUE(
      testing::WriteFile(path, "ZRForm Registry 1\r\n[K]\r\n; c\r\n\r\n\"v\"=dword:0000000A\r\n"));
  EXPECT_TRUE(store.Load()) << "CR LF line ends and comments";
  EXPECT_EQ(store.GetValue("K", "v"), RegistryValue(uint32_t{10}));
}

TEST(AutoLoginRecordTest, FollowsXdgConfigHomeDefaultsToOneAndKeepsAWrittenZero) {
  ScopedEnv relative("XDG_CONFIG_HOME", "relative"), home("HOME", "/h");
  EXPECT_EQ(RegistryStore::DefaultPath(Hive::kCurrentUser),
            "/h/.config/Zorvane/HKEY_CURRENT_USER.reg");
  TempDir temp;
  ScopedEnv config("XDG_CONFIG_HOME", temp.path());
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "no hive file";
  RegistryStore store(Hive::kCurrentUser);
  store.SetValue(kToolbarKey, kAutoLoginRecordValue, std::string("0"));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "a string value is not the setting";
  ASSERT_TRUE(WriteAutoLoginRecord(0));
  EXPECT_EQ(ReadAutoLoginRecord(), 0u);
  ASSERT_TRUE(WriteFileAtomically(store.path(), "damaged"));
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "a damaged hive";
}

TEST(SecretMemoryTest, ConstantTimeComparisonAgreesWithEquality) {
  const std::string_view texts[] = {"", "secret", "Secret", "secreT", "sec", "a", "a\0"sv};
  for (std::string_view a : texts)
    for (std::string_view b : texts) EXPECT_EQ(EqualInConstantTime(a, b), a == b) << a << "/" << b;
}

// Both run in a child, which writes its result and exits.
int ChildStatus(pid_t child) {
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SecretMemoryTest, ForbiddingCoreDumpsLeavesNoWayToACoreFile) {
  pid_t child = ::fork();
  if (child == 0) {
    struct rlimit core, raised = {1 << 20, 1 << 20};
    ::_exit(!(ForbidCoreDumps() && ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_max == 0 &&
              (::geteuid() == 0 || ::setrlimit(RLIMIT_CORE, &raised) != 0)));
  }
  EXPECT_EQ(ChildStatus(child), 0);
}

// The child prompts on a pseudo-terminal; the text is typed once the prompt shows, that is once
// echo is off.
TEST(SecretMemoryTest, ASecretTypedAtATerminalIsNotShown) {
  int terminal = -1;
  pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::optional<std::string> line = ReadSecretLine("Master password: ");
    struct termios after;
    ::_exit(
        !(line == "hunter2" && ::tcgetattr(STDIN_FILENO, &after) == 0 && (after.c_lflag & ECHO)));
  }
  std::string shown;
  char buffer[256];
  for (ssize_t got; shown.find("Master password: ") == std::string::npos; shown.append(buffer, got))
    ASSERT_GT(got = ::read(terminal, buffer, sizeof buffer), 0) << shown;
  ASSERT_EQ(::write(terminal, "hunter2\n", 8), 8);
  EXPECT_EQ(ChildStatus(child), 0) << "the child did not read the secret or left echo off";
  for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
  ::close(terminal);
  EXPECT_EQ(shown.find("hunter2"), std::string::npos) << shown;
}

}  // namespace
}  // namespace zr
