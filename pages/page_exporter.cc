// PageExporter: one virtual bus object registered under the prefix answers
// the calls to every exported page object, found by the number at the end of
// its path in a table. Objects are never made for elements the server does
// not fetch, so a page of any size costs only what the server reads.
#include "pages/page_exporter.h"

#include <QDBusError>
#include <QDBusVirtualObject>
#include <new>
#include <vector>

#include "pages/page_exporter_objects.h"

namespace zr {

class PageExporter::Tree final : public QDBusVirtualObject, public ExportTable {
 public:
  Tree(QDBusConnection connection, QString prefix)
      : connection_(std::move(connection)),
        prefix_(std::move(prefix)),
        base_(prefix_ == QLatin1StringView("/") ? prefix_ : prefix_ + QLatin1Char('/')) {}

  ~Tree() override {
    if (registered_) connection_.unregisterObject(prefix_);
  }

  // Registers the tree under the prefix once; false when the prefix cannot
  // be had (already taken, not a valid path, no connection).
  bool Register() {
    if (!registered_) {
      registered_ = connection_.registerVirtualObject(prefix_, this, QDBusConnection::SubPath);
    }
    return registered_;
  }

  QString PathOf(std::unique_ptr<ExportedObject> object) {
    if (!object || !Register()) return QStringLiteral("/");
    return Add(std::move(object)).path();
  }

  QDBusObjectPath Add(std::unique_ptr<ExportedObject> object) override {
    if (!object) return QDBusObjectPath(QStringLiteral("/"));
    objects_.push_back(std::move(object));
    quint64 id = first_id_ + objects_.size() - 1;
    return QDBusObjectPath(base_ + QString::number(id));
  }

  void Clear() {
    first_id_ += objects_.size();  // a dropped path never names a later object
    if (depth_ > 0) {
      // A page call is running on one of them: drop them when it returns.
      for (auto& object : objects_) dropped_.push_back(std::move(object));
    }
    objects_.clear();
  }

  long calls_answered() const { return calls_answered_; }

  QString introspect(const QString& path) const override {
    ExportedObject* object = Find(path);
    return object ? object->Introspect() : QString();
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    // Introspection is answered by the bus library from introspect().
    if (message.interface() == QLatin1StringView("org.freedesktop.DBus.Introspectable")) {
      return false;
    }
    QDBusMessage reply = Answer(message);
    ++calls_answered_;
    if (message.isReplyRequired()) connection.send(reply);
    return true;
  }

 private:
  // The object at path, or null when there is none (never made, or cleared).
  ExportedObject* Find(const QString& path) const {
    if (!path.startsWith(base_)) return nullptr;
    QStringView digits = QStringView(path).mid(base_.size());
    if (digits.isEmpty() || digits.front() == QLatin1Char('0')) return nullptr;
    for (QChar c : digits) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return nullptr;
    }
    bool ok = false;
    quint64 id = digits.toULongLong(&ok);
    if (!ok || id < first_id_ || id - first_id_ >= objects_.size()) return nullptr;
    return objects_[id - first_id_].get();
  }

  // Nothing the page throws leaves this object: it becomes an error reply.
  QDBusMessage Answer(const QDBusMessage& message) {
    ExportedObject* object = Find(message.path());
    if (!object) {
      return message.createErrorReply(QDBusError::UnknownObject,
                                      QStringLiteral("No page object at %1").arg(message.path()));
    }
    ++depth_;
    QDBusMessage reply;
    try {
      reply = object->Answer(message, *this);
    } catch (const std::bad_alloc&) {
      reply = message.createErrorReply(QDBusError::NoMemory, QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
      reply = message.createErrorReply(QDBusError::Failed, QString::fromUtf8(error.what()));
    }
    if (--depth_ == 0) dropped_.clear();
    return reply;
  }

  QDBusConnection connection_;
  const QString prefix_;
  const QString base_;  // the prefix with its trailing "/"
  bool registered_ = false;
  quint64 first_id_ = 1;  // the number in the path of objects_[0]
  std::vector<std::unique_ptr<ExportedObject>> objects_;
  std::vector<std::unique_ptr<ExportedObject>> dropped_;
  int depth_ = 0;  // calls being answered (a page may run an event loop)
  long calls_answered_ = 0;
};

PageExporter::PageExporter(QDBusConnection connection, QString prefix)
    : tree_(std::make_unique<Tree>(std::move(connection), std::move(prefix))) {}

PageExporter::~PageExporter() = default;

QString PageExporter::ExportBrowser(PageBrowser& browser) {
  return tree_->PathOf(ExportPageObject(browser));
}

QString PageExporter::ExportDocument(std::unique_ptr<PageDocument> document) {
  return tree_->PathOf(ExportPageObject(std::move(document)));
}

QString PageExporter::ExportForm(std::unique_ptr<PageForm> form) {
  return tree_->PathOf(ExportPageObject(std::move(form)));
}

void PageExporter::Clear() { tree_->Clear(); }

long PageExporter::calls_answered() const { return tree_->calls_answered(); }

}  // namespace zr
