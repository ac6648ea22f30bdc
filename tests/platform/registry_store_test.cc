// Tests of the registry store: keys and values through a save and a load,
// case-insensitive names, subtrees, damaged hive files and AutoLoginRecord.
#include "platform/registry_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(temp_.path().empty()); }
  std::string HivePath() const { return temp_.path() + "/hive.reg"; }
  // A plain write: the damaged-file tests write thousands of files.
  void WriteHive(const std::string& text) {
    std::ofstream out(HivePath(), std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.flush()) << HivePath();
  }

  TempDir temp_;
};

struct AwkwardValue {
  std::string key;
  std::string name;
  RegistryValue value;
};

const std::vector<AwkwardValue>& AwkwardValues() {
  static const std::vector<AwkwardValue> values = {
      {"Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{0}},
      {"Software\\Zorvane\\Toolbar", "", std::string("default")},
      {"Software\\Zorvane\\Toolbar", "max", uint32_t{0xFFFFFFFF}},
      {"Quotes", "say \"hi\"", std::string("\"quoted\" \"\"")},
      {"Quotes", "back\\slash", std::string("C:\\path\\to\\ \\\\server\\")},
      {"Quotes", "lines", std::string("one\ntwo\r\nthree\n")},
      {"Quotes", "a=b", std::string("x=y==z")},
      {"Quotes", "@", std::string("@=\"at\"")},
      {"Quotes", "[section]", std::string("[not a key]")},
      {"Quotes", ";comment", std::string("; not a comment")},
      {"Quotes", " spaced ", std::string("  ")},
      {"Quotes", "controls", std::string("\t\x01\x7f\x1b", 4)},
      {"Quotes", "zero", std::string("a\0b", 3)},
      {"Quotes", "high bytes", std::string("caf\xc3\xa9 \xff\xfe")},
      {"Quotes", "empty", std::string()},
      {"Quotes", "escapes as text", std::string("\\x41 \\n %41")},
      {"CLSID\\{A1B2C3D4-0000-1111-2222-333344445555}\\LocalServer32", "",
       std::string("/usr/bin/zrform -Embedding")},
      {"Odd]Key[\\100%\\tab\there", "v", std::string("w")},
  };
  return values;
}

// Every key of the store, as full paths, found through SubKeys.
std::vector<std::string> AllKeys(const RegistryStore& store, const std::string& key = "") {
  std::vector<std::string> keys;
  for (const std::string& name : store.SubKeys(key)) {
    std::string path = key.empty() ? name : key + "\\" + name;
    keys.push_back(path);
    for (std::string& below : AllKeys(store, path)) keys.push_back(std::move(below));
  }
  return keys;
}

TEST_F(RegistryStoreTest, AwkwardKeysAndValuesSurviveSaveAndLoad) {
  RegistryStore store(HivePath());
  for (const AwkwardValue& v : AwkwardValues()) store.SetValue(v.key, v.name, v.value);
  store.CreateKey("Empty\\Key");
  ASSERT_TRUE(store.Save());

  RegistryStore loaded(HivePath());
  ASSERT_TRUE(loaded.Load());
  for (const AwkwardValue& v : AwkwardValues()) {
    EXPECT_EQ(loaded.GetValue(v.key, v.name), std::optional<RegistryValue>(v.value))
        << v.key << " / " << v.name;
  }
  EXPECT_TRUE(loaded.KeyExists("Empty\\Key"));
  EXPECT_EQ(AllKeys(loaded), AllKeys(store));
  EXPECT_EQ(loaded.SubKeys(""),
            (std::vector<std::string>{"Software", "Quotes", "CLSID", "Odd]Key[", "Empty"}));
  EXPECT_EQ(loaded.SubKeys("Odd]Key[\\100%"), std::vector<std::string>{"tab\there"});

  // Saving what was loaded gives the same file, byte for byte.
  std::string first, second;
  ASSERT_TRUE(ReadWholeFile(HivePath(), first));
  ASSERT_TRUE(loaded.Save());
  ASSERT_TRUE(ReadWholeFile(HivePath(), second));
  EXPECT_EQ(first, second);
}

TEST_F(RegistryStoreTest, FileTextIsTheDocumentedFormat) {
  RegistryStore store(HivePath());
  store.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{31});
  store.SetValue("Software\\Zorvane\\Toolbar", "", std::string("say \"a\\b\"\n"));
  store.CreateKey("x%y");
  ASSERT_TRUE(store.Save());
  std::string text;
  ASSERT_TRUE(ReadWholeFile(HivePath(), text));
  EXPECT_EQ(text,
            "ZRForm Registry 1\n"
            "\n[Software]\n"
            "\n[Software\\Zorvane]\n"
            "\n[Software\\Zorvane\\Toolbar]\n"
            "\"AutoLoginRecord\"=dword:0000001f\n"
            "@=\"say \\\"a\\\\b\\\"\\n\"\n"
            "\n[x%25y]\n");
  struct stat st;
  ASSERT_EQ(::stat(HivePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryStoreTest, NamesCompareWithoutCaseAndKeepFirstSpelling) {
  RegistryStore store(HivePath());
  store.SetValue("Software\\Zorvane\\Toolbar", "AutoLoginRecord", uint32_t{1});
  EXPECT_TRUE(store.KeyExists("SOFTWARE\\zorvane\\TOOLBAR"));
  EXPECT_TRUE(store.KeyExists("\\software\\\\Zorvane\\toolbar\\"));  // empty parts dropped
  store.SetValue("software\\ZORVANE\\toolbar", "AUTOLOGINRECORD", uint32_t{0});
  store.SetValue("SOFTWARE\\Zorvane\\New", "Value", std::string("v"));
  EXPECT_EQ(store.GetValue("Software\\Zorvane\\Toolbar", "autologinrecord"),
            std::optional<RegistryValue>(uint32_t{0}));
  EXPECT_EQ(store.SubKeys("software\\zorvane"), (std::vector<std::string>{"Toolbar", "New"}));
  EXPECT_EQ(store.SubKeys("SOFTWARE"), std::vector<std::string>{"Zorvane"});
  ASSERT_TRUE(store.Save());
  std::string text;
  ASSERT_TRUE(ReadWholeFile(HivePath(), text));
  EXPECT_NE(text.find("[Software\\Zorvane\\New]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"AutoLoginRecord\"=dword:00000000"), std::string::npos) << text;
  EXPECT_EQ(text.find("AUTOLOGINRECORD"), std::string::npos) << text;
}

TEST_F(RegistryStoreTest, DeleteKeyRemovesTheSubtreeOnly) {
  RegistryStore store(HivePath());
  for (const char* key : {"A\\B\\C\\D", "A\\B2", "A\\Bx", "AB"}) store.CreateKey(key);
  store.SetValue("A\\B", "v", uint32_t{1});
  EXPECT_TRUE(store.DeleteKey("a\\b"));
  EXPECT_FALSE(store.DeleteKey("A\\B"));
  EXPECT_FALSE(store.DeleteKey(""));
  for (const char* gone : {"A\\B", "A\\B\\C", "A\\B\\C\\D"}) EXPECT_FALSE(store.KeyExists(gone));
  for (const char* kept : {"A", "A\\B2", "A\\Bx", "AB"}) EXPECT_TRUE(store.KeyExists(kept));
  EXPECT_EQ(store.GetValue("A\\B", "v"), std::nullopt);
  EXPECT_EQ(store.SubKeys("A"), (std::vector<std::string>{"B2", "Bx"}));
  // The index still finds keys that moved in the list.
  store.SetValue("ab", "w", std::string("x"));
  EXPECT_EQ(store.GetValue("AB", "W"), std::optional<RegistryValue>(std::string("x")));
  EXPECT_TRUE(store.DeleteValue("AB", "w"));
  EXPECT_FALSE(store.DeleteValue("AB", "w"));
  EXPECT_FALSE(store.DeleteValue("missing", "w"));
}

TEST_F(RegistryStoreTest, MissingFileIsAnEmptyHive) {
  RegistryStore store(temp_.path() + "/no/such/hive.reg");
  EXPECT_TRUE(store.Load());
  EXPECT_TRUE(store.SubKeys("").empty());
  store.SetValue("K", "v", uint32_t{2});
  ASSERT_TRUE(store.Save());  // creates the folders
  struct stat st;
  ASSERT_EQ(::stat((temp_.path() + "/no/such").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(RegistryStoreTest, DamagedFilesReadAsEmpty) {
  const std::string good = "ZRForm Registry 1\n[K]\n\"v\"=dword:00000001\n";
  struct Damaged {
    const char* fault;
    std::string text;
  };
  const std::vector<Damaged> cases = {
      {"MissingHeader", "[K]\n\"v\"=dword:00000001\n"},
      {"WrongHeaderVersion", "ZRForm Registry 2\n[K]\n"},
      {"ValueBeforeSection", "ZRForm Registry 1\n\"v\"=\"x\"\n[K]\n"},
      {"UnclosedSection", "ZRForm Registry 1\n[K\n"},
      {"UnterminatedString", "ZRForm Registry 1\n[K]\n\"v\"=\"abc\n"},
      {"UnterminatedName", "ZRForm Registry 1\n[K]\n\"v=\"abc\"\n"},
      {"UnknownEscape", "ZRForm Registry 1\n[K]\n\"v\"=\"a\\qb\"\n"},
      {"ShortHexEscape", "ZRForm Registry 1\n[K]\n\"v\"=\"a\\x4\"\n"},
      {"BadPercentInKey", "ZRForm Registry 1\n[K%2]\n"},
      {"ShortDword", "ZRForm Registry 1\n[K]\n\"v\"=dword:0000001\n"},
      {"LongDword", "ZRForm Registry 1\n[K]\n\"v\"=dword:000000001\n"},
      {"NonHexDword", "ZRForm Registry 1\n[K]\n\"v\"=dword:0000001g\n"},
      {"UnknownType", "ZRForm Registry 1\n[K]\n\"v\"=hex:00\n"},
      {"TextAfterValue", "ZRForm Registry 1\n[K]\n\"v\"=\"a\" x\n"},
      {"MissingEquals", "ZRForm Registry 1\n[K]\n\"v\" \"a\"\n"},
      {"GarbageLine", "ZRForm Registry 1\n[K]\nv=1\n"},
      {"DuplicateValue", "ZRForm Registry 1\n[K]\n\"v\"=\"a\"\n\"V\"=\"b\"\n"},
      {"DuplicateSection", "ZRForm Registry 1\n[K]\n\"v\"=\"a\"\n[k]\n\"w\"=\"b\"\n"},
  };
  RegistryStore store(HivePath());
  for (const Damaged& c : cases) {
    WriteHive(good);
    ASSERT_TRUE(store.Load()) << c.fault;
    WriteHive(c.text);
    EXPECT_FALSE(store.Load()) << c.fault;
    EXPECT_FALSE(store.KeyExists("K")) << c.fault;
  }
  WriteHive("ZRForm Registry 1\r\n[K]\r\n; comment\r\n\r\n\"v\"=dword:0000000A\r\n");
  EXPECT_TRUE(store.Load()) << "CR LF line ends";
  EXPECT_EQ(store.GetValue("K", "v"), std::optional<RegistryValue>(uint32_t{10}));
}

TEST_F(RegistryStoreTest, RandomBytesAndTruncationsNeverCrash) {
  RegistryStore original(HivePath());
  for (const AwkwardValue& v : AwkwardValues()) original.SetValue(v.key, v.name, v.value);
  ASSERT_TRUE(original.Save());
  std::string text;
  ASSERT_TRUE(ReadWholeFile(HivePath(), text));

  // Every prefix either fails to load, leaving an empty hive, or loads a part
  // of the original: no key that was not there, every value intact.
  RegistryStore store(HivePath());
  std::vector<std::string> original_keys = AllKeys(original);
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    WriteHive(text.substr(0, cut));
    if (!store.Load()) {
      EXPECT_TRUE(store.SubKeys("").empty()) << "cut at " << cut;
      continue;
    }
    for (const std::string& key : AllKeys(store)) {
      EXPECT_TRUE(original.KeyExists(key)) << "cut at " << cut << ": " << key;
    }
    for (const AwkwardValue& v : AwkwardValues()) {
      std::optional<RegistryValue> value = store.GetValue(v.key, v.name);
      if (value) {
        EXPECT_EQ(*value, v.value) << "cut at " << cut << ": " << v.name;
      }
    }
  }
  std::mt19937 random(20240601);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = round % 2 ? text : std::string("ZRForm Registry 1\n");
    size_t length = random() % 300;
    for (size_t i = 0; i < length; ++i) {
      char c = static_cast<char>(random() % 256);
      if (round % 2) {
        bytes[random() % bytes.size()] = c;  // flip bytes of a sound file
      } else {
        bytes += c;
      }
    }
    WriteHive(bytes);
    if (!store.Load()) {
      EXPECT_TRUE(store.SubKeys("").empty()) << "round " << round;
    }
  }
}

TEST_F(RegistryStoreTest, UnreadableOrOversizedFileIsDamaged) {
  ASSERT_EQ(::mkdir(HivePath().c_str(), 0700), 0);  // a folder where the file should be
  RegistryStore store(HivePath());
  EXPECT_FALSE(store.Load());
  ASSERT_EQ(::rmdir(HivePath().c_str()), 0);
  std::string huge = "ZRForm Registry 1\n[K]\n; ";
  huge.resize(9 << 20, 'x');
  WriteHive(huge + "\n");
  EXPECT_FALSE(store.Load());
}

TEST(RegistryDefaultPathTest, FollowsXdgConfigHomeThenHome) {
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg/");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(RegistryStore::DefaultPath(Hive::kCurrentUser), "/cfg/Zorvane/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(RegistryStore::DefaultPath(Hive::kClassesRoot), "/cfg/Zorvane/HKEY_CLASSES_ROOT.reg");
  }
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
    RegistryStore store(Hive::kCurrentUser);
    EXPECT_TRUE(store.Load());
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(ReadAutoLoginRecord(), 1u);
  }
}

TEST(AutoLoginRecordTest, DefaultsToOneAndKeepsAWrittenZero) {
  TempDir temp;
  ASSERT_FALSE(temp.path().empty());
  ScopedEnv config("XDG_CONFIG_HOME", temp.path());
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "no hive file";

  RegistryStore store(Hive::kCurrentUser);
  store.SetValue(kToolbarKey, kAutoLoginRecordValue, std::string("0"));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "a string value is not the setting";

  ASSERT_TRUE(WriteAutoLoginRecord(0));
  EXPECT_EQ(ReadAutoLoginRecord(), 0u);
  RegistryStore fresh(Hive::kCurrentUser);  // as after a restart
  ASSERT_TRUE(fresh.Load());
  EXPECT_EQ(fresh.GetValue("software\\zorvane\\toolbar", "AutoLoginRecord"),
            std::optional<RegistryValue>(uint32_t{0}));
  EXPECT_EQ(fresh.path(), temp.path() + "/Zorvane/HKEY_CURRENT_USER.reg");

  ASSERT_TRUE(WriteFileAtomically(fresh.path(), "damaged"));
  EXPECT_EQ(ReadAutoLoginRecord(), 1u) << "a damaged hive";
  ASSERT_TRUE(WriteAutoLoginRecord(0));  // replaces the damaged hive with a sound one
  EXPECT_EQ(ReadAutoLoginRecord(), 0u);
}

}  // namespace
}  // namespace zr
