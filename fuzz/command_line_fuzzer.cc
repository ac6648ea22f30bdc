// Fuzz target: the server's command line, joined from arguments (split at
// the input's zero bytes) and scanned in the code page the first byte picks.
// The scan's character steps must never swallow an ASCII space or "-".
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "server/command_line.h"

namespace zr {
namespace {

void RunInput(std::string_view input) {
  std::vector<std::string> arguments;
  size_t pos = 0;
  while (pos <= input.size()) {
    size_t end = std::min(input.find('\0', pos), input.size());
    arguments.emplace_back(input.substr(pos, end - pos));
    pos = end + 1;
  }
  std::string line = JoinCommandLine(arguments);
  ServerCommand command = ParseCommandLine(line);
  ZR_FUZZ_CHECK(command == ServerCommand::kAbout || command == ServerCommand::kRegServer ||
                command == ServerCommand::kUnregServer || command == ServerCommand::kEmbedding);
  // A line that matched nothing, with " -Embedding" appended, reads as that
  // keyword. (A keyword runs to the end of the line: an earlier "-" cannot match.)
  if (command == ServerCommand::kAbout) {
    std::string plain = line + " -Embedding";
    ZR_FUZZ_CHECK(ParseCommandLine(plain) == ServerCommand::kEmbedding);
  }
}

}  // namespace
}  // namespace zr

// A command line has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput, .code_page_byte = true)
