// Reading a secret typed at the terminal without showing it.
#ifndef ZRFORM_PLATFORM_TERMINAL_INPUT_H_
#define ZRFORM_PLATFORM_TERMINAL_INPUT_H_

#include <optional>
#include <string>

namespace zr {

// Reads one line from standard input without its line end (LF or CR LF).
// When standard input is a terminal, prompt is written to standard error
// first and the terminal does not echo what is typed (its settings are put
// back afterwards). nullopt at the end of the input.
std::optional<std::string> ReadSecretLine(const char* prompt);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_TERMINAL_INPUT_H_
