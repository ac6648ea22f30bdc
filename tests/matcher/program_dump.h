// Test helper: a compiled node program as readable text, one node per entry,
// "offset:kind'operand'>target", decoded straight from the documented layout.
#ifndef ZRFORM_TESTS_MATCHER_PROGRAM_DUMP_H_
#define ZRFORM_TESTS_MATCHER_PROGRAM_DUMP_H_

#include <cstdio>
#include <string>
#include <vector>

namespace zr::testing {

inline std::string DumpProgram(const std::vector<unsigned char>& code) {
  static const char* const kNames[] = {"end",    "bol",  "eol",     "any",     "anyof", "anybut",
                                       "branch", "back", "literal", "nothing", "star",  "plus"};
  std::string out;
  std::size_t pc = 0;
  while (pc < code.size()) {
    if (pc + 3 > code.size()) return out + " <truncated>";
    const int kind = code[pc];
    const int link = (code[pc + 1] << 8) | code[pc + 2];
    if (!out.empty()) out += ' ';
    out += std::to_string(pc) + ":";
    if (kind <= 11) {
      out += kNames[kind];
    } else if (kind > 20 && kind < 30) {
      out += "open" + std::to_string(kind - 20);
    } else if (kind > 30 && kind < 40) {
      out += "close" + std::to_string(kind - 30);
    } else {
      return out + "<bad kind " + std::to_string(kind) + ">";
    }
    std::size_t next = pc + 3;
    if (kind == 4 || kind == 5 || kind == 8) {  // NUL-terminated operand
      out += '\'';
      while (next < code.size() && code[next] != 0) {
        const unsigned char c = code[next++];
        if (c >= 0x20 && c < 0x7f) {
          out += static_cast<char>(c);
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02x", c);
          out += hex;
        }
      }
      if (next >= code.size()) return out + " <unterminated>";
      out += '\'';
      ++next;
    }
    if (link != 0) {
      const long target = kind == 7 ? static_cast<long>(pc) - link : static_cast<long>(pc) + link;
      out += ">" + std::to_string(target);
    }
    pc = next;
  }
  return out;
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_MATCHER_PROGRAM_DUMP_H_
