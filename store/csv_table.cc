// CsvTable: reading CSV line by line through libcsv, so that every row knows
// the line it starts on, and writing rows with libcsv's quoting.
#include "store/csv_table.h"

#include <csv.h>

#include <algorithm>
#include <array>
#include <new>

#include "platform/utf8.h"

namespace zr {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The index just past the line that starts at pos, its terminator included
// (CRLF, LF or CR).
size_t LineEnd(std::string_view text, size_t pos) {
  size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) return text.size();
  if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') return end + 2;
  return end + 1;
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The first line holding a byte that is not well-formed UTF-8, or a NUL.
std::optional<CsvError> CheckText(std::string_view text) {
  int line = 1;
  for (size_t pos = 0; pos < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c == '\n' || (c == '\r' && (pos + 1 == text.size() || text[pos + 1] != '\n'))) ++line;
    if (c == 0) return CsvError{line, "holds a NUL character: this is not a text file"};
    if (c < 0x80) {
      ++pos;
      continue;
    }
    size_t length = Utf8SequenceLength(text, pos);
    if (length == 0) return CsvError{line, "is not UTF-8 text (export the file as UTF-8)"};
    pos += length;
  }
  return std::nullopt;
}

// What the libcsv callbacks build up while one text is read.
struct ReadState {
  const CsvTable::RowCallback* on_row = nullptr;
  CsvRow row;
  int line = 0;       // the line being handed to the parser
  bool open = false;  // a row has begun and has not ended
  bool stopped = false;
};

void OnValue(void* data, size_t size, void* state) {
  auto& read = *static_cast<ReadState*>(state);
  // libcsv hands an empty value of a row's first field as a null pointer.
  read.row.values.emplace_back(data ? static_cast<const char*>(data) : "", data ? size : 0);
}

void OnRowEnd(int, void* state) {
  auto& read = *static_cast<ReadState*>(state);
  read.open = false;
  CsvRow row = std::move(read.row);
  read.row = CsvRow{};
  if (read.stopped || std::all_of(row.values.begin(), row.values.end(), IsBlank)) return;
  if (!(*read.on_row)(std::move(row))) read.stopped = true;
}

// Values are taken as they are: no space around them is dropped.
int NoSpaces(unsigned char) { return 0; }

// One libcsv parser, freed on every way out.
class Parser {
 public:
  Parser() {
    if (csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::bad_alloc();
    csv_set_space_func(&parser_, NoSpaces);
  }
  ~Parser() { csv_free(&parser_); }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;
  csv_parser* get() { return &parser_; }

 private:
  csv_parser parser_;
};

}  // namespace

char CsvTable::FindDelimiter(std::string_view header_line) {
  constexpr std::array<char, 3> kDelimiters = {',', ';', '\t'};
  std::array<int, 3> counts = {};
  bool quoted = false;
  for (char c : header_line) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    for (size_t i = 0; i < kDelimiters.size(); ++i) counts[i] += c == kDelimiters[i];
  }
  size_t best = 0;
  for (size_t i = 1; i < counts.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return kDelimiters[best];
}

std::optional<CsvError> CsvTable::Read(std::string_view text, const RowCallback& on_row,
                                       const CsvError& stop_error) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  if (std::optional<CsvError> error = CheckText(text)) return error;

  Parser parser;
  ReadState state;
  state.on_row = &on_row;
  bool delimiter_found = false;
  int row_start = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = LineEnd(text, pos);
    std::string_view line = text.substr(pos, end - pos);
    pos = end;
    ++state.line;
    if (!state.open && IsBlank(line)) continue;
    if (!delimiter_found) {
      csv_set_delim(parser.get(), static_cast<unsigned char>(FindDelimiter(line)));
      delimiter_found = true;
    }
    if (!state.open) {
      state.open = true;
      state.row.line = row_start = state.line;
    }
    if (csv_parse(parser.get(), line.data(), line.size(), OnValue, OnRowEnd, &state) !=
        line.size()) {
      switch (csv_error(parser.get())) {
        case CSV_ENOMEM:
          throw std::bad_alloc();
        case CSV_ETOOBIG:
          return CsvError{state.line, "holds a value too long to read"};
        default:
          return CsvError{state.line,
                          "has a quote inside a value that is not quoted, or text after the "
                          "closing quote of a value"};
      }
    }
    if (state.stopped) return stop_error;
  }
  if (csv_fini(parser.get(), OnValue, OnRowEnd, &state) != 0) {
    return CsvError{row_start, "starts a quoted value that never ends"};
  }
  if (state.stopped) return stop_error;
  return std::nullopt;
}

void CsvTable::AppendRow(std::string& out, std::span<const std::string> values) {
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += ',';
    const std::string& value = values[i];
    // Quoted, every quote doubled: at most twice the bytes and two quotes.
    size_t start = out.size();
    out.resize(start + 2 * value.size() + 2);
    size_t written = csv_write(out.data() + start, out.size() - start, value.data(), value.size());
    out.resize(start + written);
  }
  out += "\r\n";
}

}  // namespace zr
