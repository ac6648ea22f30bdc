// Callbacks of a remote page: one asynchronous call waited for in a local
// event loop with its own timer, the stack of such waits (calls served while
// another call waits run inside that wait), and the rules that decide when a
// page is dead: the client is gone, a budget ran out, or the page's call holds
// a call below it for too long.
#include "pages/remote_page_call.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <vector>

namespace zr {
namespace {

RemotePageReads g_page_reads = RemotePageReads::kSnapshot;

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

// One callback being waited for. Waits nest: a call served inside a wait
// makes callbacks of its own, whose waits must end before the one below can
// return, even when that one already has its answer.
struct Wait {
  RemotePageLink* link = nullptr;
  QEventLoop loop;
  QTimer timer;
  bool ended = false;  // answered, or out of time
  bool timed_out = false;
  QElapsedTimer held;  // since it ended, while waits above it go on
};

// The waits in progress, innermost last (the server has one thread).
std::vector<Wait*> g_waits;

// How long a callback of link may still take while it holds an ended wait
// below it; INT_MAX when it holds none.
qint64 HoldLeft(const RemotePageLink& link) {
  qint64 left = INT_MAX;
  for (const Wait* wait : g_waits) {
    if (wait->ended) left = std::min<qint64>(left, link.hold_ms - wait->held.elapsed());
  }
  return left;
}

void End(Wait& wait, bool timed_out) {
  if (wait.ended) return;
  wait.ended = true;
  wait.timed_out = timed_out;
  wait.held.start();
  wait.timer.stop();
  wait.loop.quit();  // takes effect once the waits above it have returned
  // Every wait above this one now holds it: each ends within its hold time.
  auto at = std::find(g_waits.begin(), g_waits.end(), &wait);
  for (auto above = at == g_waits.end() ? at : at + 1; above != g_waits.end(); ++above) {
    Wait& other = **above;
    if (other.ended) continue;
    int hold = std::max(0, other.link->hold_ms);
    if (other.timer.remainingTime() > hold) other.timer.start(hold);
  }
}

// A callback to the client's object at path, counted against the link's
// callbacks.
QDBusMessage CountedCall(RemotePageLink& link, const QString& path, const char* interface,
                         const char* member, const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(link.service, path, QLatin1String(interface),
                                                     QLatin1String(member));
  call.setArguments(arguments);
  call.setAutoStartService(false);  // a client is on the bus or gone, never started
  ++link.callbacks;
  return call;
}

}  // namespace

std::optional<QVariantList> CallPage(RemotePageLink& link, const QString& path,
                                     const char* interface, const char* member,
                                     const char* reply_signature, const QVariantList& arguments) {
  if (link.dead) return std::nullopt;
  if (!link.clock.isValid()) link.clock.start();
  // The time this callback may take: its timeout, what is left of the
  // page's budget, and what is left of its hold on an ended wait below.
  qint64 limit = link.timeout_ms > 0 ? link.timeout_ms : INT_MAX;
  limit = std::min<qint64>(limit, link.budget_ms - link.clock.elapsed());
  limit = std::min(limit, HoldLeft(link));
  if (link.service.isEmpty() || link.callbacks >= link.max_callbacks || limit <= 0 ||
      g_waits.size() >= static_cast<size_t>(kMaxNestedWaits)) {
    link.dead = true;  // no client to call, or no more calls for this page
    return std::nullopt;
  }
  QDBusMessage call = CountedCall(link, path, interface, member, arguments);

  // The bus library's own timeout only backs up the timer, which decides.
  QDBusPendingCall pending = link.connection.asyncCall(call, INT_MAX);
  Wait wait;
  wait.link = &link;
  QDBusPendingCallWatcher watcher(pending);
  QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &wait.loop,
                   [&wait] { End(wait, false); });
  wait.timer.setSingleShot(true);
  wait.timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&wait.timer, &QTimer::timeout, &wait.loop, [&wait] { End(wait, true); });
  wait.timer.start(static_cast<int>(limit));
  g_waits.push_back(&wait);
  if (!pending.isFinished()) {
    wait.loop.exec();
  }
  g_waits.pop_back();  // waits above this one have all returned
  if (!pending.isFinished()) {
    link.dead = true;  // no answer in time
    return std::nullopt;
  }
  QDBusMessage reply = pending.reply();
  if (reply.type() == QDBusMessage::ErrorMessage) {
    if (MeansClientGone(reply.errorName())) link.dead = true;
    return std::nullopt;
  }
  if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
  if (reply.signature() != QLatin1StringView(reply_signature)) return std::nullopt;
  return reply.arguments();
}

bool SendToPage(RemotePageLink& link, const QString& path, const char* interface,
                const char* member, const QVariantList& arguments) {
  if (link.dead) return false;
  if (!link.clock.isValid()) link.clock.start();
  if (link.service.isEmpty() || link.callbacks >= link.max_callbacks ||
      link.clock.elapsed() >= link.budget_ms) {
    link.dead = true;
    return false;
  }
  // The client's answer is not waited for; the bus library drops it when it comes.
  return link.connection.send(CountedCall(link, path, interface, member, arguments));
}

void SetRemotePageReads(RemotePageReads reads) { g_page_reads = reads; }

RemotePageReads CurrentRemotePageReads() { return g_page_reads; }

}  // namespace zr
