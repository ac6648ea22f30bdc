// RegServer and UnregServer: every key and value of the registration tables,
// the activation files (checked against a real bus daemon when one is
// installed), the installed interface descriptions, what removal keeps, and
// failures that must be reported without leaving half-written files.
#include "server/registration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/data_folder.h"
#include "platform/registry_store.h"
#include "resources/class_ids.h"
#include "resources/interface_files.h"
#include "server/registration_files.h"
#include "tests/support/test_support.h"
#include "tests/server/registrar_test_support.h"

namespace zr {
namespace {

namespace fs = std::filesystem;
using testing::HiveLines;
using testing::KeyLine;
using testing::ValueLine;

// A key, with its default value when one is given.
void AddKey(HiveLines& lines, const std::string& key, const char* default_value = nullptr) {
  lines.insert(KeyLine(key));
  if (default_value != nullptr) lines.insert(ValueLine(key, "", default_value));
}

// Script 101, the class scripts 102 and 105 as the registration tables give
// them, and the TypeLib keys, for an executable at module.
HiveLines RegisteredHive(const std::string& module, const std::string& interfaces) {
  const std::string app_id(kAppId);
  const std::string lib_id(kTypeLibId);
  HiveLines lines;
  AddKey(lines, "AppID");
  AddKey(lines, "AppID\\" + app_id, "ZRForm");
  AddKey(lines, "AppID\\ZRForm.EXE");
  lines.insert(ValueLine("AppID\\ZRForm.EXE", "AppID", app_id));
  struct Class {
    std::string prog_id, text, clsid;
  };
  for (const Class& c :
       {Class{"ZRForm.ZRBarHelper", "ZRBarHelper Class", std::string(kZRBarHelperClassId)},
        Class{"ZRForm.History", "History Class", std::string(kHistoryClassId)}}) {
    const std::string versioned = c.prog_id + ".1";
    const std::string key = "CLSID\\" + c.clsid;
    AddKey(lines, versioned, c.text.c_str());
    AddKey(lines, versioned + "\\CLSID", c.clsid.c_str());
    AddKey(lines, c.prog_id, c.text.c_str());
    AddKey(lines, c.prog_id + "\\CLSID", c.clsid.c_str());
    AddKey(lines, c.prog_id + "\\CurVer", versioned.c_str());
    AddKey(lines, "CLSID");
    AddKey(lines, key, c.text.c_str());
    AddKey(lines, key + "\\ProgID", versioned.c_str());
    AddKey(lines, key + "\\VersionIndependentProgID", c.prog_id.c_str());
    AddKey(lines, key + "\\Programmable");
    AddKey(lines, key + "\\LocalServer32", module.c_str());
    lines.insert(ValueLine(key, "AppID", app_id));
    AddKey(lines, key + "\\TypeLib", lib_id.c_str());
  }
  AddKey(lines, "TypeLib");
  AddKey(lines, "TypeLib\\" + lib_id);
  AddKey(lines, "TypeLib\\" + lib_id + "\\1.0", "ZRForm 1.0 Type Library");
  AddKey(lines, "TypeLib\\" + lib_id + "\\1.0\\0");
  AddKey(lines, "TypeLib\\" + lib_id + "\\1.0\\0\\dbus", interfaces.c_str());
  AddKey(lines, "TypeLib\\" + lib_id + "\\1.0\\FLAGS", "0");
  return lines;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::string text;
  return ReadWholeFile(path, text) ? text : "<unreadable>";
}

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest()
      : data_home_("XDG_DATA_HOME", temp_.path() + "/data"),
        config_home_("XDG_CONFIG_HOME", temp_.path() + "/config"),
        exe_(temp_.path() + "/it's a-dir/zr form") {}

