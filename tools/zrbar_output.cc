// Formatting of zrbar's output lines.
#include "tools/zrbar_output.h"

#include <cstdio>

#include "server/hresult.h"

namespace zr {

std::string HResultName(int32_t hr) {
  if (hr == kS_OK) return "S_OK";
  if (hr == kS_FALSE) return "S_FALSE";
  if (hr == kE_FAIL) return "E_FAIL";
  if (hr == kE_ACCESSDENIED) return "E_ACCESSDENIED";
  if (hr == kSTG_E_CANTSAVE) return "STG_E_CANTSAVE";
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(static_cast<uint32_t>(hr)));
  return text;
}

std::string EscapeValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      escaped += hex;
    } else {
      escaped += c;  // bytes of multi-byte UTF-8 sequences are all 0x80 or above
    }
  }
  return escaped;
}

std::string FormatReply(const BarReply& reply) {
  std::string text = HResultName(reply.hr) + "\n";
  if (reply.hr != kS_OK) return text;
  for (const BarOutValue& out : reply.outs) text += out.name + "=" + EscapeValue(out.value) + "\n";
  return text;
}

}  // namespace zr
