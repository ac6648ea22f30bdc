// The server calls behind each operation of the browser host.
#include "browser/host/host_session.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <cstdio>

#include "pages/page_exporter.h"
#include "resources/class_ids.h"
#include "tools/server_check.h"

namespace zr {
namespace {

constexpr char kIZRBarHelper[] = "ZRForm.IZRBarHelper";
constexpr char kIHistory[] = "ZRForm.IHistory";
constexpr char kHostVersion[] = "1.0";

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QVariant Path(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }

constexpr char kServerStopped[] =
    "The ZRForm server stopped while it answered. Everything it had saved is kept; try again.";

// The bus errors that say the message reached no server at all (its owner had
// left the bus before it was sent), as opposed to a server that died while
// it answered.
bool NeverDelivered(const QString& message) {
  return message.startsWith(QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")) ||
         message.startsWith(QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"));
}

QJsonObject Ok(int hr) { return {{QStringLiteral("ok"), true}, {QStringLiteral("hr"), hr}}; }

QJsonObject Error(std::string_view code, const QString& error) {
  return {{QStringLiteral("ok"), false},
          {QStringLiteral("code"), Q(code)},
          {QStringLiteral("error"), error}};
}

}  // namespace

// A member's reply: the HRESULT and the out values after it, or the error
// reply that takes its place.
struct HostSession::Answer {
  bool ok = false;
  int hr = 0;
  QList<QVariant> outs;
  QJsonObject error;
};

HostSession::HostSession(QDBusConnection bus) : bus_(std::move(bus)) {}

HostSession::~HostSession() { Release(); }

void HostSession::Release() {
  if (helper_) helper_->Release();
  if (history_) history_->Release();
  helper_.reset();
  history_.reset();
}

BarClient* HostSession::Reach(bool history, QJsonObject* error) {
  std::unique_ptr<BarClient>& held = history ? history_ : helper_;
  if (held) return held.get();
  if (!bus_.isConnected()) {
    *error = Error("no-server", QStringLiteral("The ZRForm server cannot be started: there is "
                                               "no session bus."));
    return nullptr;
  }
  const QString service = Q(history ? kHistoryBusName : kZRBarHelperBusName);
  auto client = std::make_unique<BarClient>(bus_);
  BarCallResult created =
      client->Create(service, Q(history ? kHistoryClassPath : kZRBarHelperClassPath),
                     QLatin1String(history ? kIHistory : kIZRBarHelper));
  if (created.status != BarCallResult::Status::kReplied) {
    *error = Error("no-server", "The ZRForm server cannot be started: " + created.message);
    return nullptr;
  }
  if (!history) {
    // Pages, addresses and field names go to the registered server only, and
    // to the owner that was checked, whatever happens to the name later.
    ServerCheck check = CheckServerOwner(bus_, service, kZRBarHelperClassId);
    if (!check.genuine) {
      client->Release();
      *error = Error("refused", Q(check.message));
      return nullptr;
    }
    client->Pin(check.owner);
  }
  held = std::move(client);
  return held.get();
}

HostSession::Answer HostSession::Call(bool history, const char* member,
                                      const QList<QVariant>& arguments, int outs) {
  Answer answer;
  const bool held = (history ? history_ : helper_) != nullptr;
  BarClient* client = Reach(history, &answer.error);
  if (!client) return answer;
  BarCallResult result = client->Call(QLatin1String(history ? kIHistory : kIZRBarHelper),
                                      QLatin1String(member), arguments);
  if (result.status == BarCallResult::Status::kUnreachable) {
    // The server went away; what it held for this host went with it.
    helper_.reset();
    history_.reset();
    if (held && NeverDelivered(result.message)) {
      // It was gone before this call: the call reached no one, so it is made
      // once more, of a server the bus starts afresh.
      return Call(history, member, arguments, outs);
    }
    std::fprintf(stderr, "zrform-browser: %s: %s\n", member, result.message.toLocal8Bit().data());
    answer.error = Error("failed", QLatin1String(kServerStopped));
    return answer;
  }
  if (result.status == BarCallResult::Status::kBusError) {
    answer.error = Error("failed", QLatin1String(member) + QStringLiteral(": ") + result.message);
    return answer;
  }
  const QList<QVariant>& values = result.arguments;
  if (values.size() != 1 + outs || values[0].userType() != QMetaType::Int) {
    answer.error =
        Error("failed", QLatin1String(member) + QStringLiteral(": the answer has the wrong form"));
    return answer;
  }
  answer.ok = true;
  answer.hr = values[0].toInt();
  answer.outs = values.mid(1);
  return answer;
}

QJsonObject HostSession::Ping() {
  bool server = false;
  if (bus_.isConnected()) {
    const QString name = Q(kZRBarHelperBusName);
    QDBusConnectionInterface* bus = bus_.interface();
    server = bus->isServiceRegistered(name).value() ||
             bus->activatableServiceNames().value().contains(name);
    // The bus reads new activation files lazily: a server registered since it
    // started is found by reaching it.
    QJsonObject ignored;
    if (!server) server = Reach(false, &ignored) != nullptr;
  }
  return {{QStringLiteral("ok"), true},
          {QStringLiteral("server"), server},
          {QStringLiteral("version"), QLatin1String(kHostVersion)}};
}

QJsonObject HostSession::WithPage(const HostRequest& request) {
  const QVariant hwnd = QVariant::fromValue(static_cast<qlonglong>(window_.Read()));
  SnapshotPage page(request.page);
  PageExporter exporter(bus_);
  Answer answer;
  std::unique_ptr<PageBrowser> browser = page.Browser();
  switch (request.op) {
    case HostOp::kFill:
      answer = Call(false, "FillInForm",
                    {hwnd, Path(exporter.ExportBrowser(*browser)), request.type,
                     request.force ? 1 : 0, request.automatic ? 1 : 0},
                    0);
      break;
    case HostOp::kRecord:
      answer = Call(false, "RecordPassword", {hwnd, Path(exporter.ExportBrowser(*browser))}, 1);
      break;
    default: {  // capture
      QString document = exporter.ExportDocument(page.Document());
      QString form = exporter.ExportForm(page.Form(request.form));
      answer = Call(false, "AutoRecord", {hwnd, Path(document), Path(form)}, 0);
      break;
    }
  }
  exporter.Clear();
  if (!answer.ok) return answer.error;
  QJsonObject reply = Ok(answer.hr);
  if (request.op == HostOp::kFill) {
    reply.insert(QStringLiteral("writes"), WritesToJson(page.snapshot(), page.TakeWrites()));
  } else if (request.op == HostOp::kRecord) {
    reply.insert(QStringLiteral("found"), answer.outs[0].toLongLong() != 0 ? 1 : 0);
  }
  return reply;
}

QJsonObject HostSession::History(const HostRequest& request) {
  if (request.op == HostOp::kHistoryAdd) {
    Answer added = Call(true, "AddItem", {Q(request.text), request.item_type}, 0);
    return added.ok ? Ok(added.hr) : added.error;
  }
  if (request.op == HostOp::kHistoryClear) {
    Answer cleared = Call(true, "ClearAll", {}, 0);
    return cleared.ok ? Ok(cleared.hr) : cleared.error;
  }
  Answer count = Call(true, "Count", {}, 1);
  if (!count.ok) return count.error;
  QJsonArray items;
  const int total = count.hr == 0 ? count.outs[0].toInt() : 0;
  for (int index = 1; index <= total; ++index) {
    Answer item = Call(true, "Item", {index}, 2);
    if (!item.ok) return item.error;
    if (item.hr != 0) return Ok(item.hr);
    items.append(item.outs[1].toString());
  }
  QJsonObject reply = Ok(count.hr);
  reply.insert(QStringLiteral("items"), items);
  return reply;
}

QJsonObject HostSession::Handle(const HostRequest& request) {
  const auto hwnd = [this] { return QVariant::fromValue(static_cast<qlonglong>(window_.Read())); };
  auto plain = [](const Answer& answer, const char* out = nullptr) {
    if (!answer.ok) return answer.error;
    QJsonObject reply = Ok(answer.hr);
    if (out) reply.insert(QLatin1String(out), answer.outs[0].toLongLong() != 0 ? 1 : 0);
    return reply;
  };
  switch (request.op) {
    case HostOp::kPing:
      return Ping();
    case HostOp::kFill:
    case HostOp::kRecord:
    case HostOp::kCapture:
      return WithPage(request);
    case HostOp::kAutoRecord:
      return plain(Call(false, "AutoRecordLogin", {}, 1), "value");
    case HostOp::kCount: {
      Answer choice = Call(false, "FindPasswordByURL", {Q(request.url)}, 1);
      if (!choice.ok) return choice.error;
      Answer count = Call(false, "CountLoginsByURL", {Q(request.url)}, 1);
      if (!count.ok) return count.error;
      QJsonObject reply = Ok(choice.hr);
      reply.insert(QLatin1String("choice"), choice.outs[0].toLongLong() != 0 ? 1 : 0);
      reply.insert(QLatin1String("count"), count.outs[0].toInt());
      return reply;
    }
    case HostOp::kLoginManager:
      return plain(Call(false, "PasswordManager", {hwnd()}, 0));
    case HostOp::kFormManager:
      return plain(Call(false, "FormManager", {hwnd()}, 0));
    case HostOp::kHistoryAdd:
    case HostOp::kHistoryList:
    case HostOp::kHistoryClear:
      return History(request);
    case HostOp::kTeach: {
      std::string error;
      std::string text = TeachFieldsText(request.work, request.field, request.name, &error);
      if (text.empty()) return Error("failed", Q(error));
      return plain(Call(false, "UpdateFormFields", {Q(text)}, 0));
    }
  }
  return Error("bad-message", QStringLiteral("not an operation of the host"));
}

}  // namespace zr
