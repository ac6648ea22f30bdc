// The registrar's script rules (strict parsing, replacements, ForceRemove, NoRemove, Delete,
// shared keys) and RegServer/UnregServer: activation files, clean removal, failures.
#include "server/registrar.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>
#include <variant>

#include "platform/atomic_file.h"
#include "platform/data_folder.h"
#include "platform/registry_format.h"
#include "server/registration.h"
#include "server/registration_files.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

namespace fs = std::filesystem;

// A hive as "K <key>" and "V <key> | <name> = <text or d:number>" lines; damaged: {"DAMAGED"}.
using HiveLines = std::set<std::string>;
HiveLines ReadHiveLines(const std::string& path) {
  struct Collector : HiveVisitor {
    HiveLines lines;
    std::string key;
    bool OnKey(std::string k) override { return lines.insert("K " + (key = k)), true; }
    bool OnValue(std::string name, RegistryValue v) override {
      const auto* text = std::get_if<std::string>(&v);
      lines.insert("V " + key + " | " + name + " = " +
                   (text ? *text : "d:" + std::to_string(std::get<uint32_t>(v))));
      return true;
    }
  } collector;
  std::string text;
  if (!ReadWholeFile(path, text)) return {};
  return ParseHive(text, collector) ? collector.lines : HiveLines{"DAMAGED"};
}

class RegistrarTest : public ::testing::Test {
 protected:
  HiveLines Hive() {
    EXPECT_TRUE(store_.Save());
    return ReadHiveLines(store_.path());
  }
  void ExpectHive(const char* script, HiveLines expected) {
    ASSERT_EQ(registrar_.Register(script), kS_OK) << registrar_.error();
    EXPECT_EQ(Hive(), expected);
  }
  testing::TempDir temp_;
  RegistryStore store_{temp_.path() + "/hive.reg"};
  Registrar registrar_{store_};
};

TEST_F(RegistrarTest, MalformedScriptsAreRejectedWholeAndChangeNothing) {
  std::string deep = "HKCR {";
  for (int i = 0; i < 100000; ++i) deep += " K {";
  // clang-format off
  const std::string scripts[] = {
      "HKCR { A = s 'x' ", "HKCR { A = s 'x }", "HKCR { A = s 'x\ny' }", "HKCU { A = s 'x' }",
      "{ A }", "HKCR A", "HKCR { A } }", "HKCR { val V s 'x' }", "HKCR { val = s 'x' }",
      "HKCR { A = b '00' }", "HKCR { A = s }", "HKCR { A = d 'ten' }", "HKCR { A = d -1 }",
      "HKCR { A = d 4294967296 }", "HKCR { 'A\\B' = s 'x' }", "HKCR { '' }", "HKCR { A=s 'x' }",
      "HKCR { A{ } }", "HKCR { 'A'B }", "HKCR { ForceRemove NoRemove A }", "HKCR { NoRemove }",
      "HKCR { Delete A = s 'x' }", "HKCR { A = s '%UNKNOWN%' }", "HKCR { A = s '50%' }",
      "HKCR { A = s 'x' } HKCR { B = s 'y' } }", deep};  // deep must not exhaust the stack
  // clang-format on
  store_.SetValue("Keep", "v", std::string("1"));
  HiveLines before = Hive();
  for (const std::string& script : scripts) {
    SCOPED_TRACE(script.substr(0, 40));
    EXPECT_EQ(registrar_.Register(script), kDISP_E_EXCEPTION);
    EXPECT_FALSE(registrar_.error().empty());
    EXPECT_EQ(registrar_.Unregister(script), kDISP_E_EXCEPTION);
    EXPECT_EQ(Hive(), before);
  }
}

TEST_F(RegistrarTest, WritesValuesOfEveryFormTheSyntaxAllows) {
  registrar_.AddReplacement("Module", "/opt/it''s a-dir/100%/zr");
  ExpectHive(
      "HKCR { K { K { K { } } } }\n"
      "HKEY_CLASSES_ROOT\n{\n  Plain = s 'Text with ''quotes'' and 100%% done'\n  {\n"
      "    val Count = d 42\n    VAL Mask = D '0xFFFFFFFF'\n    val 'Spaced name' = s Word\n"
      "    noremove 'NoRemove' = s '%MODULE%'\n  }\n}\n",
      {"K K", "K K\\K", "K K\\K\\K", "K Plain", "V Plain |  = Text with 'quotes' and 100% done",
       "V Plain | Count = d:42", "V Plain | Mask = d:4294967295", "V Plain | Spaced name = Word",
       "K Plain\\NoRemove", "V Plain\\NoRemove |  = /opt/it's a-dir/100%/zr"});
}

