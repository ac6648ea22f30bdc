// CallerGate: who calls, seen from the bus. It asks the bus daemon for the
// process behind a call's sender (GetConnectionCredentials) and lets the
// server's trust rule and site bound decide whether the call may go on.
#ifndef ZRFORM_BUS_BUS_CALLER_GATE_H_
#define ZRFORM_BUS_BUS_CALLER_GATE_H_

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <map>
#include <string_view>

#include "forms/prompts.h"
#include "server/client_trust.h"
#include "server/hresult.h"
#include "server/site_rate_limit.h"

namespace zr {

class CallerGate {
 public:
  // connection and prompts must outlive the gate.
  CallerGate(QDBusConnection& connection, Prompts& prompts)
      : connection_(connection), prompts_(prompts) {}

  // kS_OK when the sender of call may have login and profile values (asking
  // the user in a window owned by owner when the program is unknown), else
  // kE_ACCESSDENIED. Nothing of the caller's page is touched before.
  HResult Admit(const QDBusMessage& call, WindowId owner);
  // kS_OK when the sender of call may ask about the site of address now
  // (kMaxSitesPerMinute different sites a minute), else kE_ACCESSDENIED,
  // said on standard error without the site.
  HResult AdmitSite(const QDBusMessage& call, std::string_view address);
  // Forgets a client (its unique name) that left the bus.
  void Forget(const QString& client);

 private:
  // The process id behind a unique name, or 0 when the bus cannot tell.
  long CallerPid(const QString& sender);

  QDBusConnection& connection_;
  Prompts& prompts_;
  ClientTrust trust_;
  SiteRateLimit sites_;
  // Unique names are never reused on a bus, so their processes can be kept.
  std::map<QString, long> pids_;
};

}  // namespace zr

#endif  // ZRFORM_BUS_BUS_CALLER_GATE_H_
