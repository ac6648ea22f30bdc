// RegistryStore: awkward keys and values round trip, the file text byte for
// byte and its modes, names without case, subtrees, damaged files refused
// whole, and the AutoLoginRecord setting.
#include "platform/registry_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/atomic_file.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 01000;
}

TEST(RegistryStoreTest, AwkwardValuesRoundTripAndTheFileTextIsExactAndOwnerOnly) {
  const std::tuple<std::string, std::string, RegistryValue> values[] = {
      {"Software\\Zorvane\\Toolbar", "max", uint32_t{0xFFFFFFFF}}, {"Q", "", std::string("default")},
      {"Q", "say \"hi\"", std::string("\"q\" \"\"")}, {"Q", "back\\slash", std::string("C:\\p\\ \\\\s\\")},
      {"Q", "lines", std::string("one\ntwo\r\n")}, {"Q", "[s]", std::string("; [k] @=\"a\"")},
      {"Q", "controls", std::string("\t\x01\x7f\0\xff", 5)}, {"Odd]Key[\\100%\\tab\there", "v", std::string("\\x41 %41")}};
  TempDir temp;
  const std::string path = temp.File("no/such/hive.reg");
  RegistryStore store(path);
  for (const auto& [key, name, value] : values) store.SetValue(key, name, value);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(ModeOf(temp.File("no/such")), 0700u);
  RegistryStore loaded(path);
  ASSERT_TRUE(loaded.Load());
  for (const auto& [key, name, value] : values) EXPECT_EQ(loaded.GetValue(key, name), value) << name;
  EXPECT_EQ(loaded.SubKeys(""), (std::vector<std::string>{"Software", "Q", "Odd]Key["}));

  RegistryStore small(path);
  small.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{31});
  small.SetValue("software\\ZORVANE\\toolbar", "", std::string("say \"a\\b\"\r\n"));
  small.CreateKey("x%y");
  ASSERT_TRUE(small.Save());
  EXPECT_EQ(ReadFile(path), "ZRForm Registry 1\n\n[Software]\n\n[Software\\Zorvane]\n\n[Software\\Zorvane\\Toolbar]\n"
                            "\"AutoLoginRecord\"=dword:0000001f\n@=\"say \\\"a\\\\b\\\"\\r\\n\"\n\n[x%25y]\n");
}

TEST(RegistryStoreTest, NamesCompareWithoutCaseAndDeleteKeyRemovesTheSubtreeOnly) {
  TempDir temp;
  RegistryStore store(temp.File("hive.reg"));
  store.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{1});
  store.SetValue("\\software\\\\ZORVANE\\toolbar\\", "AUTOLOGINRECORD", uint32_t{0});
  EXPECT_EQ(store.GetValue("Software\\Zorvane\\Toolbar", "autologinrecord"), RegistryValue(uint32_t{0}));
  for (const char* key : {"A\\B\\C", "A\\B2", "AB"}) store.CreateKey(key);
  EXPECT_TRUE(store.DeleteKey("a\\b"));
  EXPECT_FALSE(store.DeleteKey("A\\B"));
  EXPECT_FALSE(store.KeyExists("A\\B\\C"));
  EXPECT_EQ(store.SubKeys("A"), std::vector<std::string>{"B2"});
  EXPECT_TRUE(store.KeyExists("AB"));
}

TEST(RegistryStoreTest, DamagedFilesAreRefusedWhole) {
  TempDir temp;
  const std::string path = temp.File("hive.reg"), head = "ZRForm Registry 1\n";
  RegistryStore store(path);
  for (const std::string& text : {std::string("[K]\n"), std::string("ZRForm Registry 2\n[K]\n"), head + "[K]\n\"v\"=\"a\\qb\"\n",
                                  head + "[K]\n\"v\"=dword:0000001\n", head + "[K]\n\"v\"=\"a\"\n[k]\n\"V\"=\"b\"\n"}) {
    ASSERT_TRUE(testing::WriteFile(path, head + "[K]\n"));
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(testing::WriteFile(path, text));
    EXPECT_FALSE(store.Load()) << text;
    EXPECT_FALSE(store.KeyExists("K")) << text;
  }
  ASSERT_TRUE(testing::WriteFile(path, "ZRForm Registry 1\r\n[K]\r\n; c\r\n\r\n\"v\"=dword:0000000A\r\n"));
  EXPECT_TRUE(store.Load()) << "CR LF line ends and comments";
  EXPECT_EQ(store.GetValue("K", "v"), RegistryValue(uint32_t{10}));
}

TEST(AutoLoginRecordTest, FollowsXdgConfigHomeDefaultsToOneAndKeepsAWrittenZero) {
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relative");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(RegistryStore::DefaultPath(Hive::kCurrentUser), "/home/u/.config/Zorvane/HKEY_CURRENT_USER.reg");
  }
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

}  // namespace
}  // namespace zr
