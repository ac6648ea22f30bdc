// "History.txt": line rules, CR LF, the 1000-entry limit, 1023-byte pieces.
#include "store/history_file.h"

#include <gtest/gtest.h>

#include "test_folder.h"

namespace zr {
namespace {

TEST(HistoryFileTest, ReadsLinesByTheirFirstDash) {
  std::string contents =
      "03-plain\r\n"
      "no dash here\n"
      "12-a-b-c\r\n"
      "  -7x-neg\n"
      "-\n"
      "abc-digits later\n"
      "2147483648000-big\n"
      "05-lone\rcr\r\n"
      "01-last without line end";
  const HistoryEntry expected[] = {
      {3, "plain"}, {12, "a-b-c"}, {0, "7x-neg"}, {0, ""}, {0, "digits later"},
      {INT32_MAX, "big"}, {5, "lone\rcr"}, {1, "last without line end"},
  };
  EXPECT_EQ(ParseHistory(contents), std::vector<HistoryEntry>(std::begin(expected), std::end(expected)));
}

TEST(HistoryFileTest, LongLinesAreReadInPieces) {
  // 1023 bytes make one piece; the rest of the line is a piece of its own.
  std::string line = "01-" + std::string(1020, 'a') + "7-tail";
  auto entries = ParseHistory(line + "\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].text, std::string(1020, 'a'));
  EXPECT_EQ(entries[1].type, 7);
  EXPECT_EQ(entries[1].text, "tail");
}

TEST(HistoryFileTest, WritesTheLastThousandWithCrLf) {
  std::vector<HistoryEntry> entries;
  for (int i = 0; i < 1001; ++i) entries.push_back({i, "e" + std::to_string(i)});
  std::string text = FormatHistory(entries);
  EXPECT_TRUE(text.starts_with("01-e1\r\n02-e2\r\n"));
  EXPECT_TRUE(text.ends_with("1000-e1000\r\n"));
  auto read = ParseHistory(text);
  ASSERT_EQ(read.size(), 1000u);
  EXPECT_EQ(read.front(), (HistoryEntry{1, "e1"}));

  // A negative type cannot be carried, and a line break splits the entry.
  EXPECT_EQ(FormatHistory({{-5, "x"}}), "-5-x\r\n");
  EXPECT_EQ(ParseHistory(FormatHistory({{-5, "x"}})), (std::vector<HistoryEntry>{{0, "5-x"}}));
  EXPECT_EQ(ParseHistory(FormatHistory({{2, "a\n04-b"}})),
            (std::vector<HistoryEntry>{{2, "a"}, {4, "b"}}));

  TempFolder folder;
  std::string path = folder.File(kHistoryFileName);
  ASSERT_TRUE(WriteHistoryFile(path, {}));
  EXPECT_EQ(ReadBytes(path), "");
  ASSERT_TRUE(WriteHistoryFile(path, {{0, "a"}, {42, "b"}}));
  std::vector<HistoryEntry> loaded;
  ASSERT_TRUE(ReadHistoryFile(path, loaded));
  EXPECT_EQ(loaded, (std::vector<HistoryEntry>{{0, "a"}, {42, "b"}}));
  EXPECT_FALSE(ReadHistoryFile(folder.File("missing.txt"), loaded));
  EXPECT_EQ(loaded.size(), 2u);
}

}  // namespace
}  // namespace zr
