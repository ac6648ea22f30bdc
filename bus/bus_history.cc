// The history list's bus methods: texts are UTF-8 inside, Unicode on the bus.
#include "bus/bus_history.h"

#include <QDBusMessage>
#include <optional>
#include <string>
#include <vector>

#include "bus/bus_server.h"

namespace zr {

namespace {

// Next and Clone of the History itself and of an enumerator alike.
template <typename Enumeration>
int NextTexts(Enumeration& enumerator, uint celt, QStringList& rgelt, uint& pceltFetched) {
  std::vector<std::string> texts;
  unsigned long fetched = 0;
  HResult hr = enumerator.Next(celt, &texts, &fetched);
  rgelt.clear();
  for (const std::string& text : texts) rgelt.append(QString::fromStdString(text));
  pceltFetched = static_cast<uint>(fetched);
  return hr;
}

// Puts a clone of enumerator on the bus for client.
template <typename Enumeration>
int CloneOnBus(BusServer& server, const QString& client, const Enumeration& enumerator,
               QDBusObjectPath& ppenum) {
  ppenum = QDBusObjectPath(QStringLiteral("/"));
  std::unique_ptr<HistoryEnumerator> clone;
  HResult hr = enumerator.Clone(&clone);
  if (hr != kS_OK) return hr;
  ppenum = QDBusObjectPath(server.AddEnumerator(client, std::move(clone)));
  return kS_OK;
}

}  // namespace

int HistoryObject::AddItem(const QString& bstrString, int nType) {
  return server_.history().AddItem(bstrString.toStdString(), nType);
}

int HistoryObject::ClearAll() { return server_.history().ClearAll(); }

int HistoryObject::Count(int& pVal) {
  long count = 0;
  HResult hr = server_.history().Count(&count);
  pVal = static_cast<int>(count);
  return hr;
}

int HistoryObject::Item(int nIndex, int& pnType, QString& pVal) {
  long type = 0;
  std::string text;
  HResult hr = server_.history().Item(nIndex, &type, &text);
  pnType = static_cast<int>(type);
  pVal = QString::fromStdString(text);
  return hr;
}

int HistoryObject::GetClassID(QString& pClassID) {
  std::string id;
  HResult hr = server_.history().GetClassID(&id);
  pClassID = QString::fromStdString(id);
  return hr;
}

int HistoryObject::IsDirty() { return server_.history().IsDirty(); }

int HistoryObject::Load(const QString& pszFileName, uint dwMode) {
  return server_.history().Load(pszFileName.toStdString(), dwMode);
}

int HistoryObject::Save(const QString& pszFileName, bool fRemember) {
  std::string name = pszFileName.toStdString();
  std::optional<std::string_view> file;
  if (!name.empty()) file = name;
  return server_.history().Save(file, fRemember);
}

int HistoryObject::SaveCompleted(const QString& pszFileName) {
  return server_.history().SaveCompleted(pszFileName.toStdString());
}

int HistoryObject::GetCurFile(QString& ppszFileName) {
  std::string name;
  HResult hr = server_.history().GetCurFile(&name);
  ppszFileName = QString::fromStdString(name);
  return hr;
}

int HistoryObject::Next(uint celt, QStringList& rgelt, uint& pceltFetched) {
  return NextTexts(server_.history(), celt, rgelt, pceltFetched);
}

int HistoryObject::Skip(uint celt) { return server_.history().Skip(celt); }

int HistoryObject::Reset() { return server_.history().Reset(); }

int HistoryObject::Clone(QDBusObjectPath& ppenum) {
  return CloneOnBus(server_, message().service(), server_.history(), ppenum);
}

uint HistoryObject::AddRef() { return server_.AddRef(message().service(), BusText(kHistoryPath)); }

uint HistoryObject::Release() {
  return server_.Release(message().service(), BusText(kHistoryPath));
}

EnumeratorObject::EnumeratorObject(BusServer& server, QString path,
                                   std::unique_ptr<HistoryEnumerator> enumerator, QObject* parent)
    : QObject(parent),
      server_(server),
      path_(std::move(path)),
      enumerator_(std::move(enumerator)) {}

int EnumeratorObject::Next(uint celt, QStringList& rgelt, uint& pceltFetched) {
  return NextTexts(*enumerator_, celt, rgelt, pceltFetched);
}

int EnumeratorObject::Skip(uint celt) { return enumerator_->Skip(celt); }

int EnumeratorObject::Reset() { return enumerator_->Reset(); }

int EnumeratorObject::Clone(QDBusObjectPath& ppenum) {
  return CloneOnBus(server_, message().service(), *enumerator_, ppenum);
}

uint EnumeratorObject::AddRef() { return server_.AddRef(message().service(), path_); }

uint EnumeratorObject::Release() { return server_.Release(message().service(), path_); }

}  // namespace zr
