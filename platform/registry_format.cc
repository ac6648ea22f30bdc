// Writing and parsing the line-based text form of a registry hive file.
// Every control byte is escaped, so each item occupies exactly one line.
#include "platform/registry_format.h"

#include <cstdio>

namespace zr {

namespace {

constexpr std::string_view kDwordPrefix = "dword:";
constexpr size_t kDwordDigits = 8;

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads two hex digits at text[pos]; -1 when they are not there.
int HexByte(std::string_view text, size_t pos) {
  if (pos + 2 > text.size()) return -1;
  int high = HexDigit(text[pos]), low = HexDigit(text[pos + 1]);
  return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

void AppendHexByte(std::string& out, char prefix, unsigned char c) {
  char buffer[4];
  std::snprintf(buffer, sizeof buffer, "%c%02x", prefix, c);
  out += buffer;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (IsControl(static_cast<unsigned char>(c))) {
          out += '\\';
          AppendHexByte(out, 'x', static_cast<unsigned char>(c));
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// Parses the quoted text that starts at line[pos] into text. Returns the
// position after the closing quote, or npos when the text is malformed.
size_t ParseQuoted(std::string_view line, size_t pos, std::string& text) {
  if (pos >= line.size() || line[pos] != '"') return std::string_view::npos;
  text.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') return pos + 1;
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++pos >= line.size()) break;
    switch (line[pos]) {
      case '\\':
        text += '\\';
        break;
      case '"':
        text += '"';
        break;
      case 'n':
        text += '\n';
        break;
      case 'r':
        text += '\r';
        break;
      case 't':
        text += '\t';
        break;
      case 'x': {
        int byte = HexByte(line, pos + 1);
        if (byte < 0) return std::string_view::npos;
        text += static_cast<char>(byte);
        pos += 2;
        break;
      }
      default:
        return std::string_view::npos;
    }
  }
  return std::string_view::npos;  // no closing quote
}

bool ParseKeyPath(std::string_view escaped, std::string& path) {
  path.clear();
  for (size_t pos = 0; pos < escaped.size(); ++pos) {
    if (escaped[pos] != '%') {
      path += escaped[pos];
      continue;
    }
    int byte = HexByte(escaped, pos + 1);
    if (byte < 0) return false;
    path += static_cast<char>(byte);
    pos += 2;
  }
  return true;
}

bool ParseValue(std::string_view rest, RegistryValue& value) {
  if (!rest.empty() && rest[0] == '"') {
    std::string text;
    if (ParseQuoted(rest, 0, text) != rest.size()) return false;
    value = std::move(text);
    return true;
  }
  if (rest.substr(0, kDwordPrefix.size()) != kDwordPrefix) return false;
  rest.remove_prefix(kDwordPrefix.size());
  if (rest.size() != kDwordDigits) return false;  // a cut number is damage, not a value
  uint32_t number = 0;
  for (char c : rest) {
    int digit = HexDigit(c);
    if (digit < 0) return false;
    number = number * 16 + static_cast<uint32_t>(digit);
  }
  value = number;
  return true;
}

bool ParseValueLine(std::string_view line, HiveVisitor& visitor) {
  std::string name;
  size_t pos;
  if (line[0] == '@') {
    pos = 1;
  } else {
    pos = ParseQuoted(line, 0, name);
    if (pos == std::string_view::npos) return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  RegistryValue value;
  if (!ParseValue(line.substr(pos + 1), value)) return false;
  return visitor.OnValue(std::move(name), std::move(value));
}

}  // namespace

void AppendKeyLine(std::string& out, std::string_view path) {
  out += '[';
  for (char c : path) {
    // Brackets are escaped too, so that only a whole line ends in ']'.
    if (c == '%' || c == '[' || c == ']' || IsControl(static_cast<unsigned char>(c))) {
      AppendHexByte(out, '%', static_cast<unsigned char>(c));
    } else {
      out += c;
    }
  }
  out += "]\n";
}

void AppendValueLine(std::string& out, std::string_view name, const RegistryValue& value) {
  if (name.empty()) {
    out += '@';
  } else {
    AppendQuoted(out, name);
  }
  out += '=';
  if (const auto* text = std::get_if<std::string>(&value)) {
    AppendQuoted(out, *text);
  } else {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(std::get<uint32_t>(value)));
    out += kDwordPrefix;
    out += buffer;
  }
  out += '\n';
}

bool ParseHive(std::string_view text, HiveVisitor& visitor) {
  bool first_line = true;
  bool in_section = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // CR LF files
    if (first_line) {
      if (line != kHiveFileHeader) return false;
      first_line = false;
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      std::string path;
      if (line.size() < 2 || line.back() != ']') return false;
      if (!ParseKeyPath(line.substr(1, line.size() - 2), path)) return false;
      if (!visitor.OnKey(std::move(path))) return false;
      in_section = true;
    } else if (line[0] == '"' || line[0] == '@') {
      if (!in_section || !ParseValueLine(line, visitor)) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace zr
