// zrbar's output: result codes by name or in hex, out values shown only when the
// server wrote them, and texts kept on their own line.
#include <gtest/gtest.h>

#include "tools/zrbar_output.h"

namespace zr {
namespace {

TEST(ZrbarOutputTest, NamesTheResultCode) {
  const struct {
    uint32_t hr;
    const char* name;
  } cases[] = {
      {0, "S_OK"},
      {1, "S_FALSE"},
      {0x80004005u, "E_FAIL"},
      {2, "0x00000002"},
      {0x8007000Eu, "0x8007000E"},
      {0xFFFFFFFFu, "0xFFFFFFFF"},
      {0x7FFFFFFFu, "0x7FFFFFFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(HResultName(static_cast<int32_t>(c.hr)), c.name);
}

TEST(ZrbarOutputTest, KeepsEachValueOnItsLine) {
  const struct {
    std::string value;
    std::string printed;
  } cases[] = {
      {"example.com", "example.com"},
      {"", ""},
      {"Wetter über Köln – 天気", "Wetter über Köln – 天気"},
      {"C:\\path", "C:\\\\path"},
      {"two\nlines", "two\\nlines"},
      {"cr\r\n", "cr\\r\\n"},
      {"tab\there", "tab\\x09here"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"\x1B[31mred", "\\x1B[31mred"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeValue(c.value), c.printed) << c.printed;
}

TEST(ZrbarOutputTest, ShowsOutValuesOnlyAfterSuccess) {
  const struct {
    BarReply reply;
    std::string text;
  } cases[] = {
      {{0, {{"pbRet", "1"}}}, "S_OK\npbRet=1\n"},
      {{1, {{"pbRet", "0"}}}, "S_FALSE\n"},
      {{static_cast<int32_t>(0x80004005u), {{"pnType", "0"}, {"pVal", ""}}}, "E_FAIL\n"},
      {{static_cast<int32_t>(0x8007000Eu), {{"pVal", "1"}}}, "0x8007000E\n"},
      {{0, {{"pnType", "3"}, {"pVal", "weather"}, {"pnType", "12"}, {"pVal", "a\nb"}}},
       "S_OK\npnType=3\npVal=weather\npnType=12\npVal=a\\nb\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatReply(c.reply), c.text);
}

}  // namespace
}  // namespace zr
