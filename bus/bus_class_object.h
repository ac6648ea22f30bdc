// ClassObject: the class object behind a bus name (ZRForm.IClassFactory). It
// hands every client the class's one instance, with one reference of that client.
#ifndef ZRFORM_BUS_BUS_CLASS_OBJECT_H_
#define ZRFORM_BUS_BUS_CLASS_OBJECT_H_

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>

#include "server/hresult.h"

namespace zr {

class BusServer;

class ClassObject : public QObject, protected QDBusContext {
  Q_OBJECT

 public:
  // instance_path: the singleton's path; interfaces: the interface names and
  // GUIDs it answers besides IUnknown and IDispatch; startup: the result of
  // the singleton's start-up work, returned to every CreateInstance when it failed.
  ClassObject(BusServer& server, QString instance_path, QStringList interfaces, HResult startup,
              QObject* parent);

 public slots:
  int CreateInstance(bool bOuter, const QString& riid, QDBusObjectPath& ppvObject);
  int LockServer(bool fLock);

 private:
  bool Answers(const QString& riid) const;

  BusServer& server_;
  QString instance_path_;
  QStringList interfaces_;
  HResult startup_;
};

}  // namespace zr

#endif  // ZRFORM_BUS_BUS_CLASS_OBJECT_H_
