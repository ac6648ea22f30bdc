// BarHelperObject: the toolbar helper on the bus (ZRForm.IZRBarHelper and
// ZRForm.IUnknown). Page arguments are objects of the calling connection; the
// calls reach them through the remote page, calling back while this call runs.
// Members that give out or change logins and profiles first ask the caller
// gate, and answer E_ACCESSDENIED (touching nothing) when it refuses.
#ifndef ZRFORM_BUS_BUS_BAR_HELPER_H_
#define ZRFORM_BUS_BUS_BAR_HELPER_H_

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <memory>

#include "forms/page_forms.h"
#include "server/hresult.h"

namespace zr {

class BusServer;
struct RemotePageLink;

class BarHelperObject : public QObject, protected QDBusContext {
  Q_OBJECT

 public:
  BarHelperObject(BusServer& server, QObject* parent) : QObject(parent), server_(server) {}

 public slots:
  int FillInForm(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int type, int bForceFillIn,
                 int bAutoFillIn);
  int AutoRecord(qlonglong hWnd, const QDBusObjectPath& pUnkDocument,
                 const QDBusObjectPath& pUnkSrc);
  int AutoRecordLogin(int& pVal);
  int RecordPassword(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int& pbRet);
  int PasswordManager(qlonglong hWnd);
  int FormManager(qlonglong hWnd);
  int UpdateFormFields(const QString& bstrVal);
  int FindPasswordByURL(const QString& bstrURL, int& pbRetVal);
  int CountLoginsByURL(const QString& bstrURL, int& pnCount);
  int ImportLogins(const QString& bstrFile, const QString& bstrFormat, int bUpdatePasswords,
                   QString& pbstrSummary);
  int ExportLogins(qlonglong hWnd, const QString& bstrFile, const QString& bstrFormat,
                   QString& pbstrSummary);
  uint AddRef();
  uint Release();

 private:
  // The link to the calling client's page objects.
  std::shared_ptr<RemotePageLink> CallerPage();
  // The site bound for the page of a fill (one read of its address); S_FALSE
  // when the page has no document, as the fill itself would answer, so that
  // the client is not asked for it twice.
  HResult AdmitPageSite(PageBrowser* browser);

  BusServer& server_;
};

}  // namespace zr

#endif  // ZRFORM_BUS_BUS_BAR_HELPER_H_
