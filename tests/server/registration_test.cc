// RegServer and UnregServer: the activation files and their Exec quoting,
// removal leaving exactly what was there before, refused paths, and failures
// reported without half-written files.
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

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
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

TEST_F(RegistrationTest, RegistrationWritesOneActivationFilePerBusName) {
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  EXPECT_EQ(FilesIn(Services()),
            (std::vector<std::string>{"ZRForm.History.service", "ZRForm.ZRBarHelper.service"}));
  for (std::string_view bus_name : {kZRBarHelperBusName, kHistoryBusName}) {
    EXPECT_EQ(
        testing::ReadFile(Services() + "/" + std::string(bus_name) + ".service"),
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
    std::string hive_before = testing::ReadFile(HivePath());
    EXPECT_EQ(c.action(exe_), c.expected);
    EXPECT_EQ(LeftoverTemporaryFiles(), std::vector<std::string>{});
    if (c.expected == kREGDB_E_READREGDB) {
      EXPECT_EQ(testing::ReadFile(HivePath()), hive_before);  // a damaged hive is not overwritten
      EXPECT_EQ(FilesIn(Services()).size(), c.registered ? 2u : 0u);
    }
  }
}

}  // namespace
}  // namespace zr
