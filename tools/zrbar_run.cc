// The calls behind each zrbar command. Local files are read before the server
// is reached, so a mistyped file name never starts it; the page is exported on
// the same connection that makes the call, which the server calls back.
#include "tools/zrbar_run.h"

#include <QDBusError>
#include <QDBusObjectPath>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>

#include "pages/html_page.h"
#include "pages/page_exporter.h"
#include "platform/atomic_file.h"
#include "resources/class_ids.h"
#include "server/hresult.h"
#include "tools/server_check.h"
#include "tools/zrbar_client.h"
#include "tools/zrbar_output.h"

namespace zr {
namespace {

constexpr char kIZRBarHelper[] = "ZRForm.IZRBarHelper";
constexpr char kIHistory[] = "ZRForm.IHistory";
constexpr char kIPersistFile[] = "ZRForm.IPersistFile";

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), text.size()); }

int Complain(const std::string& message, int status) {
  std::cerr << "zrbar: " << message << "\n";
  return status;
}

struct OutSpec {
  const char* name;
  bool text;  // a string ("s"), else a number ("i" or "u")
};

// One member call and the out values its reply carries after the HRESULT.
struct MemberCall {
  const char* interface;
  const char* member;
  QList<QVariant> arguments;
  std::vector<OutSpec> outs;
};

struct Outcome {
  BarCallResult::Status status = BarCallResult::Status::kReplied;
  std::string message;
  BarReply reply;
};

Outcome Failure(BarCallResult::Status status, const std::string& message) {
  Outcome outcome;
  outcome.status = status;
  outcome.message = message;
  return outcome;
}

// Makes the call and checks the reply's form: an int32 HRESULT, then the outs.
Outcome Make(BarClient& client, const MemberCall& call) {
  BarCallResult result =
      client.Call(QLatin1String(call.interface), QLatin1String(call.member), call.arguments);
  if (result.status != BarCallResult::Status::kReplied) {
    return Failure(result.status, std::string(call.member) + ": " + result.message.toStdString());
  }
  const QList<QVariant>& values = result.arguments;
  auto malformed = [&] {
    return Failure(BarCallResult::Status::kBusError,
                   std::string(call.member) + ": the server's answer has the wrong form");
  };
  if (values.size() != 1 + static_cast<qsizetype>(call.outs.size())) return malformed();
  if (values[0].userType() != QMetaType::Int) return malformed();
  Outcome outcome;
  outcome.reply.hr = values[0].toInt();
  for (size_t i = 0; i < call.outs.size(); ++i) {
    const QVariant& value = values[static_cast<qsizetype>(i) + 1];
    int type = value.userType();
    if (call.outs[i].text ? type != QMetaType::QString
                          : type != QMetaType::Int && type != QMetaType::UInt) {
      return malformed();
    }
    std::string printed = call.outs[i].text        ? value.toString().toStdString()
                          : type == QMetaType::Int ? std::to_string(value.toInt())
                                                   : std::to_string(value.toUInt());
    outcome.reply.outs.push_back({call.outs[i].name, std::move(printed)});
  }
  return outcome;
}

// history list: Count, then Item for 1..Count; the first failure ends it.
Outcome ListHistory(BarClient& client) {
  Outcome count = Make(client, {kIHistory, "Count", {}, {{"pVal", false}}});
  if (count.status != BarCallResult::Status::kReplied || count.reply.hr != kS_OK) return count;
  int total = std::stoi(count.reply.outs[0].value);
  Outcome list;
  for (int index = 1; index <= total; ++index) {
    Outcome item =
        Make(client, {kIHistory, "Item", {QVariant(index)}, {{"pnType", false}, {"pVal", true}}});
    if (item.status != BarCallResult::Status::kReplied || item.reply.hr != kS_OK) return item;
    for (BarOutValue& out : item.reply.outs) list.reply.outs.push_back(std::move(out));
  }
  return list;
}

