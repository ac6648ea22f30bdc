// BusServer: the class objects, the objects on the bus, the bus names, and the
// references that each client connection holds.
#include "bus/bus_server.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <cstdio>

#include "bus/bus_bar_helper.h"
#include "bus/bus_class_object.h"
#include "bus/bus_history.h"
// Adaptors generated from resources/interfaces/*.xml.
#include "bar_helper_adaptor.h"
#include "bar_helper_unknown_adaptor.h"
#include "class_factory_adaptor.h"
#include "enumerator_enum_string_adaptor.h"
#include "enumerator_unknown_adaptor.h"
#include "history_adaptor.h"
#include "history_enum_string_adaptor.h"
#include "history_persist_file_adaptor.h"
#include "history_unknown_adaptor.h"

namespace zr {

namespace {

// The key under which LockServer(true) is counted for a client.
const std::string kLockServerKey = "LockServer";

// Registers object at path with its adaptors; false when the path is taken.
bool Register(QDBusConnection& connection, std::string_view path, QObject* object) {
  return connection.registerObject(BusText(path), object, QDBusConnection::ExportAdaptors);
}

// Claims name without queueing: false when another connection owns it.
bool Claim(QDBusConnection& connection, std::string_view name) {
  QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
      connection.interface()->registerService(BusText(name),
                                              QDBusConnectionInterface::DontQueueService,
                                              QDBusConnectionInterface::DontAllowReplacement);
  return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

}  // namespace

BusServer::BusServer(QDBusConnection connection, Prompts& prompts, ModuleLock& lock)
    : connection_(std::move(connection)),
      prompts_(prompts),
      lock_(lock),
      bar_helper_(prompts_),
      gate_(connection_, prompts_),
      watcher_(QString(), connection_, QDBusServiceWatcher::WatchForUnregistration) {
  connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &BusServer::ClientLeft);
  // Slots with an object path as an out value are found by the type's name,
  // which Qt 6 knows only once the type has been registered.
  qRegisterMetaType<QDBusObjectPath>("QDBusObjectPath");
}

BusServer::~BusServer() = default;

bool BusServer::Start(const std::string& data_folder) {
  // The class objects in table order, each building its singleton.
  bar_helper_.SetUp(data_folder);
  bar_helper_class_ = new ClassObject(*this, BusText(kZRBarHelperPath),
                                      {QStringLiteral("ZRForm.IZRBarHelper"),
                                       QStringLiteral("IZRBarHelper"), BusText(kIZRBarHelperIid)},
                                      kS_OK, this);
  history_.StartUp();
  history_class_ = new ClassObject(
      *this, BusText(kHistoryPath),
      {QStringLiteral("ZRForm.IHistory"), QStringLiteral("IHistory"), BusText(kIHistoryIid),
       QStringLiteral("ZRForm.IPersistFile"), QStringLiteral("IPersistFile"),
       QStringLiteral("{0000010B-0000-0000-C000-000000000046}"),
       QStringLiteral("ZRForm.IEnumString"), QStringLiteral("IEnumString"),
       QStringLiteral("{00000101-0000-0000-C000-000000000046}")},
      kS_OK, this);
  new IClassFactoryAdaptor(bar_helper_class_);
  new IClassFactoryAdaptor(history_class_);

  bar_helper_object_ = new BarHelperObject(*this, this);
  new IZRBarHelperAdaptor(bar_helper_object_);
  new BarHelperUnknownAdaptor(bar_helper_object_);
  history_object_ = new HistoryObject(*this, this);
  new IHistoryAdaptor(history_object_);
  new IPersistFileAdaptor(history_object_);
  new HistoryEnumStringAdaptor(history_object_);
  new HistoryUnknownAdaptor(history_object_);

  // Objects first, then the names: a client that sees a name finds its objects.
  bool registered = Register(connection_, kZRBarHelperPath, bar_helper_object_) &&
                    Register(connection_, kZRBarHelperClassPath, bar_helper_class_) &&
                    Register(connection_, kHistoryPath, history_object_) &&
                    Register(connection_, kHistoryClassPath, history_class_);
  if (!registered) {
    std::fprintf(stderr, "zrform: cannot put the objects on the bus\n");
    return false;
  }
  // Two activations racing: the one that loses the first name ends at once,
  // so the second name always goes to the same process.
  if (!Claim(connection_, kZRBarHelperBusName)) return false;
  names_claimed_ = true;
  if (!Claim(connection_, kHistoryBusName)) {
    std::fprintf(stderr, "zrform: the name %s is owned by another process\n",
                 kHistoryBusName.data());
  }
  return true;
}

void BusServer::Revoke() {
  if (names_claimed_) {
    connection_.interface()->unregisterService(BusText(kZRBarHelperBusName));
    connection_.interface()->unregisterService(BusText(kHistoryBusName));
  }
  for (std::string_view path :
       {kZRBarHelperClassPath, kZRBarHelperPath, kHistoryClassPath, kHistoryPath}) {
    connection_.unregisterObject(BusText(path));
  }
  for (const auto& [path, object] : enumerators_) {
    connection_.unregisterObject(QString::fromStdString(path));
  }
}

void BusServer::Terminate() {
  // Only the server that served writes the list: one that lost the race to
  // another never owned the file.
  if (names_claimed_ && !terminated_) (void)history_.ShutDown();
  terminated_ = true;
}

unsigned BusServer::AddRef(const QString& client, const QString& path) {
  std::string key = path.toStdString();
  bool new_client = !references_.HasClient(client.toStdString());
  unsigned total = references_.Add(client.toStdString(), key);
  long count = lock_.Lock();
  if (new_client) Watch(client);
  return enumerators_.count(key) ? total : static_cast<unsigned>(count);
}

unsigned BusServer::Release(const QString& client, const QString& path) {
  std::string key = path.toStdString();
  bool is_enumerator = enumerators_.count(key) != 0;
  if (!references_.Release(client.toStdString(), key)) {
    return is_enumerator ? references_.Total(key) : static_cast<unsigned>(lock_.count());
  }
  long count = lock_.Unlock();
  unsigned total = references_.Total(key);
  DropIfUnused(key);
  return is_enumerator ? total : static_cast<unsigned>(count);
}

void BusServer::LockServer(const QString& client, bool lock) {
  if (lock) {
    AddRef(client, QString::fromStdString(kLockServerKey));
  } else {
    Release(client, QString::fromStdString(kLockServerKey));
  }
}

QString BusServer::AddEnumerator(const QString& client,
                                 std::unique_ptr<HistoryEnumerator> enumerator) {
  QString path =
      BusText(kHistoryPath) + QStringLiteral("/Enum/") + QString::number(next_enumerator_++);
  auto* object = new EnumeratorObject(*this, path, std::move(enumerator), this);
  new EnumeratorEnumStringAdaptor(object);
  new EnumeratorUnknownAdaptor(object);
  connection_.registerObject(path, object, QDBusConnection::ExportAdaptors);
  enumerators_[path.toStdString()] = object;
  AddRef(client, path);
  return path;
}

void BusServer::Watch(const QString& client) {
  watcher_.addWatchedService(client);
  // A client that left before the watch began would never be reported.
  QDBusReply<bool> registered = connection_.interface()->isServiceRegistered(client);
  if (registered.isValid() && !registered.value()) ClientLeft(client);
}

void BusServer::ClientLeft(const QString& client) {
  watcher_.removeWatchedService(client);
  gate_.Forget(client);
  for (const auto& [object, count] : references_.ReleaseAll(client.toStdString())) {
    for (unsigned i = 0; i < count; ++i) lock_.Unlock();
    DropIfUnused(object);
  }
}

void BusServer::DropIfUnused(const std::string& path) {
  auto found = enumerators_.find(path);
  if (found == enumerators_.end() || references_.Total(path) != 0) return;
  connection_.unregisterObject(QString::fromStdString(path));
  found->second->deleteLater();
  enumerators_.erase(found);
}

}  // namespace zr
