// zrdata: inspects ZRForm's data files and tries field-name patterns.
//   zrdata dump FILE [--kind logins|rejected|profile|custom|history]
//   zrdata find PATTERN TEXT
//   zrdata match LIST NAME
//   zrdata sample FOLDER
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "matcher/pattern_list.h"
#include "matcher/regexp.h"
#include "platform/ascii_case.h"
#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "platform/secret_memory.h"
#include "platform/terminal_input.h"
#include "store/byte_stream.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/history_file.h"
#include "store/login_store.h"
#include "store/rejected_sites.h"
#include "tools/json_writer.h"
#include "tools/sample_data.h"

namespace zr {
namespace {

constexpr int kExitError = 1;
constexpr int kExitWrongMasterPassword = 2;

constexpr const char* kUsage =
    "usage: zrdata dump FILE [--kind logins|rejected|profile|custom|history]\n"
    "       zrdata find PATTERN TEXT\n"
    "       zrdata match LIST NAME\n"
    "       zrdata sample FOLDER\n";

// The JSON names of the profile values, in ProfileField order.
constexpr const char* kProfileKeys[kProfileFieldCount] = {
    "job_title", "company", "title",   "first_name", "last_name", "address", "address1", "address2",
    "city",      "state",   "country", "zip",        "tel",       "fax",     "email"};

int Fail(const std::string& message) {
  std::cerr << "zrdata: " << message << "\n";
  return kExitError;
}

std::optional<std::string> KindFromFileName(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  std::string lowered = AsciiLower(name);
  if (lowered == "password.dat") return "logins";
  if (lowered == "rejected.dat") return "rejected";
  if (lowered == "formhome.dat" || lowered == "formwork.dat") return "profile";
  if (lowered == "customize.dat") return "custom";
  if (lowered == "history.txt") return "history";
  return std::nullopt;
}

// Asks for the master password when one is set. False when it was not given right.
bool CheckMasterPassword(const LoginStore& store) {
  if (store.master_password().empty()) return true;
  std::optional<std::string> line = ReadSecretLine("Master password: ");
  if (!line) return false;
  std::string typed = Utf8ToCodePage(*line);
  WipeString(*line);
  const bool same = EqualInConstantTime(typed, store.master_password());
  WipeString(typed);
  return same;
}

int DumpLogins(const std::string& path, JsonWriter& json) {
  LoginStore store;
  (void)store.Load(path);
  if (!CheckMasterPassword(store)) {
    std::cerr << "zrdata: the master password is not correct; no record is shown\n";
    return kExitWrongMasterPassword;
  }
  json.BeginObject();
  json.Key("kind");
  json.String("logins");
  json.Key("master_password_set");
  json.Bool(!store.master_password().empty());
  json.Key("records");
  json.BeginArray();
  store.ForEach([&](LoginRecord& record) {
    json.BeginObject();
    json.Key("site");
    json.String(record.site());
    json.Key("description");
    json.String(record.description());
    json.Key("fill_automatically");
    json.Number(record.fill_automatically_flag());
    json.Key("require_master_password");
    json.Number(record.require_master_password_flag());
    json.Key("fields");
    json.BeginArray();
    for (const LoginField& field : record.fields()) {
      json.BeginObject();
      json.Key("name");
      json.String(field.field_name);
      json.Key("value");
      json.String(field.value);
      json.Key("type");
      json.String(field.type);
      json.Key("form");
      json.String(field.form_name);
      json.Key("description");
      json.String(field.description);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  });
  json.EndArray();
  json.EndObject();
  return 0;
}

void DumpRejected(const std::string& path, JsonWriter& json) {
  RejectedSites sites;
  (void)sites.Load(path);
  json.BeginObject();
  json.Key("kind");
  json.String("rejected");
  json.Key("sites");
  json.BeginArray();
  for (const std::string& site : sites.sites()) json.String(site);
  json.EndArray();
  json.EndObject();
}

void DumpProfile(const std::string& path, JsonWriter& json) {
  FormProfile profile;
  (void)profile.Load(path);
  json.BeginObject();
  json.Key("kind");
  json.String("profile");
  for (bool lists : {false, true}) {
    json.Key(lists ? "lists" : "values");
    json.BeginObject();
    for (int index = 0; index < kProfileFieldCount; ++index) {
      auto field = static_cast<ProfileField>(index);
      json.Key(kProfileKeys[index]);
      json.String(lists ? profile.List(field) : profile.Value(field));
    }
    json.EndObject();
  }
  json.EndObject();
}

void DumpCustom(const std::string& contents, JsonWriter& json) {
  CustomFieldList list;
  ByteReader reader(contents);
  (void)list.ReadFrom(reader);
  json.BeginObject();
  json.Key("kind");
  json.String("custom");
  json.Key("fields");
  json.BeginArray();
  for (int index = 0; index < list.CustomFieldCount(); ++index) {
    const CustomField* field = list.GetCustomField(index);
    json.BeginObject();
    json.Key("kind");
    json.Number(field->kind());
    json.Key("description");
    json.String(field->description());
    json.Key("names");
    json.String(field->names());
    json.Key("value");
    json.String(field->value());
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

void DumpHistory(const std::string& contents, JsonWriter& json) {
  json.BeginObject();
  json.Key("kind");
  json.String("history");
  json.Key("entries");
  json.BeginArray();
  for (const HistoryEntry& entry : ParseHistory(contents)) {
    json.BeginObject();
    json.Key("type");
    json.Number(entry.type);
    json.Key("text");
    json.String(entry.text);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

int Dump(const std::vector<std::string>& args) {
  if (args.empty()) return Fail(std::string("missing FILE\n") + kUsage);
  std::string path = args[0];
  std::optional<std::string> kind;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--kind" && i + 1 < args.size()) {
      kind = args[++i];
    } else if (args[i].starts_with("--kind=")) {
      kind = args[i].substr(7);
    } else {
      return Fail("unexpected argument '" + args[i] + "'\n" + kUsage);
    }
  }
  if (!kind) kind = KindFromFileName(path);
  if (!kind) return Fail("cannot tell what kind of file '" + path + "' is; give --kind");
  std::string contents;
  if (!ReadWholeFile(path, contents)) return Fail("cannot read '" + path + "'");
  JsonWriter json;
  if (*kind == "logins") {
    if (int status = DumpLogins(path, json); status != 0) return status;
  } else if (*kind == "rejected") {
    DumpRejected(path, json);
  } else if (*kind == "profile") {
    DumpProfile(path, json);
  } else if (*kind == "custom") {
    DumpCustom(contents, json);
  } else if (*kind == "history") {
    DumpHistory(contents, json);
  } else {
    return Fail("unknown kind '" + *kind + "'\n" + kUsage);
  }
  std::cout << json.text() << "\n";
  return 0;
}

int Find(const std::string& pattern, const std::string& text) {
  RegExp regexp;
  if (!regexp.Compile(Utf8ToCodePage(pattern))) {
    std::cout << "invalid\n";
    return kExitError;
  }
  std::cout << regexp.Find(Utf8ToCodePage(text)) << "\n";
  return 0;
}

// Prints the first item of list that matches name.
int Match(const std::string& list, const std::string& name) {
  std::string code_page_list = Utf8ToCodePage(list);
  std::string code_page_name = Utf8ToCodePage(name);
  RegExp regexp;
  size_t start = 0;
  while (start <= code_page_list.size()) {
    size_t end = code_page_list.find(';', start);
    if (end == std::string::npos) end = code_page_list.size();
    std::string item = code_page_list.substr(start, end - start);
    std::string field = code_page_name;
    if (!item.empty() && MatchPatternList(regexp, field, item, item)) {
      std::cout << CodePageToUtf8(field) << "\n";
      return 0;
    }
    start = end + 1;
  }
  return kExitError;
}

int Main(int argc, char** argv) {
  InitUserLocale();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Fail(std::string("missing command\n") + kUsage);
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "dump") return Dump(args);
  if (command == "find" && args.size() == 2) return Find(args[0], args[1]);
  if (command == "match" && args.size() == 2) return Match(args[0], args[1]);
  if (command == "sample" && args.size() == 1) {
    if (WriteSampleData(args[0])) return 0;
    return Fail("cannot write the sample data folder '" + args[0] + "'");
  }
  if (command == "--help" || command == "-h") {
    std::cout << kUsage;
    return 0;
  }
  return Fail(std::string("bad command line\n") + kUsage);
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) { return zr::Main(argc, argv); }
