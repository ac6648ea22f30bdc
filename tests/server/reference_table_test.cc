// The per-client reference table (the quiet period before the end is the bus lifetime tests').
#include "server/reference_table.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

TEST(ReferenceTableTest, CountsPerClientAndGivesAllBackWhenAClientLeaves) {
  ReferenceTable table;
  EXPECT_EQ(table.Add(":1.5", "/ZRBarHelper"), 1u);
  EXPECT_EQ(table.Add(":1.5", "/ZRBarHelper"), 2u);
  EXPECT_EQ(table.Add(":1.6", "/ZRBarHelper"), 3u);
  EXPECT_EQ(table.Add(":1.6", "/History"), 1u);
  // A client cannot give back what it does not hold, even when others do.
  EXPECT_FALSE(table.Release(":1.7", "/ZRBarHelper"));
  EXPECT_FALSE(table.Release(":1.5", "/History"));
  EXPECT_TRUE(table.Release(":1.5", "/ZRBarHelper"));
  EXPECT_EQ(table.Total("/ZRBarHelper"), 2u);
  EXPECT_EQ(table.ReleaseAll(":1.6"),
            (std::vector<std::pair<std::string, unsigned>>{{"/History", 1}, {"/ZRBarHelper", 1}}));
  EXPECT_FALSE(table.HasClient(":1.6"));
  EXPECT_TRUE(table.ReleaseAll(":1.6").empty());
  EXPECT_EQ(std::make_pair(table.Total("/ZRBarHelper"), table.Total("/History")),
            std::make_pair(1u, 0u));
  EXPECT_TRUE(table.Release(":1.5", "/ZRBarHelper"));
  EXPECT_FALSE(table.HasClient(":1.5"));
}

}  // namespace
}  // namespace zr