  std::string HivePath() const { return RegistryStore::DefaultPath(Hive::kClassesRoot); }
  HiveLines Hive() const { return testing::ReadHiveLines(HivePath()); }
  std::string Services() const { return temp_.path() + "/data/dbus-1/services"; }
  std::string Interfaces() const { return temp_.path() + "/data/dbus-1/interfaces"; }
  HiveLines Registered(const std::string& exe) const { return RegisteredHive(exe, Interfaces()); }
  // Puts foreign keys into the hive before the server touches it.
  void AddForeignKeys(const std::function<void(RegistryStore&)>& edit) {
    RegistryStore store(Hive::kClassesRoot);
    ASSERT_TRUE(store.Load());
    edit(store);
    ASSERT_TRUE(store.Save());
  }
  // Names of temporary files left anywhere below the test folder.
  std::vector<std::string> LeftoverTemporaryFiles() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
      if (entry.path().filename().string().find(".tmp") != std::string::npos) {
        found.push_back(entry.path().string());
      }
    }
    return found;
  }

  testing::TempDir temp_;
  testing::ScopedEnv data_home_;
  testing::ScopedEnv config_home_;
  std::string exe_;
};

TEST_F(RegistrationTest, RegistrationWritesExactlyTheKeysOfTheTables) {
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  EXPECT_EQ(Hive(), Registered(exe_));  // the quote of the path is stored single
}

TEST_F(RegistrationTest, RegistrationWritesOneActivationFilePerBusName) {
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  EXPECT_EQ(FilesIn(Services()),
            (std::vector<std::string>{"ZRForm.History.service", "ZRForm.ZRBarHelper.service"}));
  for (std::string_view bus_name : {kZRBarHelperBusName, kHistoryBusName}) {
    EXPECT_EQ(
        ReadFile(Services() + "/" + std::string(bus_name) + ".service"),
        "[D-BUS Service]\nName=" + std::string(bus_name) + "\nExec=\"" + exe_ + "\" -Embedding\n");
  }
}

TEST(ExecArgumentTest, QuotesAndEscapesAsTheExecRulesRequire) {
  struct Case {
    const char* path;
    const char* exec;
  };
  const Case cases[] = {
      {"/usr/bin/zrform", "/usr/bin/zrform"},
      {"/opt/zr-form/100%/a=b,c", "/opt/zr-form/100%/a=b,c"},  // nothing reserved; % stays single
      {"/opt/zr form/zrform", "\"/opt/zr form/zrform\""},
      {"/opt/it's/zr", "\"/opt/it's/zr\""},
      {"/a\"b", "\"/a\\\\\"b\""},
      {"/a$b`c", "\"/a\\\\$b\\\\`c\""},
      {"/a\\b", "\"/a\\\\\\\\b\""},
      {"/a~b#c;d|e&f*g?h(i)<j>", "\"/a~b#c;d|e&f*g?h(i)<j>\""},
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteExecArgument(c.path), c.exec) << c.path;
}

// The bus daemon itself reads the activation file and starts the program at
// an awkward path, which records the arguments it was started with.
TEST_F(RegistrationTest, TheBusDaemonStartsTheRegisteredPath) {
  if (std::system("command -v dbus-run-session >/dev/null && command -v dbus-send >/dev/null") !=
      0) {
    GTEST_SKIP() << "no dbus-run-session or dbus-send";
  }
  const std::string folder = temp_.path() + "/it's \"odd\" $HOME-100% a\\b `x`";
  const std::string program = folder + "/zr form";
  const std::string marker = temp_.path() + "/started";
  ASSERT_TRUE(fs::create_directories(folder));
  {
    std::ofstream script(program);
    script << "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$ZR_MARKER\"\n";
  }
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  ASSERT_EQ(RegisterServer(program), kS_OK);
  testing::ScopedEnv marker_env("ZR_MARKER", marker);
  // The program never claims the name, so the call ends by its timeout.
  (void)std::system(
      "dbus-run-session -- dbus-send --session --print-reply --reply-timeout=1000 "
      "--dest=ZRForm.History / org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1");
  // On a busy machine the program may write its record after the call ended.
  const std::string expected = program + "\n-Embedding\n";
  for (int i = 0; i < 100 && ReadFile(marker) != expected; ++i) ::usleep(50000);
  EXPECT_EQ(ReadFile(marker), expected);
}

TEST_F(RegistrationTest, InterfaceDescriptionsAreInstalledByteForByte) {
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  const fs::path sources =
      fs::path(ZR_INTERFACES_DIR);
  std::vector<std::string> names;
  for (const std::string& name : FilesIn(sources.string())) {
    if (name.ends_with(".xml")) names.push_back(name);
  }
  ASSERT_FALSE(names.empty()) << sources;
  std::vector<std::string> embedded;
  for (const InterfaceFile& file : InterfaceFiles()) embedded.emplace_back(file.name);
  EXPECT_EQ(embedded, names);
  EXPECT_EQ(FilesIn(Interfaces()), names);
  for (const std::string& name : names) {
    EXPECT_EQ(ReadFile(Interfaces() + "/" + name), ReadFile((sources / name).string())) << name;
  }
}