TEST_F(RegistrarTest, RegistrationReplacesOnlyForceRemoveKeys) {
  store_.SetValue("Normal", "Other", std::string("kept"));
  store_.SetValue("Forced", "Other", std::string("dropped"));
  for (const char* key : {"Normal\\Foreign", "Forced\\Foreign", "Gone\\Below"})
    store_.CreateKey(key);
  ExpectHive("HKCR { Normal = s 'n' { Sub } ForceRemove Forced = s 'f' { Sub } Delete Gone }",
             {"K Normal", "V Normal | Other = kept", "V Normal |  = n", "K Normal\\Foreign",
              "K Normal\\Sub", "K Forced", "V Forced |  = f", "K Forced\\Sub"});
}

TEST_F(RegistrarTest, RemovalDeletesOnlyWhatNothingElseStillUses) {
  const char* script =
      "HKCR { NoRemove Shared { Mine = s 'm' { Leaf } ForceRemove Forced { Leaf } }\n"
      "  Busy = s 'b' { val V = s 'v' Leaf } Delete Untouched Missing { Deeper } }";
  ASSERT_EQ(registrar_.Register(script), kS_OK) << registrar_.error();
  store_.CreateKey("Busy\\Foreign");
  store_.SetValue("Busy", "Foreign", std::string("f"));
  store_.CreateKey("Untouched\\Below");
  store_.DeleteKey("Missing");
  ASSERT_EQ(registrar_.Unregister(script), kS_OK) << registrar_.error();
  EXPECT_EQ(Hive(), (HiveLines{"K Shared", "K Busy", "V Busy |  = b", "V Busy | Foreign = f",
                               "K Busy\\Foreign", "K Untouched", "K Untouched\\Below"}));
}

TEST(ExecArgumentTest, QuotesAndEscapesAsTheExecRulesRequire) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/zrform", "/usr/bin/zrform"},
      {"/opt/zr form/zrform", "\"/opt/zr form/zrform\""},
      {"/a\"b", "\"/a\\\\\"b\""},
      {"/a$b`c", "\"/a\\\\$b\\\\`c\""},
      {"/a\\b", "\"/a\\\\\\\\b\""},
  };
  for (const auto& [path, exec] : cases) EXPECT_EQ(QuoteExecArgument(path), exec) << path;
}

std::set<std::string> Tree(const std::string& root) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (!entry.is_directory()) names.insert(fs::relative(entry.path(), root).string());
  return names;
}

class RegistrationTest : public ::testing::Test {
 protected:
  std::string HivePath() const { return RegistryStore::DefaultPath(Hive::kClassesRoot); }
  testing::TempDir temp_;
  testing::ScopedEnv data_home_{"XDG_DATA_HOME", temp_.path() + "/data"};
  testing::ScopedEnv config_home_{"XDG_CONFIG_HOME", temp_.path() + "/config"};
  std::string exe_ = temp_.path() + "/it's a-dir/zr form";
  std::string services_ = temp_.path() + "/data/dbus-1/services";
  std::string interfaces_ = temp_.path() + "/data/dbus-1/interfaces";
};

