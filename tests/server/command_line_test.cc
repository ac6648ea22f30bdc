// The server's command line: every "-" or "/" is tried, the keyword must end
// the line, letter case does not matter.
#include "server/command_line.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

TEST(CommandLineTest, FindsTheKeywordThatEndsTheLine) {
  const std::pair<std::vector<std::string>, ServerCommand> cases[] = {
      {{"/usr/bin/zrform", "-Embedding"}, ServerCommand::kEmbedding},
      {{"/usr/bin/zrform", "/regSERVER"}, ServerCommand::kRegServer},
      {{"/opt/zr-form/bin/zrform", "-UnregServer"}, ServerCommand::kUnregServer},
      {{"/home/a-b/zrform", "-RegServer", "-Embedding"}, ServerCommand::kEmbedding},
      {{"/usr/bin/zrform", "-Embedding", "extra"}, ServerCommand::kAbout},
      {{"/usr/bin/zrform", "-Embeddings"}, ServerCommand::kAbout},
      {{"/usr/bin/zrform", "Embedding"}, ServerCommand::kAbout},
      {{"/usr/bin/zrform"}, ServerCommand::kAbout},
      {{"/tmp/-Embedding"}, ServerCommand::kEmbedding},  // the scan takes the path too
      {{"/usr/bin/zrform", "--Embedding"}, ServerCommand::kEmbedding},
      {{"/usr/bin/zrform", "-"}, ServerCommand::kAbout},
  };
  for (const auto& [arguments, command] : cases)
    EXPECT_EQ(ParseCommandLine(JoinCommandLine(arguments)), command) << JoinCommandLine(arguments);
}

}  // namespace
}  // namespace zr
