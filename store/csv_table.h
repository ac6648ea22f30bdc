// CsvTable: a CSV text read whole (RFC 4180, through libcsv) into rows that
// remember the line each starts on, and the writing of one CSV row. Reading
// takes line breaks CRLF, LF or CR, skips a UTF-8 byte-order mark and blank
// lines, and finds the delimiter (comma, semicolon or tab) from the header line.
#ifndef ZRFORM_STORE_CSV_TABLE_H_
#define ZRFORM_STORE_CSV_TABLE_H_

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

struct CsvRow {
  int line = 0;  // the line (1 is the first of the file) on which the row starts
  std::vector<std::string> values;
};

// Why a text cannot be read as a whole, and where.
struct CsvError {
  int line = 0;
  std::string message;  // "is not UTF-8 text", ...; the caller puts the line in front
};

class CsvTable {
 public:
  // Called with each row in order, the header first; rows whose values are
  // all empty are left out. Returning false stops the reading (Read then
  // answers with stop_error).
  using RowCallback = std::function<bool(CsvRow&& row)>;

  // Reads text, calling on_row for each row. None when the whole text was
  // read; otherwise the first fault: a byte that is not UTF-8 or a NUL, a
  // quote out of place, a quoted value that never ends, or on_row's stop.
  // Values are given exactly, their spaces included.
  static std::optional<CsvError> Read(std::string_view text, const RowCallback& on_row,
                                      const CsvError& stop_error = {});

  // The delimiter of the header line: the one of ',', ';' and '\t' found
  // most often outside quotes; ',' when none is.
  static char FindDelimiter(std::string_view header_line);

  // Appends values to out as one row: each value quoted (quotes doubled),
  // separated by commas, ended by CRLF.
  static void AppendRow(std::string& out, std::span<const std::string> values);
};

}  // namespace zr

#endif  // ZRFORM_STORE_CSV_TABLE_H_
