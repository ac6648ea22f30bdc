// The caller's process from the bus daemon, and the gate's two checks.
#include "bus/bus_caller_gate.h"

#include <QDBusArgument>
#include <QVariantMap>
#include <cstdio>

namespace zr {

namespace {

// Callers remembered at most; beyond it the cache starts again (a lookup
// costs one call to the bus daemon).
constexpr size_t kMaxRememberedCallers = 1024;

}  // namespace

long CallerGate::CallerPid(const QString& sender) {
  if (auto found = pids_.find(sender); found != pids_.end()) return found->second;
  QDBusMessage ask = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionCredentials"));
  ask << sender;
  // The daemon never calls back, so a blocking call cannot deadlock here.
  QDBusMessage reply = connection_.call(ask, QDBus::Block);
  long pid = 0;
  if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
    QVariantMap credentials = qdbus_cast<QVariantMap>(reply.arguments().at(0));
    bool ok = false;
    uint value = credentials.value(QStringLiteral("ProcessID")).toUInt(&ok);
    if (ok) pid = static_cast<long>(value);
  }
  if (pid == 0) return 0;  // not kept: the next call asks again
  if (pids_.size() >= kMaxRememberedCallers) pids_.clear();
  pids_[sender] = pid;
  return pid;
}

HResult CallerGate::Admit(const QDBusMessage& call, WindowId owner) {
  long pid = CallerPid(call.service());
  return trust_.Admit(pid, prompts_, owner) ? kS_OK : kE_ACCESSDENIED;
}

HResult CallerGate::AdmitSite(const QDBusMessage& call, std::string_view address) {
  if (sites_.Admit(call.service().toStdString(), SiteOfAddress(address),
                   SiteRateLimit::Clock::now())) {
    return kS_OK;
  }
  std::fprintf(stderr,
               "zrform: refused a call of %s: more than %d different sites asked for in a "
               "minute\n",
               qPrintable(call.service()), kMaxSitesPerMinute);
  return kE_ACCESSDENIED;
}

void CallerGate::Forget(const QString& client) {
  pids_.erase(client);
  sites_.Forget(client.toStdString());
}

}  // namespace zr
