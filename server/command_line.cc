// Scanning the server's command line for its keyword.
#include "server/command_line.h"

#include <cwchar>

#include "platform/code_page.h"
#include "store/find_no_case.h"

namespace zr {

namespace {

// The length of the character of the code page that starts at position
// (1 for a byte that starts no valid character).
size_t CharLength(std::string_view line, size_t position, std::mbstate_t& state) {
  size_t length = std::mbrlen(line.data() + position, line.size() - position, &state);
  if (length == 0 || length > line.size() - position) {
    state = std::mbstate_t{};
    return 1;
  }
  return length;
}

}  // namespace

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += argument;
  }
  return line;
}

ServerCommand ParseCommandLine(std::string_view line) {
  const bool utf8 = CodePageName() == "UTF-8";
  std::mbstate_t state{};
  for (size_t position = 0; position < line.size();) {
    // In UTF-8 no byte of a multibyte character is below 0x80.
    size_t length = utf8 ? 1 : CharLength(line, position, state);
    if (line[position] == '-' || line[position] == '/') {
      std::string_view token = line.substr(position + 1);
      if (EqualsNoCase(token, "UnregServer")) return ServerCommand::kUnregServer;
      if (EqualsNoCase(token, "RegServer")) return ServerCommand::kRegServer;
      if (EqualsNoCase(token, "Embedding")) return ServerCommand::kEmbedding;
    }
    position += length;
  }
  return ServerCommand::kAbout;
}

}  // namespace zr
