// The registrar: strict parsing (a malformed script changes nothing), the
// replacements and the quote escape, and what registration and removal do
// with ForceRemove, NoRemove, Delete and keys that others also use.
#include "server/registrar.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/server/registrar_test_support.h"

namespace zr {
namespace {

using testing::HiveLines;
using testing::KeyLine;
using testing::ValueLine;

class RegistrarTest : public ::testing::Test {
 protected:
  RegistrarTest() : store_(temp_.path() + "/hive.reg"), registrar_(store_) {}

  HiveLines Hive() {
    EXPECT_TRUE(store_.Save());
    return testing::ReadHiveLines(store_.path());
  }

  testing::TempDir temp_;
  RegistryStore store_;
  Registrar registrar_;
};

TEST_F(RegistrarTest, MalformedScriptsAreRejectedWholeAndChangeNothing) {
  const char* const scripts[] = {
      "HKCR { A = s 'x' ",                        // block not closed
      "HKCR { A = s 'x }",                        // quote not closed
      "HKCR { A = s 'x\ny' }",                    // line break inside quotes
      "HKCU { A = s 'x' }",                       // a root the class store does not hold
      "{ A }",                                    // no root key
      "HKCR A",                                   // root without a block
      "HKCR { A } }",                             // one brace too many
      "HKCR { val V s 'x' }",                     // val without '='
      "HKCR { val = s 'x' }",                     // val without a name
      "HKCR { A = b '00' }",                      // binary values are not supported
      "HKCR { A = s }",                           // type without a value
      "HKCR { A = d 'ten' }",                     // not a number
      "HKCR { A = d 4294967296 }",                // beyond 32 bits
      "HKCR { A = d -1 }",                        // negative
      "HKCR { 'A\\B' = s 'x' }",                  // a backslash would make two keys
      "HKCR { '' }",                              // empty key name
      "HKCR { A=s 'x' }",                         // '=' run into the name
      "HKCR { A{ } }",                            // brace run into the name
      "HKCR { 'A'B }",                            // text after a closing quote
      "HKCR { ForceRemove NoRemove A }",          // two rules
      "HKCR { NoRemove }",                        // a rule without a key
      "HKCR { Delete A = s 'x' }",                // Delete writes nothing
      "HKCR { A = s '%UNKNOWN%' }",               // unknown replacement
      "HKCR { A = s '50%' }",                     // lone percent sign
      "HKCR { A = s 'x' } HKCR { B = s 'y' } }",  // the good first part is not applied either
  };
  store_.SetValue("Keep", "v", std::string("1"));
  HiveLines before = Hive();
  for (const char* script : scripts) {
    EXPECT_EQ(registrar_.Register(script), kDISP_E_EXCEPTION) << script;
    EXPECT_FALSE(registrar_.error().empty()) << script;
    EXPECT_EQ(registrar_.Unregister(script), kDISP_E_EXCEPTION) << script;
    EXPECT_EQ(Hive(), before) << script;
  }
}

TEST_F(RegistrarTest, DeepNestingIsRejectedWithoutExhaustingTheStack) {
  std::string deep = "HKCR {";
  for (int i = 0; i < 100000; ++i) deep += " K {";
  EXPECT_EQ(registrar_.Register(deep), kDISP_E_EXCEPTION);
  std::string fine = "HKCR {";
  for (int i = 0; i < 20; ++i) fine += " K {";
  for (int i = 0; i < 21; ++i) fine += " }";
  EXPECT_EQ(registrar_.Register(fine), kS_OK) << registrar_.error();
  EXPECT_TRUE(store_.KeyExists("K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K\\K"));
}

TEST_F(RegistrarTest, WritesValuesOfEveryFormTheSyntaxAllows) {
  registrar_.AddReplacement("Module", "/opt/it''s a-dir/100%/zr");
  const char* script =
      "HKEY_CLASSES_ROOT\n{\n"
      "  Plain = s 'Text with ''quotes'' and 100%% done'\n"
      "  {\n"
      "    val Count = d 42\n"
      "    VAL Mask = D '0xFFFFFFFF'\n"
      "    val 'Spaced name' = s Word\n"
      "    noremove 'NoRemove' = s '%MODULE%'\n"
      "  }\n"
      "}\n"
      "HKCR { {E18BBDD9-2EA4-4248-A3C3-A26C2E4D7510} = s '' }\n";
  ASSERT_EQ(registrar_.Register(script), kS_OK) << registrar_.error();
  EXPECT_EQ(Hive(), (HiveLines{
                        KeyLine("Plain"),
                        ValueLine("Plain", "", "Text with 'quotes' and 100% done"),
                        ValueLine("Plain", "Count", "d:42"),
                        ValueLine("Plain", "Mask", "d:4294967295"),
                        ValueLine("Plain", "Spaced name", "Word"),
                        KeyLine("Plain\\NoRemove"),
                        ValueLine("Plain\\NoRemove", "", "/opt/it's a-dir/100%/zr"),
                        KeyLine("{E18BBDD9-2EA4-4248-A3C3-A26C2E4D7510}"),
                        ValueLine("{E18BBDD9-2EA4-4248-A3C3-A26C2E4D7510}", "", ""),
                    }));
}

TEST_F(RegistrarTest, RegistrationReplacesOnlyForceRemoveKeys) {
  store_.SetValue("Normal", "Other", std::string("kept"));
  store_.CreateKey("Normal\\Foreign");
  store_.SetValue("Forced", "Other", std::string("dropped"));
  store_.CreateKey("Forced\\Foreign");
  store_.CreateKey("Gone\\Below");
  const char* script =
      "HKCR { Normal = s 'n' { Sub } ForceRemove Forced = s 'f' { Sub } Delete Gone }";
  ASSERT_EQ(registrar_.Register(script), kS_OK) << registrar_.error();
  EXPECT_EQ(Hive(), (HiveLines{
                        KeyLine("Normal"),
                        ValueLine("Normal", "Other", "kept"),
                        ValueLine("Normal", "", "n"),
                        KeyLine("Normal\\Foreign"),
                        KeyLine("Normal\\Sub"),
                        KeyLine("Forced"),
                        ValueLine("Forced", "", "f"),
                        KeyLine("Forced\\Sub"),
                    }));
}

TEST_F(RegistrarTest, RemovalDeletesOnlyWhatNothingElseStillUses) {
  const char* script =
      "HKCR {\n"
      "  NoRemove Shared { Mine = s 'm' { Leaf } ForceRemove Forced { Leaf } }\n"
      "  Busy = s 'b' { val V = s 'v' Leaf }\n"
      "  Delete Untouched\n"
      "  Missing { Deeper }\n"
      "}\n";
  ASSERT_EQ(registrar_.Register(script), kS_OK) << registrar_.error();
  store_.CreateKey("Busy\\Foreign");
  store_.SetValue("Busy", "Foreign", std::string("f"));
  store_.CreateKey("Shared\\Other");
  store_.CreateKey("Untouched\\Below");
  store_.DeleteKey("Missing");
  ASSERT_EQ(registrar_.Unregister(script), kS_OK) << registrar_.error();
  EXPECT_EQ(Hive(), (HiveLines{
                        KeyLine("Shared"),
                        KeyLine("Shared\\Other"),
                        KeyLine("Busy"),
                        ValueLine("Busy", "", "b"),
                        ValueLine("Busy", "Foreign", "f"),
                        KeyLine("Busy\\Foreign"),
                        KeyLine("Untouched"),
                        KeyLine("Untouched\\Below"),
                    }));
}

TEST_F(RegistrarTest, NoRemoveKeyIsKeptEvenWhenEmpty) {
  const char* script = "HKCR { NoRemove Kept { Child = s 'c' } Plain { Child } }";
  ASSERT_EQ(registrar_.Register(script), kS_OK);
  ASSERT_EQ(registrar_.Unregister(script), kS_OK);
  EXPECT_EQ(Hive(), (HiveLines{KeyLine("Kept")}));
}

}  // namespace
}  // namespace zr
