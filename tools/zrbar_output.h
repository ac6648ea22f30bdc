// What zrbar prints for a call and how it exits: the result code by name on
// the first line, then the out values as name=value lines.
#ifndef ZRFORM_TOOLS_ZRBAR_OUTPUT_H_
#define ZRFORM_TOOLS_ZRBAR_OUTPUT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

inline constexpr int kExitCallMade = 0;  // whatever the call's result
inline constexpr int kExitFailed = 1;    // a file or a bus error stopped the work
inline constexpr int kExitUsage = 2;
inline constexpr int kExitUnreachable = 3;  // no bus, no server, no reply

struct BarOutValue {
  std::string name;
  std::string value;  // UTF-8 text, or a number in decimal
};

// The answer of one call, or of the calls of history list.
struct BarReply {
  int32_t hr = 0;
  std::vector<BarOutValue> outs;  // in the order they are printed
};

// "S_OK", "S_FALSE", "E_FAIL", "E_ACCESSDENIED", else "0x%08X" of the 32-bit code.
std::string HResultName(int32_t hr);

// value with a backslash as "\\", LF as "\n", CR as "\r" and any other control
// character (U+0000-U+001F, U+007F) as "\xHH"; everything else as it is.
std::string EscapeValue(std::string_view value);

// The printed text: the result code's line, then one "name=value" line per out
// value when hr is S_OK. An out value that is not S_OK's was not written by the
// server (RecordPassword's pbRet after S_FALSE, Item's outs after E_FAIL), so
// it is never shown.
std::string FormatReply(const BarReply& reply);

}  // namespace zr

#endif  // ZRFORM_TOOLS_ZRBAR_OUTPUT_H_
