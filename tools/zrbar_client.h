// zrbar's bus side: reaches a class object of the server (the bus starts the
// server when needed), creates its instance, calls members on it and releases
// it. Every call waits without a timeout in an event loop, so the connection
// keeps answering the server's calls back into the page this client exports.
#ifndef ZRFORM_TOOLS_ZRBAR_CLIENT_H_
#define ZRFORM_TOOLS_ZRBAR_CLIENT_H_

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariant>

namespace zr {

struct BarCallResult {
  enum class Status {
    kReplied,      // arguments holds the reply's arguments
    kUnreachable,  // no bus, no server, or the server went away without a reply
    kBusError,     // the server answered with a bus error
  };
  Status status = Status::kReplied;
  QList<QVariant> arguments;
  QString message;  // why, when not kReplied
};

class BarClient {
 public:
  // connection is the session bus; the page exporter must use the same one,
  // since the server calls back to the sender of each call.
  explicit BarClient(QDBusConnection connection);
  ~BarClient();  // releases the instance if it is still held
  BarClient(const BarClient&) = delete;
  BarClient& operator=(const BarClient&) = delete;

  // Calls CreateInstance(false, interface_name) on the class object at
  // class_path of bus name service. On failure (kUnreachable also when the
  // server answered but made no instance) returns the reason, else kReplied.
  BarCallResult Create(const QString& service, const QString& class_path,
                       const QString& interface_name);

  // Sends the later calls to service (the unique name of the owner that was
  // checked) instead of the bus name given to Create.
  void Pin(const QString& service) { service_ = service; }

  // Calls interface.member(arguments) on the instance made by Create.
  BarCallResult Call(const QString& interface, const QString& member,
                     const QList<QVariant>& arguments);

  // Gives the instance's reference back (IUnknown.Release); safe to repeat.
  void Release();

 private:
  BarCallResult CallAt(const QString& path, const QString& interface, const QString& member,
                       const QList<QVariant>& arguments);

  QDBusConnection connection_;
  QString service_;
  QString path_;  // empty until an instance is held
};

}  // namespace zr

#endif  // ZRFORM_TOOLS_ZRBAR_CLIENT_H_