TEST_F(RegistrationTest, RegisterThenUnregisterLeavesOnlyKeptAndForeignKeysAndFiles) {
  const std::string other_clsid = "CLSID\\{00000000-0000-0000-0000-000000000002}";
  const std::string other_lib = "TypeLib\\{00000000-0000-0000-0000-000000000003}";
  ASSERT_TRUE(MakeFolderPath(services_) && MakeFolderPath(interfaces_));
  ASSERT_TRUE(WriteFileAtomically(services_ + "/Other.service", "x"));
  ASSERT_TRUE(WriteFileAtomically(interfaces_ + "/Other.xml", "x"));
  RegistryStore hive(Hive::kClassesRoot);
  hive.SetValue(other_clsid, "", std::string("x"));
  ASSERT_TRUE(hive.Save());
  ASSERT_EQ(RegisterServer(exe_), kS_OK);
  for (std::string bus_name : {"ZRForm.ZRBarHelper", "ZRForm.History"}) {
    EXPECT_EQ(testing::ReadFile(services_ + "/" + bus_name + ".service"),
              "[D-BUS Service]\nName=" + bus_name + "\nExec=\"" + exe_ + "\" -Embedding\n");
  }
  ASSERT_TRUE(hive.Load());
  hive.CreateKey("ZRForm.History\\Foreign");  // below a key of the History script
  hive.CreateKey(other_lib + "\\2.0");
  ASSERT_TRUE(hive.Save());
  ASSERT_EQ(UnregisterServer(exe_), kS_OK);
  EXPECT_EQ(ReadHiveLines(HivePath()),
            (HiveLines{"K AppID", "K CLSID", "K TypeLib", "K " + other_clsid,
                       "V " + other_clsid + " |  = x", "K " + other_lib, "K " + other_lib + "\\2.0",
                       "K ZRForm.History", "V ZRForm.History |  = History Class",
                       "K ZRForm.History\\Foreign"}));
  EXPECT_EQ(Tree(temp_.path() + "/data"), (std::set<std::string>{"dbus-1/services/Other.service",
                                                                 "dbus-1/interfaces/Other.xml"}));
  EXPECT_EQ(UnregisterServer(exe_), kS_OK);  // twice is fine
}

TEST_F(RegistrationTest, UnusableExecutablePathsAreRefusedBeforeAnythingIsWritten) {
  for (std::string path :
       {"", "zrform", "./zrform", "/opt/zr\nform", "/opt/zr\tform", "/opt/l\xE9gacy/zr"}) {
    EXPECT_EQ(RegisterServer(path), kE_INVALIDARG) << path;
    EXPECT_EQ(UnregisterServer(path), kE_INVALIDARG) << path;
  }
  EXPECT_EQ(UnregisterServer(exe_), kS_OK);  // never registered: writes nothing either
  EXPECT_EQ(Tree(temp_.path()), std::set<std::string>{});
}

TEST_F(RegistrationTest, FailuresAreReportedAndLeaveNoHalfWrittenFile) {
  const std::string hive_folder = temp_.path() + "/config/Zorvane";
  const std::string history_service = services_ + "/ZRForm.History.service";
  // what, registered first, path made a folder (else a one-byte file), action, result
  using Action = HResult (*)(const std::string&);
  const Action reg = RegisterServer, unreg = UnregisterServer;
  const std::tuple<const char*, bool, std::string, bool, Action, HResult> cases[] = {
      {"activation file path is a folder", false, history_service, true, reg, kTYPE_E_IOERROR},
      {"hive folder is a file", false, hive_folder, false, reg, kREGDB_E_WRITEREGDB},
      {"damaged hive on registration", false, HivePath(), false, reg, kREGDB_E_READREGDB},
      {"damaged hive on removal", true, HivePath(), false, unreg, kREGDB_E_READREGDB},
      {"activation file made a folder", true, history_service, true, unreg, kTYPE_E_IOERROR},
  };
  for (const auto& [what, registered, path, folder, action, expected] : cases) {
    SCOPED_TRACE(what);
    for (const char* home : {"/data", "/config"}) fs::remove_all(temp_.path() + home);
    if (registered) {
      ASSERT_EQ(RegisterServer(exe_), kS_OK);
    }
    fs::remove(path);
    ASSERT_TRUE(folder ? MakeFolderPath(path + "/x")
                       : MakeFolderPath(FolderOf(path)) && WriteFileAtomically(path, "x"));
    const std::string hive_before = testing::ReadFile(HivePath());
    const std::set<std::string> files_before = Tree(temp_.path());
    EXPECT_EQ(action(exe_), expected);
    for (const std::string& name : Tree(temp_.path()))
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    if (expected == kREGDB_E_READREGDB) {  // a damaged hive is not overwritten, nor files made
      EXPECT_EQ(testing::ReadFile(HivePath()), hive_before);
      EXPECT_EQ(Tree(temp_.path()), files_before);
    }
  }
}

}  // namespace
}  // namespace zr
