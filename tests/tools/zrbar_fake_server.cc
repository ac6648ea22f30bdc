// The scripted stand-in's objects: what each member records and answers, and
// the calls back into the caller's page.
#include "tests/tools/zrbar_fake_server.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace zr {
namespace {

constexpr int kE_FAIL = static_cast<int>(0x80004005u);
constexpr int kCallBackTimeoutMs = 5000;

QString Path(const QList<QVariant>& reply) {
  return reply.isEmpty() ? QStringLiteral("/") : reply[0].value<QDBusObjectPath>().path();
}

}  // namespace

bool FakeServer::Start() {
  // Qt 6.4 finds a slot's out-parameter type by its name, which only a
  // registered type has: without this, CreateInstance is an unknown method.
  qRegisterMetaType<QDBusObjectPath>();
  QDBusConnection bus = QDBusConnection::sessionBus();
  struct Layout {
    const char* class_path;
    const char* instance_path;
    bool history;
  };
  for (Layout layout : {Layout{"/ZRBarHelper/ClassObject", "/ZRBarHelper", false},
                        Layout{"/History/ClassObject", "/History", true}}) {
    auto factory = std::make_unique<FakeObject>();
    new FakeClassFactory(factory.get(), this, QLatin1String(layout.instance_path));
    auto instance = std::make_unique<FakeObject>();
    new FakeUnknown(instance.get(), this);
    if (layout.history) {
      new FakeHistory(instance.get(), this);
      new FakePersistFile(instance.get(), this);
    } else {
      new FakeBarHelper(instance.get(), this);
    }
    for (auto [path, object] : {std::pair{layout.class_path, factory.get()},
                                std::pair{layout.instance_path, instance.get()}}) {
      if (!bus.registerObject(QLatin1String(path), object, QDBusConnection::ExportAdaptors)) {
        return false;
      }
      paths_ << QLatin1String(path);
    }
    objects_.push_back(std::move(factory));
    objects_.push_back(std::move(instance));
  }
  names_claimed_ = true;
  return bus.registerService(QStringLiteral("ZRForm.ZRBarHelper")) &&
         bus.registerService(QStringLiteral("ZRForm.History"));
}

FakeServer::~FakeServer() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (names_claimed_) {
    bus.unregisterService(QStringLiteral("ZRForm.ZRBarHelper"));
    bus.unregisterService(QStringLiteral("ZRForm.History"));
  }
  for (const QString& path : paths_) bus.unregisterObject(path);
}

int FakeServer::Answer(FakeObject& object, const QString& call) {
  calls << call;
  if (script.bus_error) {
    object.sendErrorReply(QStringLiteral("org.example.Scripted"), QStringLiteral("scripted failure"));
  }
  return script.hr;
}

QList<QVariant> FakeServer::CallBack(FakeObject& object, const QString& path,
                                     const QString& interface, const QString& member,
                                     const QList<QVariant>& arguments) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(object.message().service(), path, interface, member);
  call.setArguments(arguments);
  QDBusMessage reply = object.connection().call(call, QDBus::Block, kCallBackTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    calls << QStringLiteral("callback failed: %1.%2 %3").arg(interface, member, reply.errorName());
    return {};
  }
  return reply.arguments();
}

QString FakeServer::DocumentUrl(FakeObject& object, const QString& document) {
  if (document == QLatin1String("/")) return QStringLiteral("(none)");
  QList<QVariant> url = CallBack(object, document, QStringLiteral("ZRForm.Page.Document"),
                                 QStringLiteral("Url"));
  return url.isEmpty() ? QStringLiteral("(none)") : url[0].toString();
}

int FakeClassFactory::CreateInstance(bool bOuter, const QString& riid, QDBusObjectPath& ppvObject) {
  server_->calls << QStringLiteral("CreateInstance %1 outer=%2").arg(riid).arg(bOuter);
  ppvObject = QDBusObjectPath(server_->script.create_hr == 0 ? instance_ : QStringLiteral("/"));
  return server_->script.create_hr;
}

uint FakeUnknown::Release() {
  server_->calls << QStringLiteral("Release");
  return 0;
}

QString FakeBarHelper::BrowserUrl(const QDBusObjectPath& browser) {
  if (browser.path() == QLatin1String("/")) return QStringLiteral("(none)");
  QList<QVariant> document = server_->CallBack(*object_, browser.path(),
                                               QStringLiteral("ZRForm.Page.Browser"),
                                               QStringLiteral("Document"));
  return server_->DocumentUrl(*object_, Path(document));
}

