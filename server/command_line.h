// The server's command line: which of "RegServer", "UnregServer" and
// "Embedding" it asks for, each after a "-" or "/". Every "-" or "/" is tried
// in turn (Linux paths are full of them); a keyword matches, ignoring case,
// only when it runs to the end of the line.
#ifndef ZRFORM_SERVER_COMMAND_LINE_H_
#define ZRFORM_SERVER_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

namespace zr {

enum class ServerCommand { kUnregServer, kRegServer, kEmbedding, kAbout };

// The process's arguments joined into one line, program path first, with
// single spaces between them.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// The command of a line in the code page; kAbout when no keyword matches.
ServerCommand ParseCommandLine(std::string_view line);

}  // namespace zr

#endif  // ZRFORM_SERVER_COMMAND_LINE_H_
