// Pieces of the remote page tests: the two bus connections of one process (the
// client exports, the server calls back), links, and a client that answers
// from a script: late, never, with errors or with malformed replies.
#ifndef ZRFORM_TESTS_PAGES_BUS_PAGE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_PAGES_BUS_PAGE_TEST_SUPPORT_H_

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "pages/remote_page.h"

namespace zr {

inline QDBusConnection ClientBus() { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client"); }
inline QDBusConnection ServerBus() { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "server"); }

// The server's link to the page objects of client.
inline std::shared_ptr<RemotePageLink> LinkTo(const QDBusConnection& client, int timeout_ms = 3000) {
  return std::make_shared<RemotePageLink>(RemotePageLink{
      .connection = ServerBus(), .service = client.baseService(), .timeout_ms = timeout_ms});
}

inline QVariant Path(const char* path) { return QVariant::fromValue(QDBusObjectPath(path)); }

// Answers each call to the objects under its prefix by its member: with the
// scripted error or values (UnknownMethod for a member without a script),
// after the member's delay (never when it is negative). after_reply runs
// once the reply is sent or scheduled, while the server still waits.
class ScriptedClient final : public QDBusVirtualObject {
 public:
  explicit ScriptedClient(QString prefix) : prefix_(std::move(prefix)) {
    registered_ = ClientBus().registerVirtualObject(prefix_, this, QDBusConnection::SubPath);
  }
  ~ScriptedClient() override {
    if (registered_) ClientBus().unregisterObject(prefix_);
  }
  bool registered() const { return registered_; }
  int calls = 0;
  std::map<QString, QVariantList> replies;
  std::map<QString, QDBusError::ErrorType> errors;
  std::map<QString, int> delay_ms;
  std::function<void()> after_reply;

  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    ++calls;
    const QString member = message.member();
    auto found = replies.find(member);
    QDBusMessage reply = found != replies.end() && !errors.count(member)
                             ? message.createReply(found->second)
                             : message.createErrorReply(errors.count(member) ? errors[member] : QDBusError::UnknownMethod, "scripted");
    int delay = delay_ms.count(member) ? delay_ms[member] : 0;
    if (delay == 0) connection.send(reply);
    if (delay > 0) QTimer::singleShot(delay, this, [reply, connection] { connection.send(reply); });
    if (std::function<void()> hook = after_reply) hook();  // a copy: hook may reset after_reply
    return true;
  }

 private:
  QString prefix_;
  bool registered_ = false;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_PAGES_BUS_PAGE_TEST_SUPPORT_H_
