// The history list on the bus: HistoryObject (ZRForm.IHistory,
// ZRForm.IPersistFile, ZRForm.IEnumString and ZRForm.IUnknown on one object)
// and EnumeratorObject, an enumerator that Clone put on the bus.
#ifndef ZRFORM_BUS_BUS_HISTORY_H_
#define ZRFORM_BUS_BUS_HISTORY_H_

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <memory>

#include "server/history_enumerator.h"

namespace zr {

class BusServer;

class HistoryObject : public QObject, protected QDBusContext {
  Q_OBJECT

 public:
  HistoryObject(BusServer& server, QObject* parent) : QObject(parent), server_(server) {}

 public slots:
  // IHistory
  int AddItem(const QString& bstrString, int nType);
  int ClearAll();
  int Count(int& pVal);
  int Item(int nIndex, int& pnType, QString& pVal);
  // IPersistFile; an empty pszFileName in Save stands for no name.
  int GetClassID(QString& pClassID);
  int IsDirty();
  int Load(const QString& pszFileName, uint dwMode);
  int Save(const QString& pszFileName, bool fRemember);
  int SaveCompleted(const QString& pszFileName);
  int GetCurFile(QString& ppszFileName);
  // IEnumString at the object's own position
  int Next(uint celt, QStringList& rgelt, uint& pceltFetched);
  int Skip(uint celt);
  int Reset();
  int Clone(QDBusObjectPath& ppenum);
  // IUnknown
  uint AddRef();
  uint Release();

 private:
  BusServer& server_;
};

class EnumeratorObject : public QObject, protected QDBusContext {
  Q_OBJECT

 public:
  EnumeratorObject(BusServer& server, QString path, std::unique_ptr<HistoryEnumerator> enumerator,
                   QObject* parent);

 public slots:
  int Next(uint celt, QStringList& rgelt, uint& pceltFetched);
  int Skip(uint celt);
  int Reset();
  int Clone(QDBusObjectPath& ppenum);
  uint AddRef();
  uint Release();

 private:
  BusServer& server_;
  QString path_;
  std::unique_ptr<HistoryEnumerator> enumerator_;
};

}  // namespace zr

#endif  // ZRFORM_BUS_BUS_HISTORY_H_
