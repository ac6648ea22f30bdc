// Parsing of zrbar's command line: options are collected first, then the
// command words pick a row of kCommands, which says how many plain arguments
// the command takes and which options apply to it.
#include "tools/zrbar_request.h"

#include <array>
#include <charconv>
#include <limits>

#include "platform/utf8.h"

namespace zr {

const char kBarSynopsis[] =
    "usage: zrbar [--hwnd N] fill PAGE --type password|home|work [--force] [--auto]\n"
    "                        [--url URL] [--out FILE]\n"
    "       zrbar [--hwnd N] record PAGE [--url URL]\n"
    "       zrbar [--hwnd N] autorecord PAGE [--form INDEX] [--url URL]\n"
    "       zrbar find-password URL\n"
    "       zrbar auto-record-login\n"
    "       zrbar update-fields FILE          (- reads standard input)\n"
    "       zrbar [--hwnd N] password-manager\n"
    "       zrbar [--hwnd N] form-manager\n"
    "       zrbar import FILE [--format F] [--update-passwords]\n"
    "       zrbar [--hwnd N] export FILE [--format chromium|bitwarden]\n"
    "       zrbar history add TEXT TYPE | count | item N | list | clear | save [FILE]\n"
    "                     | load FILE | cur-file\n";

const char kBarDetails[] =
    "Makes one call of the ZRForm server on the session bus, the way the browser\n"
    "toolbar does (the bus starts the server when needed). PAGE is an HTML file put\n"
    "on the bus as the page; its address is URL, or else its file:// address.\n"
    "--out writes the page with what the call filled in. --form names the submitted\n"
    "form (0 is the first). --hwnd is the window that owns the server's dialogs.\n"
    "history save without FILE writes the server's current history file; with FILE\n"
    "it writes a copy there and the current file stays. A relative FILE is taken\n"
    "from this directory. Options may come before or after the command words;\n"
    "-- ends them, for a TEXT that begins with --.\n"
    "import reads a CSV export of logins (chromium, firefox, bitwarden, keepassxc,\n"
    "lastpass, 1password; --format names it, else the header tells); a login with\n"
    "another password than the stored one is updated only with --update-passwords.\n"
    "export writes every stored login with a password after the master password\n"
    "has been given. Both print the server's summary below the result line.\n"
    "\n"
    "Output: the call's result on the first line (S_OK, S_FALSE, E_FAIL,\n"
    "E_ACCESSDENIED when the server refuses this program its logins and forms,\n"
    "STG_E_CANTSAVE when the call's change could not be written to its file, or\n"
    "the code as 0x%08X), then, when it is S_OK, each out value as name=value,\n"
    "such as pbRet=1, pVal=1 or ppszFileName=PATH. history item prints pnType=TYPE and\n"
    "pVal=TEXT; history list prints these two lines for every entry, oldest first\n"
    "(on a failure it prints the failing code alone). Texts are UTF-8 as they are,\n"
    "except that a backslash is written \\\\, a line feed \\n, a carriage return \\r\n"
    "and any other control character \\xHH, so each value stays on its line.\n"
    "\n"
    "Exit status: 0 the call was made (whatever its result), 1 a file could not be\n"
    "read or written or the server answered with a bus error, 2 usage error,\n"
    "3 the server cannot be reached, or the owner of its bus name is not the\n"
    "registered zrform (fill, record and autorecord hand it no page).\n";

namespace {

enum Option : unsigned {
  kOptHwnd = 1u << 0,
  kOptType = 1u << 1,
  kOptForce = 1u << 2,
  kOptAuto = 1u << 3,
  kOptUrl = 1u << 4,
  kOptOut = 1u << 5,
  kOptForm = 1u << 6,
  kOptFormat = 1u << 7,
  kOptUpdatePasswords = 1u << 8,
};

struct OptionSpec {
  std::string_view name;
  Option bit;
  bool takes_value;
};

constexpr std::array<OptionSpec, 9> kOptions = {{
    {"hwnd", kOptHwnd, true},
    {"type", kOptType, true},
    {"force", kOptForce, false},
    {"auto", kOptAuto, false},
    {"url", kOptUrl, true},
    {"out", kOptOut, true},
    {"form", kOptForm, true},
    {"format", kOptFormat, true},
    {"update-passwords", kOptUpdatePasswords, false},
}};

struct CommandSpec {
  std::string_view word;
  std::string_view sub;  // the word after "history", else empty
  BarCommand command;
  std::array<std::string_view, 2> arguments;  // names of the plain arguments
  int required;                               // how many of them must be given
  unsigned options;                           // the options that apply
};

constexpr std::array<CommandSpec, 18> kCommands = {{
    {"fill",
     "",
     BarCommand::kFill,
     {"PAGE", ""},
     1,
     kOptHwnd | kOptType | kOptForce | kOptAuto | kOptUrl | kOptOut},
    {"record", "", BarCommand::kRecord, {"PAGE", ""}, 1, kOptHwnd | kOptUrl},
    {"autorecord", "", BarCommand::kAutoRecord, {"PAGE", ""}, 1, kOptHwnd | kOptForm | kOptUrl},
    {"find-password", "", BarCommand::kFindPassword, {"URL", ""}, 1, 0},
    {"auto-record-login", "", BarCommand::kAutoRecordLogin, {"", ""}, 0, 0},
    {"update-fields", "", BarCommand::kUpdateFields, {"FILE", ""}, 1, 0},
    {"password-manager", "", BarCommand::kPasswordManager, {"", ""}, 0, kOptHwnd},
    {"form-manager", "", BarCommand::kFormManager, {"", ""}, 0, kOptHwnd},
    {"import", "", BarCommand::kImport, {"FILE", ""}, 1, kOptFormat | kOptUpdatePasswords},
    {"export", "", BarCommand::kExport, {"FILE", ""}, 1, kOptHwnd | kOptFormat},
    {"history", "add", BarCommand::kHistoryAdd, {"TEXT", "TYPE"}, 2, 0},
    {"history", "count", BarCommand::kHistoryCount, {"", ""}, 0, 0},
    {"history", "item", BarCommand::kHistoryItem, {"N", ""}, 1, 0},
    {"history", "list", BarCommand::kHistoryList, {"", ""}, 0, 0},
    {"history", "clear", BarCommand::kHistoryClear, {"", ""}, 0, 0},
    {"history", "save", BarCommand::kHistorySave, {"FILE", ""}, 0, 0},
    {"history", "load", BarCommand::kHistoryLoad, {"FILE", ""}, 1, 0},
    {"history", "cur-file", BarCommand::kHistoryCurFile, {"", ""}, 0, 0},
}};

struct GivenOption {
  const OptionSpec* spec = nullptr;
  std::string value;
};

// Whole decimal number in [low, high]; with hex, "0x" followed by hex digits too.
std::optional<int64_t> ParseNumber(std::string_view text, int64_t low, int64_t high,
                                   bool hex = false) {
  int base = 10;
  bool negative = false;
  if (hex && (text.starts_with("0x") || text.starts_with("0X"))) {
    text.remove_prefix(2);
    base = 16;
  } else if (text.starts_with("-")) {
    text.remove_prefix(1);
    negative = true;
  } else if (text.starts_with("+")) {
    text.remove_prefix(1);
  }
  // Digits only from here: from_chars would take a second sign.
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  uint64_t magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (base == 16) {
    // A window id written in hex is the bit pattern of the 64-bit value.
    int64_t value = static_cast<int64_t>(magnitude);
    if (value < low || value > high) return std::nullopt;
    return value;
  }
  constexpr uint64_t kMaxMagnitude = uint64_t{1} << 63;
  if (magnitude > kMaxMagnitude || (!negative && magnitude == kMaxMagnitude)) return std::nullopt;
  int64_t value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  if (value < low || value > high) return std::nullopt;
  return value;
}

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

BarParse Fail(std::string message) {
  BarParse parse;
  parse.error = std::move(message);
  return parse;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// Splits arguments into options and plain arguments. Returns an error message,
// or empty on success.
std::string Split(const std::vector<std::string>& arguments,
                  std::array<GivenOption, kOptions.size()>& options,
                  std::vector<std::string>& plain, bool& help) {
  bool options_over = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_over || !argument.starts_with("--")) {
      plain.push_back(argument);
      continue;
    }
    if (argument == "--") {
      options_over = true;
      continue;
    }
    std::string_view body = std::string_view(argument).substr(2);
    std::optional<std::string> inline_value;
    if (size_t equals = body.find('='); equals != std::string_view::npos) {
      inline_value = std::string(body.substr(equals + 1));
      body = body.substr(0, equals);
    }
    if (body == "help") {
      help = true;
      continue;
    }
    size_t index = 0;
    while (index < kOptions.size() && kOptions[index].name != body) ++index;
    if (index == kOptions.size()) return "unknown option --" + std::string(body);
    const OptionSpec& spec = kOptions[index];
    if (options[index].spec) return "--" + std::string(body) + " is given twice";
    std::string value;
    if (!spec.takes_value) {
      if (inline_value) return "--" + std::string(body) + " takes no value";
    } else if (inline_value) {
      value = *inline_value;
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return "--" + std::string(body) + " needs a value";
    }
    options[index] = GivenOption{&spec, std::move(value)};
  }
  return "";
}

const CommandSpec* FindCommand(const std::vector<std::string>& plain, std::string& error) {
  const std::string& word = plain[0];
  bool history = word == "history";
  if (history && plain.size() < 2) {
    error = "history needs one of add, count, item, list, clear, save, load, cur-file";
    return nullptr;
  }
  for (const CommandSpec& spec : kCommands) {
    if (spec.word == word && (!history || spec.sub == plain[1])) return &spec;
  }
  error =
      history ? "unknown history command " + Quoted(plain[1]) : "unknown command " + Quoted(word);
  return nullptr;
}

std::string CommandName(const CommandSpec& spec) {
  return spec.sub.empty() ? std::string(spec.word) : "history " + std::string(spec.sub);
}

// Sets the request's field for each option given; an error message or empty.
std::string ApplyOptions(const std::array<GivenOption, kOptions.size()>& options,
                         BarRequest& request) {
  for (const GivenOption& given : options) {
    if (!given.spec) continue;
    const std::string& value = given.value;
    switch (given.spec->bit) {
      case kOptHwnd: {
        auto hwnd = ParseNumber(value, std::numeric_limits<int64_t>::min(),
                                std::numeric_limits<int64_t>::max(), /*hex=*/true);
        if (!hwnd)
          return "--hwnd must be a 64-bit window number (decimal or 0x hex), not " + Quoted(value);
        request.hwnd = *hwnd;
        break;
      }
      case kOptType:
        if (value == "password") {
          request.database_type = kDtPassword;
        } else if (value == "home") {
          request.database_type = kDtHome;
        } else if (value == "work") {
          request.database_type = kDtWork;
        } else {
          return "--type must be password, home or work, not " + Quoted(value);
        }
        break;
      case kOptForce:
        request.force = true;
        break;
      case kOptAuto:
        request.automatic = true;
        break;
      case kOptUrl:
        if (value.empty()) return "--url must not be empty";
        if (!IsUtf8(value)) return "--url is not valid UTF-8";
        request.url = value;
        break;
      case kOptOut:
        if (value.empty()) return "--out must not be empty";
        request.out = value;
        break;
      case kOptForm: {
        auto index = ParseNumber(value, 0, kInt32Max);
        if (!index) return "--form must be a form index (0 is the first), not " + Quoted(value);
        request.form_index = static_cast<int32_t>(*index);
        break;
      }
      case kOptFormat:
        if (value.empty()) return "--format must not be empty";
        if (!IsUtf8(value)) return "--format is not valid UTF-8";
        request.format = value;
        break;
      case kOptUpdatePasswords:
        request.update_passwords = true;
        break;
    }
  }
  return "";
}

// Sets the request's fields from the command's plain arguments.
std::string ApplyArguments(const std::vector<std::string>& arguments, BarRequest& request) {
  switch (request.command) {
    case BarCommand::kFill:
    case BarCommand::kRecord:
    case BarCommand::kAutoRecord:
      request.page = arguments[0];
      if (request.page.empty()) return "PAGE must not be empty";
      break;
    case BarCommand::kFindPassword:
      if (!IsUtf8(arguments[0])) return "URL is not valid UTF-8";
      request.url = arguments[0];
      break;
    case BarCommand::kUpdateFields:
      request.file = arguments[0];
      if (request.file.empty()) return "FILE must not be empty (- reads standard input)";
      break;
    case BarCommand::kImport:
    case BarCommand::kExport:
      if (arguments[0].empty()) return "FILE must not be empty";
      if (!IsUtf8(arguments[0])) return "FILE is not valid UTF-8";
      request.file = arguments[0];
      break;
    case BarCommand::kHistoryAdd: {
      if (!IsUtf8(arguments[0])) return "TEXT is not valid UTF-8";
      request.text = arguments[0];
      auto type = ParseNumber(arguments[1], kInt32Min, kInt32Max);
      if (!type) return "TYPE must be a 32-bit whole number, not " + Quoted(arguments[1]);
      request.item_type = static_cast<int32_t>(*type);
      break;
    }
    case BarCommand::kHistoryItem: {
      auto index = ParseNumber(arguments[0], kInt32Min, kInt32Max);
      if (!index) return "N must be a 32-bit whole number, not " + Quoted(arguments[0]);
      request.item_index = static_cast<int32_t>(*index);
      break;
    }
    case BarCommand::kHistorySave:
    case BarCommand::kHistoryLoad:
      if (arguments.empty()) break;  // save without FILE: the current file
      if (arguments[0].empty()) return "FILE must not be empty";
      if (!IsUtf8(arguments[0])) return "FILE is not valid UTF-8";
      request.file = arguments[0];
      break;
    default:
      break;
  }
  return "";
}

}  // namespace

