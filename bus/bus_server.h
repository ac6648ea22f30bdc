// BusServer: puts the two singletons on the session bus. It builds the class
// objects in table order (ZRBarHelper, then History, each running its start-up
// work), registers the objects, claims the bus names in that order, and keeps
// the references that each client connection holds, giving them all back when
// the client leaves the bus.
#ifndef ZRFORM_BUS_BUS_SERVER_H_
#define ZRFORM_BUS_BUS_SERVER_H_

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <string_view>

#include "bus/bus_caller_gate.h"
#include "forms/prompts.h"
#include "resources/class_ids.h"
#include "server/history.h"
#include "server/module_lock.h"
#include "server/reference_table.h"
#include "server/zr_bar_helper.h"

namespace zr {

class BarHelperObject;
class ClassObject;
class EnumeratorObject;
class HistoryObject;

// A fixed ASCII text (bus names, paths, ids) as a QString.
inline QString BusText(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// How long the server waits for one page callback before it counts as failed.
inline constexpr int kPageCallbackTimeoutMs = 3000;

class BusServer : public QObject {
  Q_OBJECT

 public:
  // prompts and lock must outlive the server.
  BusServer(QDBusConnection connection, Prompts& prompts, ModuleLock& lock);
  ~BusServer() override;

  // Builds the singletons (loading the data folder's files), registers the
  // objects and claims the bus names in table order. False when the first
  // name is owned by another process: that server serves, this one must end
  // without saving anything.
  bool Start(const std::string& data_folder);
  // Gives the bus names up and takes the objects off the bus.
  void Revoke();
  // Ends the singletons; the History saves its list.
  void Terminate();

  // References of a client (its unique bus name) on the object at path. Each
  // is one module lock. AddRef returns the new count (the module lock count
  // for the singletons, the object's own count for an enumerator); Release
  // without a reference of the caller's own changes nothing.
  unsigned AddRef(const QString& client, const QString& path);
  unsigned Release(const QString& client, const QString& path);
  // LockServer(true/false) of a class object, counted per client like a reference.
  void LockServer(const QString& client, bool lock);
  // Puts a new enumerator on the bus with one reference of client; its path.
  QString AddEnumerator(const QString& client, std::unique_ptr<HistoryEnumerator> enumerator);

  QDBusConnection& connection() { return connection_; }
  ZRBarHelper& bar_helper() { return bar_helper_; }
  History& history() { return history_; }
  // Who may have login and profile values, and how many sites a client may ask about.
  CallerGate& gate() { return gate_; }
  long lock_count() const { return lock_.count(); }

 private slots:
  void ClientLeft(const QString& client);

 private:
  // Starts watching client the first time it takes a reference.
  void Watch(const QString& client);
  // Drops an enumerator that no client refers to any more.
  void DropIfUnused(const std::string& path);

  QDBusConnection connection_;
  Prompts& prompts_;
  ModuleLock& lock_;
  ZRBarHelper bar_helper_;
  History history_;
  CallerGate gate_;
  ReferenceTable references_;
  QDBusServiceWatcher watcher_;
  // The objects on the bus (parented to this).
  BarHelperObject* bar_helper_object_ = nullptr;
  HistoryObject* history_object_ = nullptr;
  ClassObject* bar_helper_class_ = nullptr;
  ClassObject* history_class_ = nullptr;
  std::map<std::string, EnumeratorObject*> enumerators_;
  long next_enumerator_ = 1;
  bool names_claimed_ = false;
  bool terminated_ = false;
};

}  // namespace zr

#endif  // ZRFORM_BUS_BUS_SERVER_H_