Outcome RunHistory(const BarRequest& request, BarClient& client) {
  QString file = Q(request.file);
  switch (request.command) {
    case BarCommand::kHistoryAdd:
      return Make(client,
                  {kIHistory, "AddItem", {Q(request.text), QVariant(request.item_type)}, {}});
    case BarCommand::kHistoryCount:
      return Make(client, {kIHistory, "Count", {}, {{"pVal", false}}});
    case BarCommand::kHistoryItem:
      return Make(
          client,
          {kIHistory, "Item", {QVariant(request.item_index)}, {{"pnType", false}, {"pVal", true}}});
    case BarCommand::kHistoryList:
      return ListHistory(client);
    case BarCommand::kHistoryClear:
      return Make(client, {kIHistory, "ClearAll", {}, {}});
    case BarCommand::kHistorySave:
      // An empty name saves to the current file; a named copy is not remembered.
      return Make(client, {kIPersistFile, "Save", {file, QVariant(false)}, {}});
    case BarCommand::kHistoryLoad:
      return Make(client, {kIPersistFile, "Load", {file, QVariant::fromValue(0u)}, {}});
    case BarCommand::kHistoryCurFile:
      return Make(client, {kIPersistFile, "GetCurFile", {}, {{"ppszFileName", true}}});
    default:
      return Failure(BarCallResult::Status::kBusError, "not a history command");
  }
}

QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }

// The form that autorecord submits: the form at index of the page's forms.
std::unique_ptr<PageForm> SubmittedForm(HtmlPage& page, int32_t index) {
  std::unique_ptr<PageDocument> document = page.Document();
  if (!document) return nullptr;
  std::unique_ptr<PageCollection<PageForm>> forms = document->Forms();
  if (!forms || index >= forms->Length().value_or(0)) return nullptr;
  return forms->At(index);
}

Outcome RunHelper(const BarRequest& request, BarClient& client, HtmlPage* page,
                  PageExporter& exporter, const QString& fields) {
  QVariant hwnd = QVariant::fromValue(static_cast<qlonglong>(request.hwnd));
  switch (request.command) {
    case BarCommand::kFill:
      return Make(client,
                  {kIZRBarHelper,
                   "FillInForm",
                   {hwnd, Path(exporter.ExportBrowser(*page)), QVariant(request.database_type),
                    QVariant(request.force ? 1 : 0), QVariant(request.automatic ? 1 : 0)},
                   {}});
    case BarCommand::kRecord:
      return Make(client, {kIZRBarHelper,
                           "RecordPassword",
                           {hwnd, Path(exporter.ExportBrowser(*page))},
                           {{"pbRet", false}}});
    case BarCommand::kAutoRecord: {
      QString document_path = QStringLiteral("/");
      if (std::unique_ptr<PageDocument> document = page->Document()) {
        document_path = exporter.ExportDocument(std::move(document));
      }
      QString form_path = QStringLiteral("/");
      if (std::unique_ptr<PageForm> form = SubmittedForm(*page, request.form_index)) {
        form_path = exporter.ExportForm(std::move(form));
      } else {
        std::cerr << "zrbar: warning: " << request.page << " has no form at index "
                  << request.form_index << "; AutoRecord gets no form\n";
      }
      return Make(client,
                  {kIZRBarHelper, "AutoRecord", {hwnd, Path(document_path), Path(form_path)}, {}});
    }
    case BarCommand::kFindPassword:
      return Make(client,
                  {kIZRBarHelper, "FindPasswordByURL", {Q(request.url)}, {{"pbRetVal", false}}});
    case BarCommand::kAutoRecordLogin:
      return Make(client, {kIZRBarHelper, "AutoRecordLogin", {}, {{"pVal", false}}});
    case BarCommand::kUpdateFields:
      return Make(client, {kIZRBarHelper, "UpdateFormFields", {fields}, {}});
    case BarCommand::kPasswordManager:
      return Make(client, {kIZRBarHelper, "PasswordManager", {hwnd}, {}});
    case BarCommand::kFormManager:
      return Make(client, {kIZRBarHelper, "FormManager", {hwnd}, {}});
    case BarCommand::kImport:
      return Make(client,
                  {kIZRBarHelper,
                   "ImportLogins",
                   {Q(request.file), Q(request.format), QVariant(request.update_passwords ? 1 : 0)},
                   {{"pbstrSummary", true}}});
    case BarCommand::kExport:
      return Make(client, {kIZRBarHelper,
                           "ExportLogins",
                           {hwnd, Q(request.file), Q(request.format)},
                           {{"pbstrSummary", true}}});
    default:
      return Failure(BarCallResult::Status::kBusError, "not a toolbar command");
  }
}

bool IsHistoryCommand(BarCommand command) {
  return command >= BarCommand::kHistoryAdd && command <= BarCommand::kHistoryCurFile;
}

