// HostSession: carries each decoded request to the server over the session
// bus (the bus starts the server when needed) and makes its reply. The
// server's objects are reached once and held until Release or destruction;
// a server that went away before a call was sent is reached afresh for that
// call (the bus starts a new one); one that died while it answered makes the
// call fail, and the next request reaches a new one. Pages go
// only to the registered server (the owner of its bus name is checked).
#ifndef ZRFORM_BROWSER_HOST_HOST_SESSION_H_
#define ZRFORM_BROWSER_HOST_HOST_SESSION_H_

#include <QDBusConnection>
#include <QJsonObject>
#include <memory>

#include "browser/host/active_window.h"
#include "browser/host/host_request.h"
#include "tools/zrbar_client.h"

namespace zr {

class HostSession {
 public:
  explicit HostSession(QDBusConnection bus);
  ~HostSession();  // releases what it holds
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // The reply to request, without its id: {"ok": true, "hr", ...} or an error.
  QJsonObject Handle(const HostRequest& request);

  // Gives back every reference held on the server.
  void Release();

 private:
  struct Answer;
  // The helper or the history object, reached when not held; null with
  // *error set when it cannot be had.
  BarClient* Reach(bool history, QJsonObject* error);
  Answer Call(bool history, const char* member, const QList<QVariant>& arguments, int outs);
  QJsonObject Ping();
  QJsonObject WithPage(const HostRequest& request);
  QJsonObject History(const HostRequest& request);

  QDBusConnection bus_;
  std::unique_ptr<BarClient> helper_;
  std::unique_ptr<BarClient> history_;
  ActiveWindow window_;
};

}  // namespace zr

#endif  // ZRFORM_BROWSER_HOST_HOST_SESSION_H_
