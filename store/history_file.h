// "History.txt": the toolbar's history list as text, one "%02d-%s" line per
// entry with CR LF line ends. Reading accepts CR LF or LF.
#ifndef ZRFORM_STORE_HISTORY_FILE_H_
#define ZRFORM_STORE_HISTORY_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/atomic_file.h"

namespace zr {

inline constexpr char kHistoryFileName[] = "History.txt";
// Only the newest entries are written.
inline constexpr size_t kMaxHistoryEntriesWritten = 1000;
// Lines are read in pieces of at most this many bytes.
inline constexpr size_t kHistoryLinePiece = 1023;

struct HistoryEntry {
  int32_t type = 0;
  std::string text;  // in the code page
  bool operator==(const HistoryEntry&) const = default;
};

// Parses file contents: each piece of a line (at most 1023 bytes) without a
// "-" is skipped; the type is the atoi of what comes before the first "-",
// the text is everything after it.
std::vector<HistoryEntry> ParseHistory(std::string_view contents);
// The file text of the last 1000 entries.
std::string FormatHistory(const std::vector<HistoryEntry>& entries);

// Reads path into entries (replacing them). False, entries unchanged, when it
// cannot be read or is not a regular file (see ReadWholeFile for link).
bool ReadHistoryFile(const std::string& path, std::vector<HistoryEntry>& entries,
                     LastLink link = LastLink::kFollow);
// Writes the file atomically (mode 0600). False when it cannot be written.
bool WriteHistoryFile(const std::string& path, const std::vector<HistoryEntry>& entries);

}  // namespace zr

#endif  // ZRFORM_STORE_HISTORY_FILE_H_