TEST_F(RegistrationTest, RegisteringAgainChangesNothingAndANewPathReplacesTheOld) {
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  HiveLines first = Hive();
  std::string service = ReadFile(Services() + "/ZRForm.History.service");
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  EXPECT_EQ(Hive(), first);
  EXPECT_EQ(ReadFile(Services() + "/ZRForm.History.service"), service);

  const std::string moved = "/usr/local/bin/zrform";
  ASSERT_EQ(RegisterServer(moved), kS_OK);
  EXPECT_EQ(Hive(), Registered(moved));
  EXPECT_EQ(ReadFile(Services() + "/ZRForm.History.service"),
            "[D-BUS Service]\nName=ZRForm.History\nExec=" + moved + " -Embedding\n");
}

TEST_F(RegistrationTest, RegistrationReplacesTheClassKeysAndKeepsForeignOnes) {
  const std::string clsid = "CLSID\\" + std::string(kZRBarHelperClassId);
  const std::string other_app = "AppID\\{00000000-0000-0000-0000-000000000001}";
  AddForeignKeys([&](RegistryStore& store) {
    store.SetValue(clsid, "Stale", std::string("old"));  // replaced key: dropped
    store.SetValue(clsid + "\\InprocServer32", "", std::string("/old.so"));
    store.CreateKey(clsid + "\\Programmable\\Junk");
    store.CreateKey("ZRForm.ZRBarHelper\\Foreign");  // plain key: kept
    store.SetValue(other_app, "", std::string("Other"));
  });
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  HiveLines expected = Registered(exe_);
  AddKey(expected, "ZRForm.ZRBarHelper\\Foreign");
  AddKey(expected, other_app, "Other");
  EXPECT_EQ(Hive(), expected);
}

TEST_F(RegistrationTest, UnregistrationRemovesWhatRegistrationWroteAndNothingElse) {
  const std::string other_clsid = "CLSID\\{00000000-0000-0000-0000-000000000002}";
  const std::string other_lib = "TypeLib\\{00000000-0000-0000-0000-000000000003}\\2.0";
  ASSERT_TRUE(MakeFolderPath(Services()) && MakeFolderPath(Interfaces()));
  ASSERT_TRUE(WriteFileAtomically(Services() + "/Other.service", "x"));
  ASSERT_TRUE(WriteFileAtomically(Interfaces() + "/Other.xml", "x"));
  AddForeignKeys([&](RegistryStore& store) { store.SetValue(other_clsid, "", std::string("x")); });
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  // Added after registration, below a key of the History script.
  AddForeignKeys([&](RegistryStore& store) {
    store.CreateKey("ZRForm.History\\Foreign");
    store.CreateKey(other_lib);
  });

  ASSERT_EQ(UnregisterServer(exe_), kS_OK);
  HiveLines expected;
  AddKey(expected, "AppID");  // kept keys
  AddKey(expected, "CLSID");
  AddKey(expected, "TypeLib");
  AddKey(expected, other_clsid, "x");
  AddKey(expected, "TypeLib\\{00000000-0000-0000-0000-000000000003}");
  AddKey(expected, other_lib);
  // A key that still has someone else's subkey stays, as the platform's registrar leaves it.
  AddKey(expected, "ZRForm.History", "History Class");
  AddKey(expected, "ZRForm.History\\Foreign");
  EXPECT_EQ(Hive(), expected);
  EXPECT_EQ(FilesIn(Services()), std::vector<std::string>{"Other.service"});
  EXPECT_EQ(FilesIn(Interfaces()), std::vector<std::string>{"Other.xml"});
  EXPECT_EQ(UnregisterServer(exe_), kS_OK);  // twice is fine
}

TEST_F(RegistrationTest, UnregisteringWhatWasNeverRegisteredWritesNothing) {
  EXPECT_EQ(UnregisterServer(exe_), kS_OK);
  EXPECT_EQ(FilesIn(temp_.path()), std::vector<std::string>{});
}