int FakeBarHelper::FillInForm(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int type,
                              int bForceFillIn, int bAutoFillIn) {
  QString url = BrowserUrl(pUnkWebBrowser);
  if (!server_->script.fill_value.isEmpty() && pUnkWebBrowser.path() != QLatin1String("/")) {
    // The first input of the first form, reached the way the server walks a page.
    const QString collection = QStringLiteral("ZRForm.Page.Collection");
    QString document = Path(server_->CallBack(*object_, pUnkWebBrowser.path(),
                                              QStringLiteral("ZRForm.Page.Browser"),
                                              QStringLiteral("Document")));
    QString forms = Path(server_->CallBack(*object_, document, QStringLiteral("ZRForm.Page.Document"),
                                           QStringLiteral("Forms")));
    QString form = Path(server_->CallBack(*object_, forms, collection, QStringLiteral("Item"), {0}));
    QString inputs = Path(server_->CallBack(*object_, form, QStringLiteral("ZRForm.Page.Form"),
                                            QStringLiteral("Tags"), {QStringLiteral("INPUT")}));
    QString input = Path(server_->CallBack(*object_, inputs, collection, QStringLiteral("Item"), {0}));
    server_->CallBack(*object_, input, QStringLiteral("ZRForm.Page.Input"),
                      QStringLiteral("PutValue"), {server_->script.fill_value});
  }
  return server_->Answer(*object_, QStringLiteral("FillInForm hwnd=%1 type=%2 force=%3 auto=%4 url=%5")
                                       .arg(hWnd).arg(type).arg(bForceFillIn).arg(bAutoFillIn).arg(url));
}

int FakeBarHelper::AutoRecord(qlonglong hWnd, const QDBusObjectPath& pUnkDocument,
                              const QDBusObjectPath& pUnkSrc) {
  QString form = QStringLiteral("(none)");
  if (pUnkSrc.path() != QLatin1String("/")) {
    QList<QVariant> name = server_->CallBack(*object_, pUnkSrc.path(),
                                             QStringLiteral("ZRForm.Page.Form"), QStringLiteral("Name"));
    if (!name.isEmpty()) form = name[0].toString();
  }
  return server_->Answer(*object_, QStringLiteral("AutoRecord hwnd=%1 url=%2 form=%3")
                                       .arg(hWnd)
                                       .arg(server_->DocumentUrl(*object_, pUnkDocument.path()), form));
}

int FakeBarHelper::AutoRecordLogin(int& pVal) {
  pVal = server_->script.out;
  return server_->Answer(*object_, QStringLiteral("AutoRecordLogin"));
}

int FakeBarHelper::RecordPassword(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int& pbRet) {
  pbRet = server_->script.out;
  QString url = BrowserUrl(pUnkWebBrowser);
  return server_->Answer(*object_, QStringLiteral("RecordPassword hwnd=%1 url=%2").arg(hWnd).arg(url));
}

int FakeBarHelper::PasswordManager(qlonglong hWnd) {
  return server_->Answer(*object_, QStringLiteral("PasswordManager hwnd=%1").arg(hWnd));
}

int FakeBarHelper::FormManager(qlonglong hWnd) {
  return server_->Answer(*object_, QStringLiteral("FormManager hwnd=%1").arg(hWnd));
}

int FakeBarHelper::UpdateFormFields(const QString& bstrVal) {
  return server_->Answer(*object_, QStringLiteral("UpdateFormFields ") + bstrVal);
}

int FakeBarHelper::FindPasswordByURL(const QString& bstrURL, int& pbRetVal) {
  pbRetVal = server_->script.out;
  return server_->Answer(*object_, QStringLiteral("FindPasswordByURL ") + bstrURL);
}

int FakeHistory::AddItem(const QString& bstrString, int nType) {
  server_->script.history.append({nType, bstrString});
  return server_->Answer(*object_, QStringLiteral("AddItem %1 %2").arg(bstrString).arg(nType));
}

int FakeHistory::ClearAll() {
  server_->script.history.clear();
  return server_->Answer(*object_, QStringLiteral("ClearAll"));
}

int FakeHistory::Count(int& pVal) {
  pVal = static_cast<int>(server_->script.history.size());
  return server_->Answer(*object_, QStringLiteral("Count"));
}

int FakeHistory::Item(int nIndex, int& pnType, QString& pVal) {
  int hr = server_->Answer(*object_, QStringLiteral("Item %1").arg(nIndex));
  if (nIndex < 1 || nIndex > server_->script.history.size()) return kE_FAIL;
  pnType = server_->script.history[nIndex - 1].first;
  pVal = server_->script.history[nIndex - 1].second;
  return hr;
}

int FakePersistFile::Load(const QString& pszFileName, uint dwMode) {
  return server_->Answer(*object_, QStringLiteral("Load %1 %2").arg(pszFileName).arg(dwMode));
}

int FakePersistFile::Save(const QString& pszFileName, bool fRemember) {
  return server_->Answer(*object_, QStringLiteral("Save '%1' %2").arg(pszFileName).arg(fRemember));
}

int FakePersistFile::GetCurFile(QString& ppszFileName) {
  ppszFileName = server_->script.text;
  return server_->Answer(*object_, QStringLiteral("GetCurFile"));
}

}  // namespace zr
