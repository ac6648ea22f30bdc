// A scripted stand-in for the server's bus objects, for testing zrbar's side of
// the protocol: it answers with set results, records every call, and reads and
// writes the caller's exported page by calling back, as the server does.
#ifndef ZRFORM_TESTS_TOOLS_ZRBAR_FAKE_SERVER_H_
#define ZRFORM_TESTS_TOOLS_ZRBAR_FAKE_SERVER_H_

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <memory>
#include <vector>

namespace zr {

struct FakeScript {
  int create_hr = 0;          // CreateInstance's result
  int hr = 0;                 // every member's result
  int out = 1;                // the number out value (pbRet, pVal, pbRetVal)
  QString text;               // GetCurFile's name
  QString fill_value;         // what FillInForm puts into the first input of the first form
  bool bus_error = false;     // members answer with a bus error instead
  QList<QPair<int, QString>> history;  // the list behind Count, Item and AddItem
};

// The parent of the adaptors at one path; it carries the call's context.
class FakeObject : public QObject, public QDBusContext {
  Q_OBJECT
};

class FakeServer {
 public:
  // Registers the objects and claims both bus names on the session bus.
  // Returns false when that fails.
  [[nodiscard]] bool Start();
  ~FakeServer();

  FakeScript script;
  QStringList calls;  // "Member arguments...", in the order the calls came

  // Answers a member call: the scripted bus error, else hr.
  int Answer(FakeObject& object, const QString& call);
  // A call back into the caller's page object at path; the reply's arguments,
  // empty when it failed.
  QList<QVariant> CallBack(FakeObject& object, const QString& path, const QString& interface,
                           const QString& member, const QList<QVariant>& arguments = {});
  // The page's address through the caller's document at path, or "(none)".
  QString DocumentUrl(FakeObject& object, const QString& document);

 private:
  std::vector<std::unique_ptr<FakeObject>> objects_;
  QStringList paths_;
  bool names_claimed_ = false;
};

class FakeClassFactory : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "ZRForm.IClassFactory")
 public:
  FakeClassFactory(FakeObject* parent, FakeServer* server, QString instance)
      : QDBusAbstractAdaptor(parent), server_(server), instance_(std::move(instance)) {}
 public slots:
  int CreateInstance(bool bOuter, const QString& riid, QDBusObjectPath& ppvObject);
 private:
  FakeServer* server_;
  QString instance_;
};

class FakeUnknown : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "ZRForm.IUnknown")
 public:
  FakeUnknown(FakeObject* parent, FakeServer* server)
      : QDBusAbstractAdaptor(parent), server_(server) {}
 public slots:
  uint Release();
 private:
  FakeServer* server_;
};

class FakeBarHelper : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "ZRForm.IZRBarHelper")
 public:
  FakeBarHelper(FakeObject* parent, FakeServer* server)
      : QDBusAbstractAdaptor(parent), object_(parent), server_(server) {}
 public slots:
  int FillInForm(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int type,
                 int bForceFillIn, int bAutoFillIn);
  int AutoRecord(qlonglong hWnd, const QDBusObjectPath& pUnkDocument,
                 const QDBusObjectPath& pUnkSrc);
  int AutoRecordLogin(int& pVal);
  int RecordPassword(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int& pbRet);
  int PasswordManager(qlonglong hWnd);
  int FormManager(qlonglong hWnd);
  int UpdateFormFields(const QString& bstrVal);
  int FindPasswordByURL(const QString& bstrURL, int& pbRetVal);
 private:
  QString BrowserUrl(const QDBusObjectPath& browser);
  FakeObject* object_;
  FakeServer* server_;
};

class FakeHistory : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "ZRForm.IHistory")
 public:
  FakeHistory(FakeObject* parent, FakeServer* server)
      : QDBusAbstractAdaptor(parent), object_(parent), server_(server) {}
 public slots:
  int AddItem(const QString& bstrString, int nType);
  int ClearAll();
  int Count(int& pVal);
  int Item(int nIndex, int& pnType, QString& pVal);
 private:
  FakeObject* object_;
  FakeServer* server_;
};

class FakePersistFile : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "ZRForm.IPersistFile")
 public:
  FakePersistFile(FakeObject* parent, FakeServer* server)
      : QDBusAbstractAdaptor(parent), object_(parent), server_(server) {}
 public slots:
  int Load(const QString& pszFileName, uint dwMode);
  int Save(const QString& pszFileName, bool fRemember);
  int GetCurFile(QString& ppszFileName);
 private:
  FakeObject* object_;
  FakeServer* server_;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_TOOLS_ZRBAR_FAKE_SERVER_H_