TEST_F(RegistrationTest, UnusableExecutablePathsAreRefusedBeforeAnythingIsWritten) {
  const std::string paths[] = {
      "", "zrform", "./zrform", "/opt/zr\nform", "/opt/zr\tform", "/opt/l\xE9gacy/zrform"};
  for (const std::string& path : paths) {
    EXPECT_EQ(RegisterServer(path), kE_INVALIDARG) << path;
    EXPECT_EQ(UnregisterServer(path), kE_INVALIDARG) << path;
  }
  EXPECT_EQ(FilesIn(temp_.path()), std::vector<std::string>{});
}

TEST_F(RegistrationTest, FailuresAreReportedAndLeaveNoHalfWrittenFile) {
  struct Case {
    const char* what;
    std::function<void()> before;  // runs after a successful registration when registered
    bool registered;
    HResult (*action)(const std::string&);
    HResult expected;
  };
  const std::string hive_folder = temp_.path() + "/config/Zorvane";
  const Case cases[] = {
      {"activation file path taken by a folder",
       [&] { ASSERT_TRUE(MakeFolderPath(Services() + "/ZRForm.History.service/x")); }, false,
       RegisterServer, kTYPE_E_IOERROR},
      {"interface folder is a file",
       [&] {
         ASSERT_TRUE(MakeFolderPath(temp_.path() + "/data/dbus-1"));
         ASSERT_TRUE(WriteFileAtomically(Interfaces(), "x"));
       },
       false, RegisterServer, kTYPE_E_IOERROR},
      {"hive folder is a file",
       [&] {
         ASSERT_TRUE(MakeFolderPath(FolderOf(hive_folder)));
         ASSERT_TRUE(WriteFileAtomically(hive_folder, "x"));
       },
       false, RegisterServer, kREGDB_E_WRITEREGDB},
      {"damaged hive on registration",
       [&] {
         ASSERT_TRUE(MakeFolderPath(hive_folder));
         ASSERT_TRUE(WriteFileAtomically(HivePath(), "garbage"));
       },
       false, RegisterServer, kREGDB_E_READREGDB},
      {"damaged hive on removal", [&] { ASSERT_TRUE(WriteFileAtomically(HivePath(), "garbage")); },
       true, UnregisterServer, kREGDB_E_READREGDB},
      {"activation file replaced by a folder",
       [&] {
         ASSERT_TRUE(fs::remove(Services() + "/ZRForm.History.service"));
         ASSERT_TRUE(MakeFolderPath(Services() + "/ZRForm.History.service/x"));
       },
       true, UnregisterServer, kTYPE_E_IOERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(temp_.path() + "/data");
    fs::remove_all(temp_.path() + "/config");
    if (c.registered) {
      ASSERT_EQ(RegisterServer(exe_), kS_OK);
    }
    c.before();
    std::string hive_before = ReadFile(HivePath());
    EXPECT_EQ(c.action(exe_), c.expected);
    EXPECT_EQ(LeftoverTemporaryFiles(), std::vector<std::string>{});
    if (c.expected == kREGDB_E_READREGDB) {
      EXPECT_EQ(ReadFile(HivePath()), hive_before);  // a damaged hive is not overwritten
      EXPECT_EQ(FilesIn(Services()).size(), c.registered ? 2u : 0u);
    }
  }
}

TEST_F(RegistrationTest, UnwritableFoldersAreReportedWithoutLeftovers) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  ASSERT_TRUE(MakeFolderPath(Services()));
  ASSERT_EQ(::chmod(Services().c_str(), 0500), 0);
  EXPECT_EQ(RegisterServer(exe_), kTYPE_E_IOERROR);
  EXPECT_EQ(FilesIn(Services()), std::vector<std::string>{});
  ASSERT_EQ(::chmod(Services().c_str(), 0700), 0);
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  ASSERT_EQ(::chmod(Services().c_str(), 0500), 0);
  EXPECT_EQ(UnregisterServer(exe_), kTYPE_E_IOERROR);
  EXPECT_EQ(FilesIn(Services()).size(), 2u);
  ASSERT_EQ(::chmod(Services().c_str(), 0700), 0);
}

}  // namespace
}  // namespace zr
