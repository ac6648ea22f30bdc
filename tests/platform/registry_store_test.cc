// RegistryStore: awkward keys and values round trip, the file text byte for
// byte, case-insensitive names, subtrees, damaged hive files refused whole,
// and the AutoLoginRecord setting.
#include "platform/registry_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

struct Value {
  std::string key, name;
  RegistryValue value;
};

const std::vector<Value> kAwkward = {
    {"Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{0}},
    {"Software\\Zorvane\\Toolbar", "", std::string("default")},
    {"Software\\Zorvane\\Toolbar", "max", uint32_t{0xFFFFFFFF}},
    {"Quotes", "say \"hi\"", std::string("\"quoted\" \"\"")},
    {"Quotes", "back\\slash", std::string("C:\\path\\to\\ \\\\server\\")},
    {"Quotes", "lines", std::string("one\ntwo\r\nthree\n")},
    {"Quotes", "@", std::string("@=\"at\"")},
    {"Quotes", "[section]", std::string("[not a key]")},
    {"Quotes", ";comment", std::string("; not a comment")},
    {"Quotes", "controls", std::string("\t\x01\x7f\x1b", 4)},
    {"Quotes", "zero", std::string("a\0b", 3)},
    {"Quotes", "high bytes", std::string("caf\xc3\xa9 \xff\xfe")},
    {"Quotes", "escapes as text", std::string("\\x41 \\n %41")},
    {"Odd]Key[\\100%\\tab\there", "v", std::string("w")},
};

TEST(RegistryStoreTest, AwkwardKeysAndValuesSurviveSaveAndLoadByteForByte) {
  TempDir temp;
  const std::string path = temp.File("hive.reg");
  RegistryStore store(path);
  for (const Value& v : kAwkward) store.SetValue(v.key, v.name, v.value);
  ASSERT_TRUE(store.Save());
  RegistryStore loaded(path);
  ASSERT_TRUE(loaded.Load());
  for (const Value& v : kAwkward) {
    EXPECT_EQ(loaded.GetValue(v.key, v.name), std::optional<RegistryValue>(v.value)) << v.name;
  }
  EXPECT_EQ(loaded.SubKeys(""), (std::vector<std::string>{"Software", "Quotes", "Odd]Key["}));
  EXPECT_EQ(loaded.SubKeys("Odd]Key[\\100%"), std::vector<std::string>{"tab\there"});
  const std::string first = testing::ReadFile(path);
  ASSERT_TRUE(loaded.Save());
  EXPECT_EQ(testing::ReadFile(path), first);

  RegistryStore small(path);
  small.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{31});
  small.SetValue("software\\ZORVANE\\toolbar", "", std::string("say \"a\\b\"\r\n"));
  small.CreateKey("x%y");
  ASSERT_TRUE(small.Save());
  EXPECT_EQ(testing::ReadFile(path),
            "ZRForm Registry 1\n"
            "\n[Software]\n"
            "\n[Software\\Zorvane]\n"
            "\n[Software\\Zorvane\\Toolbar]\n"
            "\"AutoLoginRecord\"=dword:0000001f\n"
            "@=\"say \\\"a\\\\b\\\"\\r\\n\"\n"
            "\n[x%25y]\n");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(RegistryStoreTest, NamesCompareWithoutCaseAndDeleteKeyRemovesTheSubtreeOnly) {
  TempDir temp;
  RegistryStore store(temp.File("hive.reg"));
  store.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{1});
  EXPECT_TRUE(store.KeyExists("\\software\\\\Zorvane\\TOOLBAR\\"));  // empty parts dropped
  store.SetValue("software\\ZORVANE\\toolbar", "AUTOLOGINRECORD", uint32_t{0});
  EXPECT_EQ(store.GetValue("Software\\Zorvane\\Toolbar", "autologinrecord"),
            std::optional<RegistryValue>(uint32_t{0}));
  EXPECT_EQ(store.SubKeys("SOFTWARE"), std::vector<std::string>{"Zorvane"});

  for (const char* key : {"A\\B\\C\\D", "A\\B2", "A\\Bx", "AB"}) store.CreateKey(key);
  store.SetValue("A\\B", "v", uint32_t{1});
  EXPECT_TRUE(store.DeleteKey("a\\b"));
  EXPECT_FALSE(store.DeleteKey("A\\B"));
  EXPECT_FALSE(store.DeleteKey(""));
  for (const char* gone : {"A\\B", "A\\B\\C", "A\\B\\C\\D"}) EXPECT_FALSE(store.KeyExists(gone));
  for (const char* kept : {"A", "A\\B2", "A\\Bx", "AB"}) EXPECT_TRUE(store.KeyExists(kept));
  EXPECT_EQ(store.SubKeys("A"), (std::vector<std::string>{"B2", "Bx"}));
  store.SetValue("ab", "w", std::string("x"));  // the index finds keys that moved
  EXPECT_EQ(store.GetValue("AB", "W"), std::optional<RegistryValue>(std::string("x")));
  EXPECT_TRUE(store.DeleteValue("AB", "w"));
  EXPECT_FALSE(store.DeleteValue("AB", "w"));
}

