// The class objects: CreateInstance and LockServer.
#include "bus/bus_class_object.h"

#include <QDBusMessage>

#include "bus/bus_server.h"

namespace zr {

namespace {

// The interfaces every object answers: IUnknown and IDispatch, by name or GUID.
const QStringList kBaseInterfaces = {QString(),
                                     QStringLiteral("IUnknown"),
                                     QStringLiteral("ZRForm.IUnknown"),
                                     QStringLiteral("{00000000-0000-0000-C000-000000000046}"),
                                     QStringLiteral("IDispatch"),
                                     QStringLiteral("{00020400-0000-0000-C000-000000000046}")};

}  // namespace

ClassObject::ClassObject(BusServer& server, QString instance_path, QStringList interfaces,
                         HResult startup, QObject* parent)
    : QObject(parent),
      server_(server),
      instance_path_(std::move(instance_path)),
      interfaces_(std::move(interfaces)),
      startup_(startup) {}

bool ClassObject::Answers(const QString& riid) const {
  return kBaseInterfaces.contains(riid, Qt::CaseInsensitive) ||
         interfaces_.contains(riid, Qt::CaseInsensitive);
}

int ClassObject::CreateInstance(bool bOuter, const QString& riid, QDBusObjectPath& ppvObject) {
  ppvObject = QDBusObjectPath(QStringLiteral("/"));
  if (bOuter) return kCLASS_E_NOAGGREGATION;
  if (startup_ != kS_OK) return startup_;
  if (!Answers(riid)) return kE_NOINTERFACE;
  server_.AddRef(message().service(), instance_path_);
  ppvObject = QDBusObjectPath(instance_path_);
  return kS_OK;
}

int ClassObject::LockServer(bool fLock) {
  server_.LockServer(message().service(), fLock);
  return kS_OK;
}

}  // namespace zr
