// Callbacks of a remote page: one blocking call that keeps the event loop
// running, and the rule that decides when the client is gone for good.
#include "pages/remote_page_call.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

namespace zr {
namespace {

RemoteInputReads g_input_reads = RemoteInputReads::kDescribeOnce;

// Errors after which the client cannot answer any later call either: no
// answer in time, or the client (or our own connection) left the bus.
bool MeansClientGone(const QString& error_name) {
  static const QDBusError::ErrorType kGone[] = {
      QDBusError::NoReply,      QDBusError::Timeout,        QDBusError::TimedOut,
      QDBusError::Disconnected, QDBusError::ServiceUnknown, QDBusError::NoServer,
  };
  for (QDBusError::ErrorType type : kGone) {
    if (error_name == QDBusError::errorString(type)) return true;
  }
  return error_name == QLatin1StringView("org.freedesktop.DBus.Error.NameHasNoOwner");
}

}  // namespace

std::optional<QVariantList> CallPage(RemotePageLink& link, const QString& path,
                                     const char* interface, const char* member,
                                     const char* reply_signature, const QVariantList& arguments) {
  if (link.dead) return std::nullopt;
  if (link.service.isEmpty() || link.callbacks >= kMaxCallbacksPerPage) {
    link.dead = true;  // no client to call, or no more calls for this page
    return std::nullopt;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(link.service, path, QLatin1String(interface),
                                                     QLatin1String(member));
  call.setArguments(arguments);
  call.setAutoStartService(false);  // a client is on the bus or gone, never started
  ++link.callbacks;
  // The first wait keeps serving events (BlockWithGui): other clients' calls,
  // windows, and the client's own page when it lives in this process. A call
  // served inside that wait waits for its own callbacks without serving more
  // (Block): nesting deeper would let a stream of calls bury the first one,
  // whose answer could then never be taken (each wait returns only after the
  // waits above it).
  static int waiting = 0;
  QDBus::CallMode mode = waiting == 0 ? QDBus::BlockWithGui : QDBus::Block;
  ++waiting;
  QDBusMessage reply = link.connection.call(call, mode, link.timeout_ms > 0 ? link.timeout_ms : -1);
  --waiting;
  if (reply.type() == QDBusMessage::ErrorMessage) {
    if (MeansClientGone(reply.errorName())) link.dead = true;
    return std::nullopt;
  }
  if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
  if (reply.signature() != QLatin1StringView(reply_signature)) return std::nullopt;
  return reply.arguments();
}

void SetRemoteInputReads(RemoteInputReads reads) { g_input_reads = reads; }

RemoteInputReads CurrentRemoteInputReads() { return g_input_reads; }

}  // namespace zr