bool IsUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    size_t length = Utf8SequenceLength(text, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

BarParse ParseBarCommandLine(const std::vector<std::string>& arguments) {
  if (!arguments.empty() && (arguments[0] == "-h" || arguments[0] == "help")) {
    BarParse parse;
    parse.help = true;
    return parse;
  }
  std::array<GivenOption, kOptions.size()> options;
  std::vector<std::string> plain;
  bool help = false;
  if (std::string error = Split(arguments, options, plain, help); !error.empty())
    return Fail(error);
  if (help) {
    BarParse parse;
    parse.help = true;
    return parse;
  }
  if (plain.empty()) return Fail("no command given");

  std::string error;
  const CommandSpec* spec = FindCommand(plain, error);
  if (!spec) return Fail(error);
  std::string name = CommandName(*spec);
  plain.erase(plain.begin(), plain.begin() + (spec->sub.empty() ? 1 : 2));

  int capacity = spec->arguments[1].empty() ? (spec->arguments[0].empty() ? 0 : 1) : 2;
  if (static_cast<int>(plain.size()) < spec->required) {
    return Fail(name + ": missing " + std::string(spec->arguments[plain.size()]));
  }
  if (static_cast<int>(plain.size()) > capacity) {
    return Fail(name + ": unexpected argument " + Quoted(plain[capacity]));
  }
  for (const GivenOption& given : options) {
    if (given.spec && !(spec->options & given.spec->bit)) {
      return Fail("--" + std::string(given.spec->name) + " does not apply to " + name);
    }
  }
  bool type_given = false;
  for (const GivenOption& given : options) type_given |= given.spec && given.spec->bit == kOptType;
  if (spec->command == BarCommand::kFill && !type_given) {
    return Fail("fill: --type password|home|work is required");
  }

  BarRequest request;
  request.command = spec->command;
  if (std::string error = ApplyOptions(options, request); !error.empty()) return Fail(error);
  if (std::string error = ApplyArguments(plain, request); !error.empty()) return Fail(error);
  BarParse parse;
  parse.request = std::move(request);
  return parse;
}

}  // namespace zr
