// The bus calls of zrbar: activation, CreateInstance, member calls and Release.
#include "tools/zrbar_client.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <climits>

#include "server/hresult.h"
#include "tools/zrbar_output.h"

namespace zr {
namespace {

// A call may wait on a dialog of the server for as long as the user looks at
// it: INT_MAX asks the bus library for no timeout at all.
constexpr int kNoTimeout = INT_MAX;

constexpr char kClassFactory[] = "ZRForm.IClassFactory";
constexpr char kUnknown[] = "ZRForm.IUnknown";

// Bus errors that say the server is not there (or no longer there), rather
// than that it refused the call.
bool MeansUnreachable(const QString& name) {
  static const char* const kNames[] = {
      "org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
      "org.freedesktop.DBus.Error.NoReply",        "org.freedesktop.DBus.Error.Disconnected",
      "org.freedesktop.DBus.Error.Timeout",        "org.freedesktop.DBus.Error.TimedOut",
      "org.freedesktop.DBus.Error.NoServer",       "org.freedesktop.DBus.Error.NoNetwork",
  };
  for (const char* known : kNames) {
    if (name == QLatin1String(known)) return true;
  }
  return name.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

}  // namespace

BarClient::BarClient(QDBusConnection connection) : connection_(std::move(connection)) {}

BarClient::~BarClient() { Release(); }

BarCallResult BarClient::CallAt(const QString& path, const QString& interface,
                                const QString& member, const QList<QVariant>& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(service_, path, interface, member);
  message.setArguments(arguments);
  // Wait in an event loop, never in a blocking wait: the server calls back
  // into this connection's page objects before it answers.
  QDBusPendingCallWatcher watcher(connection_.asyncCall(message, kNoTimeout));
  if (!watcher.isFinished()) {
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    loop.exec();
  }
  QDBusMessage reply = watcher.reply();
  BarCallResult result;
  if (reply.type() == QDBusMessage::ReplyMessage) {
    result.arguments = reply.arguments();
    return result;
  }
  result.status = MeansUnreachable(reply.errorName()) ? BarCallResult::Status::kUnreachable
                                                      : BarCallResult::Status::kBusError;
  result.message = reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
  return result;
}

BarCallResult BarClient::Create(const QString& service, const QString& class_path,
                                const QString& interface_name) {
  Release();
  service_ = service;
  BarCallResult result =
      CallAt(class_path, QLatin1String(kClassFactory), QStringLiteral("CreateInstance"),
             {QVariant(false), QVariant(interface_name)});
  if (result.status != BarCallResult::Status::kReplied) {
    // Whatever went wrong, no instance can be had from this server.
    result.status = BarCallResult::Status::kUnreachable;
    return result;
  }
  const QList<QVariant>& reply = result.arguments;
  if (reply.size() != 2 || reply[0].userType() != QMetaType::Int ||
      reply[1].userType() != qMetaTypeId<QDBusObjectPath>()) {
    result.status = BarCallResult::Status::kUnreachable;
    result.message = QStringLiteral("CreateInstance gave an answer of the wrong form");
    return result;
  }
  int hr = reply[0].toInt();
  QString path = reply[1].value<QDBusObjectPath>().path();
  if (hr != kS_OK || path.isEmpty() || path == QLatin1String("/")) {
    result.status = BarCallResult::Status::kUnreachable;
    result.message = QStringLiteral("the server made no %1 object (CreateInstance gave %2)")
                         .arg(interface_name, QString::fromStdString(HResultName(hr)));
    return result;
  }
  path_ = path;
  return result;
}

BarCallResult BarClient::Call(const QString& interface, const QString& member,
                              const QList<QVariant>& arguments) {
  return CallAt(path_, interface, member, arguments);
}

void BarClient::Release() {
  if (path_.isEmpty()) return;
  QString path = path_;
  path_.clear();
  // A failure changes nothing: the server also gives back every reference of
  // a connection that leaves the bus.
  (void)CallAt(path, QLatin1String(kUnknown), QStringLiteral("Release"), {});
}

}  // namespace zr
