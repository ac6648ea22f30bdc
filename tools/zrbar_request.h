// zrbar's command line parsed into one request: which server call to make and
// its arguments. Standard library only, so every command form is tested without
// a bus.
#ifndef ZRFORM_TOOLS_ZRBAR_REQUEST_H_
#define ZRFORM_TOOLS_ZRBAR_REQUEST_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

enum class BarCommand {
  kFill,
  kRecord,
  kAutoRecord,
  kFindPassword,
  kAutoRecordLogin,
  kUpdateFields,
  kPasswordManager,
  kFormManager,
  kHistoryAdd,
  kHistoryCount,
  kHistoryItem,
  kHistoryList,
  kHistoryClear,
  kHistorySave,
  kHistoryLoad,
  kHistoryCurFile,
  kImport,
  kExport,
};

// The DatabaseType values that fill accepts.
inline constexpr int32_t kDtPassword = 1;
inline constexpr int32_t kDtHome = 2;
inline constexpr int32_t kDtWork = 3;

struct BarRequest {
  BarCommand command = BarCommand::kAutoRecordLogin;
  int64_t hwnd = 0;               // --hwnd: the owner window of the server's dialogs
  std::string page;               // fill, record, autorecord: the HTML file
  std::string url;                // --url (empty: the file's own address); find-password: URL
  std::string out;                // fill --out: where the filled page is written (empty: nowhere)
  int32_t database_type = 0;      // fill --type
  bool force = false;             // fill --force
  bool automatic = false;         // fill --auto
  int32_t form_index = 0;         // autorecord --form
  std::string file;               // update-fields ("-": standard input), history save/load,
                                  // import, export
  std::string format;             // import, export --format (empty: from the header / chromium)
  bool update_passwords = false;  // import --update-passwords
  std::string text;               // history add TEXT
  int32_t item_type = 0;          // history add TYPE
  int32_t item_index = 0;         // history item N (1 is the oldest entry)
};

struct BarParse {
  std::optional<BarRequest> request;  // set when the command line is sound
  bool help = false;                  // --help, -h or help was asked for
  std::string error;                  // the usage error otherwise
};

// Parses the arguments that follow the program name. Arguments that begin with
// "--" are options ("--name VALUE" or "--name=VALUE"), before or after the
// command words; "--" ends the options, so a TEXT may begin with "--". Anything
// else, including "-" and negative numbers, is a plain argument.
BarParse ParseBarCommandLine(const std::vector<std::string>& arguments);

// The command forms, shown with --help and after a usage error.
extern const char kBarSynopsis[];
// What the commands do, what they print and how zrbar exits, shown with --help.
extern const char kBarDetails[];

// True when text is well-formed UTF-8 (what a text sent on the bus must be).
bool IsUtf8(std::string_view text);

}  // namespace zr

#endif  // ZRFORM_TOOLS_ZRBAR_REQUEST_H_
