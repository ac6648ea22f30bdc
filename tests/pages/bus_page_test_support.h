// Pieces of the remote page tests: the two bus connections of one process (the
// client exports, the server calls back), links, and a client that never answers.
#ifndef ZRFORM_TESTS_PAGES_BUS_PAGE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_PAGES_BUS_PAGE_TEST_SUPPORT_H_

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <memory>

#include "pages/remote_page.h"

namespace zr {

inline QDBusConnection ClientBus() {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
}

inline QDBusConnection ServerBus() {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
}

// The server's link to the page objects of client.
inline std::shared_ptr<RemotePageLink> LinkTo(const QDBusConnection& client,
                                              int timeout_ms = 3000) {
  return std::make_shared<RemotePageLink>(RemotePageLink{
      .connection = ServerBus(), .service = client.baseService(), .timeout_ms = timeout_ms});
}

// Takes every call to the objects under its prefix and never answers.
class SilentClient final : public QDBusVirtualObject {
 public:
  SilentClient(QDBusConnection connection, QString prefix)
      : connection_(std::move(connection)), prefix_(std::move(prefix)) {
    registered_ = connection_.registerVirtualObject(prefix_, this, QDBusConnection::SubPath);
  }
  ~SilentClient() override {
    if (registered_) connection_.unregisterObject(prefix_);
  }
  bool registered() const { return registered_; }
  int calls() const { return calls_; }

  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage&, const QDBusConnection&) override {
    ++calls_;
    return true;
  }

 private:
  QDBusConnection connection_;
  QString prefix_;
  bool registered_ = false;
  int calls_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_PAGES_BUS_PAGE_TEST_SUPPORT_H_