TEST(RegistryStoreTest, DamagedFilesAreRefusedWhole) {
  TempDir temp;
  const std::string path = temp.File("hive.reg");
  const std::string head = "ZRForm Registry 1\n";
  const std::string rows[] = {
      "[K]\n\"v\"=dword:00000001\n",  // no header
      "ZRForm Registry 2\n[K]\n",     head + "\"v\"=\"x\"\n[K]\n",  head + "[K\n",
      head + "[K]\n\"v\"=\"a\\qb\"\n",  head + "[K%2]\n",          head + "[K]\n\"v\"=dword:0000001\n",
      head + "[K]\n\"v\"=hex:00\n",   head + "[K]\n\"v\"=\"a\"\n\"V\"=\"b\"\n",
      head + "[K]\n\"v\"=\"a\"\n[k]\n\"w\"=\"b\"\n",
  };
  RegistryStore store(path);
  for (const std::string& text : rows) {
    ASSERT_TRUE(testing::WriteFile(path, head + "[K]\n\"v\"=dword:00000001\n"));
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(testing::WriteFile(path, text));
    EXPECT_FALSE(store.Load()) << text;
    EXPECT_FALSE(store.KeyExists("K")) << text;
  }
  ASSERT_TRUE(testing::WriteFile(path, "ZRForm Registry 1\r\n[K]\r\n; c\r\n\r\n\"v\"=dword:0000000A\r\n"));
  EXPECT_TRUE(store.Load()) << "CR LF line ends and comments";
  EXPECT_EQ(store.GetValue("K", "v"), std::optional<RegistryValue>(uint32_t{10}));

  // Every prefix of a sound file fails empty or loads only what was there.
  RegistryStore original(path);
  for (const Value& v : kAwkward) original.SetValue(v.key, v.name, v.value);
  ASSERT_TRUE(original.Save());
  const std::string text = testing::ReadFile(path);
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    ASSERT_TRUE(testing::WriteFile(path, text.substr(0, cut)));
    if (!store.Load()) {
      EXPECT_TRUE(store.SubKeys("").empty()) << "cut at " << cut;
      continue;
    }
    for (const Value& v : kAwkward) {
      std::optional<RegistryValue> value = store.GetValue(v.key, v.name);
      if (value) {
        EXPECT_EQ(*value, v.value) << "cut at " << cut << ": " << v.name;
      }
    }
  }
  std::string huge = head + "[K]\n; ";
  huge.resize(9 << 20, 'x');
  ASSERT_TRUE(testing::WriteFile(path, huge + "\n"));
  EXPECT_FALSE(store.Load()) << "oversized";
  RegistryStore missing(temp.File("no/such/hive.reg"));
  EXPECT_TRUE(missing.Load()) << "a missing file is an empty hive";
  missing.SetValue("K", "v", uint32_t{2});
  ASSERT_TRUE(missing.Save());
  struct stat st;
  ASSERT_EQ(::stat(temp.File("no/such").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(AutoLoginRecordTest, FollowsXdgConfigHomeDefaultsToOneAndKeepsAWrittenZero) {
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relative");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(RegistryStore::DefaultPath(Hive::kCurrentUser),
              "/home/u/.config/Zorvane/HKEY_CURRENT_USER.reg");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(RegistryStore::DefaultPath(Hive::kCurrentUser), "");
    EXPECT_FALSE(RegistryStore(Hive::kCurrentUser).Save());
    EXPECT_EQ(ReadAutoLoginRecord(), 1u);
  }
  TempDir temp;
  ScopedEnv config("XDG_CONFIG_HOME", temp.path() + "/");
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "no hive file";
  RegistryStore store(Hive::kCurrentUser);
  EXPECT_EQ(store.path(), temp.path() + "/Zorvane/HKEY_CURRENT_USER.reg");
  store.SetValue(kToolbarKey, kAutoLoginRecordValue, std::string("0"));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "a string value is not the setting";
  ASSERT_TRUE(WriteAutoLoginRecord(0));
  EXPECT_EQ(ReadAutoLoginRecord(), 0u);
  ASSERT_TRUE(WriteFileAtomically(store.path(), "damaged"));
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "a damaged hive";
  ASSERT_TRUE(WriteAutoLoginRecord(0));  // replaces the damaged hive with a sound one
  EXPECT_EQ(ReadAutoLoginRecord(), 0u);
}

}  // namespace
}  // namespace zr
