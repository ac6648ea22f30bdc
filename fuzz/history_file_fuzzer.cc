// Fuzz target: "History.txt" read by ReadHistoryFile from a file in memory.
// Reading the file and parsing its text must agree; entries that the format
// can hold (at most 1000, texts short enough for one line piece) must write
// and read back unchanged.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "store/history_file.h"

namespace zr {
namespace {

void RunInput(std::string_view contents) {
  fuzz::MemoryFile file(contents);
  ZR_FUZZ_CHECK(!file.path().empty());

  std::vector<HistoryEntry> entries;
  ZR_FUZZ_CHECK(ReadHistoryFile(file.path(), entries));
  ZR_FUZZ_CHECK(entries == ParseHistory(contents));

  // "%02d-" of a type read from a file takes at most 11 bytes; a text up
  // to this long keeps its line within one piece.
  constexpr size_t kShortText = kHistoryLinePiece - 16;
  bool representable = entries.size() <= kMaxHistoryEntriesWritten;
  for (const HistoryEntry& entry : entries) {
    ZR_FUZZ_CHECK(entry.type >= 0);  // a "-" ends the type, so no sign is read
    ZR_FUZZ_CHECK(entry.text.find('\n') == std::string::npos);
    ZR_FUZZ_CHECK(entry.text.find('\0') == std::string::npos);
    if (entry.text.size() > kShortText) representable = false;
  }
  if (representable) ZR_FUZZ_CHECK(ParseHistory(FormatHistory(entries)) == entries);
}

}  // namespace
}  // namespace zr

// A file is read whole and has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput)