bool TakesPage(BarCommand command) {
  return command == BarCommand::kFill || command == BarCommand::kRecord ||
         command == BarCommand::kAutoRecord;
}

// The text for UpdateFormFields from file, or from standard input for "-";
// an error message, or empty on success.
std::string ReadFields(const std::string& file, QString& fields) {
  std::string bytes;
  if (file == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) return "cannot read standard input";
  } else if (!ReadWholeFile(file, bytes)) {
    return "cannot read " + file;
  }
  if (!IsUtf8(bytes)) return (file == "-" ? "standard input" : file) + " is not UTF-8 text";
  fields = QString::fromStdString(bytes);
  return "";
}

}  // namespace

int RunBarRequest(const BarRequest& request) {
  BarRequest local = request;
  std::unique_ptr<HtmlPage> page;
  QString fields;
  if (TakesPage(local.command)) {
    page = HtmlPage::Open(local.page, local.url);
    if (!page) return Complain("cannot read the page " + local.page, kExitFailed);
  } else if (local.command == BarCommand::kUpdateFields) {
    if (std::string error = ReadFields(local.file, fields); !error.empty()) {
      return Complain(error, kExitFailed);
    }
  } else if (!local.file.empty()) {
    // The server runs in a directory of its own: give it the whole path.
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(local.file, error);
    if (error)
      return Complain("cannot resolve " + local.file + ": " + error.message(), kExitFailed);
    local.file = absolute.lexically_normal().string();
  }

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    return Complain("no session bus: " + bus.lastError().message().toStdString(), kExitUnreachable);
  }
  bool history = IsHistoryCommand(local.command);
  QString service = Q(history ? kHistoryBusName : kZRBarHelperBusName);
  BarClient client(bus);
  BarCallResult created =
      client.Create(service, Q(history ? kHistoryClassPath : kZRBarHelperClassPath),
                    QLatin1String(history ? kIHistory : kIZRBarHelper));
  if (created.status != BarCallResult::Status::kReplied) {
    std::string hint = created.message.contains(QLatin1String("ServiceUnknown"))
                           ? " (is the server registered? zrform -RegServer does it)"
                           : "";
    return Complain("cannot reach the ZRForm server at " + service.toStdString() + ": " +
                        created.message.toStdString() + hint,
                    kExitUnreachable);
  }

  if (TakesPage(local.command)) {
    ServerCheck server = CheckServerOwner(bus, service, kZRBarHelperClassId);
    if (!server.genuine) return Complain(server.message, kExitUnreachable);
    client.Pin(server.owner);
  }

  PageExporter exporter(bus);  // registers nothing until a page is exported
  Outcome outcome =
      history ? RunHistory(local, client) : RunHelper(local, client, page.get(), exporter, fields);
  exporter.Clear();
  client.Release();
  if (outcome.status != BarCallResult::Status::kReplied) {
    bool gone = outcome.status == BarCallResult::Status::kUnreachable;
    return Complain(
        (gone ? "the server did not answer: " : "the server refused the call: ") + outcome.message,
        gone ? kExitUnreachable : kExitFailed);
  }
  if (local.command == BarCommand::kImport || local.command == BarCommand::kExport) {
    // The summary is text for the user, lines and all, whatever the result.
    std::string summary = outcome.reply.outs.empty() ? "" : outcome.reply.outs[0].value;
    if (!summary.empty() && !summary.ends_with('\n')) summary += '\n';
    std::cout << HResultName(outcome.reply.hr) << "\n" << summary << std::flush;
  } else {
    std::cout << FormatReply(outcome.reply) << std::flush;
  }
  if (outcome.reply.hr == kE_ACCESSDENIED) {
    std::cerr << "zrbar: the server refused this program its logins and forms (E_ACCESSDENIED): "
                 "it runs in a sandbox, it was not allowed, or it asked about too many sites "
                 "in a minute\n";
  }
  if (outcome.reply.hr == kSTG_E_CANTSAVE) {
    std::cerr << "zrbar: the server could not write a data file (STG_E_CANTSAVE): the change is "
                 "kept while the server runs, and the file is as it was before\n";
  }
  if (local.command == BarCommand::kFill && !local.out.empty()) {
    std::string why;
    if (!page->Save(local.out, &why)) {
      return Complain(
          "cannot write " + local.out + ": " + why + "; " + local.out + " is left as it was",
          kExitFailed);
    }
  }
  return kExitCallMade;
}

}  // namespace zr
