// Reading and writing "History.txt".
#include "store/history_file.h"

#include <climits>
#include <cstdio>

#include "platform/atomic_file.h"

namespace zr {

namespace {

// The C library's atoi, without its undefined overflow: leading white space,
// an optional sign, then decimal digits up to the first other byte.
int32_t ParseType(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

// The text as a text-mode read sees it: CR LF becomes LF.
std::string TextModeContents(std::string_view contents) {
  std::string text;
  text.reserve(contents.size());
  for (size_t i = 0; i < contents.size(); ++i) {
    if (contents[i] == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') continue;
    text += contents[i];
  }
  return text;
}

}  // namespace

std::vector<HistoryEntry> ParseHistory(std::string_view contents) {
  std::string text = TextModeContents(contents);
  std::vector<HistoryEntry> entries;
  std::string_view rest = text;
  while (!rest.empty()) {
    // One read: up to and including a line feed, at most 1023 bytes.
    size_t length = rest.find('\n');
    length = (length == std::string_view::npos) ? rest.size() : length + 1;
    if (length > kHistoryLinePiece) length = kHistoryLinePiece;
    std::string_view line = rest.substr(0, length);
    rest.remove_prefix(length);
    line = line.substr(0, line.find('\n'));
    line = line.substr(0, line.find('\0'));  // a C string ends at its first zero byte
    size_t dash = line.find('-');
    if (dash == std::string_view::npos) continue;
    entries.push_back({ParseType(line.substr(0, dash)), std::string(line.substr(dash + 1))});
  }
  return entries;
}

std::string FormatHistory(const std::vector<HistoryEntry>& entries) {
  size_t first =
      entries.size() > kMaxHistoryEntriesWritten ? entries.size() - kMaxHistoryEntriesWritten : 0;
  std::string text;
  for (size_t i = first; i < entries.size(); ++i) {
    char type[16];
    std::snprintf(type, sizeof type, "%02d", entries[i].type);
    text += type;
    text += '-';
    // A text-mode write turns every line feed, also one inside a text, into CR LF.
    for (char c : entries[i].text) {
      if (c == '\n') text += '\r';
      text += c;
    }
    text += "\r\n";
  }
  return text;
}

bool ReadHistoryFile(const std::string& path, std::vector<HistoryEntry>& entries, LastLink link) {
  std::string contents;
  if (!ReadWholeFile(path, contents, link)) return false;
  entries = ParseHistory(contents);
  return true;
}

bool WriteHistoryFile(const std::string& path, const std::vector<HistoryEntry>& entries) {
  return WriteFileAtomically(path, FormatHistory(entries));
}

}  // namespace zr
