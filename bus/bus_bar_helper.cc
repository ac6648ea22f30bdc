// The toolbar helper's bus methods: each turns its bus arguments into the
// object's own (remote page objects, code-page texts) and back.
#include "bus/bus_bar_helper.h"

#include <QDBusMessage>

#include "bus/bus_server.h"
#include "pages/remote_page.h"

namespace zr {

std::shared_ptr<RemotePageLink> BarHelperObject::CallerPage() {
  auto link = std::make_shared<RemotePageLink>(RemotePageLink{server_.connection(), {}});
  link->service = message().service();
  link->timeout_ms = kPageCallbackTimeoutMs;
  link->browser_snapshots = true;  // every call here reads the page it is given at once
  link->unanswered_writes = true;  // the call's own reply comes after the writes
  link->clock.start();             // the page's time budget runs from the call's start
  return link;
}

HResult BarHelperObject::AdmitPageSite(PageBrowser* browser) {
  std::unique_ptr<PageDocument> document = browser ? browser->Document() : nullptr;
  // Without a document nothing is filled.
  if (!document) return kS_FALSE;
  return server_.gate().AdmitSite(message(), document->Url());
}

int BarHelperObject::FillInForm(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int type,
                                int bForceFillIn, int bAutoFillIn) {
  if (HResult refused = server_.gate().Admit(message(), hWnd)) return refused;
  std::shared_ptr<RemotePageLink> link = CallerPage();
  std::unique_ptr<PageBrowser> browser = RemoteBrowser(link, pUnkWebBrowser.path());
  if (HResult refused = AdmitPageSite(browser.get()); refused != kS_OK) return refused;
  HResult hr =
      server_.bar_helper().FillInForm(hWnd, browser.get(), type, bForceFillIn, bAutoFillIn);
  // A page handed over whole gets the fill's values in one request.
  FlushRemoteWrites(*link);
  return hr;
}

int BarHelperObject::AutoRecord(qlonglong hWnd, const QDBusObjectPath& pUnkDocument,
                                const QDBusObjectPath& pUnkSrc) {
  if (HResult refused = server_.gate().Admit(message(), hWnd)) return refused;
  std::shared_ptr<RemotePageLink> link = CallerPage();
  std::unique_ptr<PageDocument> document = RemoteDocument(link, pUnkDocument.path());
  std::unique_ptr<PageForm> form = RemoteForm(link, pUnkSrc.path());
  return server_.bar_helper().AutoRecord(hWnd, document.get(), form.get());
}

int BarHelperObject::AutoRecordLogin(int& pVal) {
  long value = 0;
  HResult hr = server_.bar_helper().AutoRecordLogin(&value);
  pVal = static_cast<int>(value);
  return hr;
}

int BarHelperObject::RecordPassword(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser,
                                    int& pbRet) {
  pbRet = 0;
  if (HResult refused = server_.gate().Admit(message(), hWnd)) return refused;
  std::unique_ptr<PageBrowser> browser = RemoteBrowser(CallerPage(), pUnkWebBrowser.path());
  long found = 0;
  HResult hr = server_.bar_helper().RecordPassword(hWnd, browser.get(), &found);
  pbRet = static_cast<int>(found);
  return hr;
}

int BarHelperObject::PasswordManager(qlonglong hWnd) {
  if (HResult refused = server_.gate().Admit(message(), hWnd)) return refused;
  return server_.bar_helper().PasswordManager(hWnd);
}

int BarHelperObject::FormManager(qlonglong hWnd) {
  if (HResult refused = server_.gate().Admit(message(), hWnd)) return refused;
  return server_.bar_helper().FormManager(hWnd);
}

int BarHelperObject::UpdateFormFields(const QString& bstrVal) {
  // New field names decide which page fields get which profile values.
  if (HResult refused = server_.gate().Admit(message(), 0)) return refused;
  return server_.bar_helper().UpdateFormFields(bstrVal.toStdString());
}

int BarHelperObject::FindPasswordByURL(const QString& bstrURL, int& pbRetVal) {
  pbRetVal = 0;
  if (HResult refused = server_.gate().Admit(message(), 0)) return refused;
  if (HResult refused = server_.gate().AdmitSite(message(), bstrURL.toStdString())) {
    return refused;
  }
  long found = 0;
  HResult hr = server_.bar_helper().FindPasswordByURL(bstrURL.toStdString(), &found);
  pbRetVal = static_cast<int>(found);
  return hr;
}

int BarHelperObject::CountLoginsByURL(const QString& bstrURL, int& pnCount) {
  pnCount = 0;
  // Whether a site has logins is the user's to know: the same gates as a fill.
  if (HResult refused = server_.gate().Admit(message(), 0)) return refused;
  if (HResult refused = server_.gate().AdmitSite(message(), bstrURL.toStdString())) {
    return refused;
  }
  long count = 0;
  HResult hr = server_.bar_helper().CountLoginsByURL(bstrURL.toStdString(), &count);
  pnCount = static_cast<int>(count);
  return hr;
}

int BarHelperObject::ImportLogins(const QString& bstrFile, const QString& bstrFormat,
                                  int bUpdatePasswords, QString& pbstrSummary) {
  // Imported logins are filled into pages like captured ones.
  if (HResult refused = server_.gate().Admit(message(), 0)) return refused;
  std::string summary;
  HResult hr = server_.bar_helper().ImportLogins(bstrFile.toStdString(), bstrFormat.toStdString(),
                                                 bUpdatePasswords, &summary);
  pbstrSummary = QString::fromStdString(summary);
  return hr;
}

int BarHelperObject::ExportLogins(qlonglong hWnd, const QString& bstrFile,
                                  const QString& bstrFormat, QString& pbstrSummary) {
  if (HResult refused = server_.gate().Admit(message(), hWnd)) return refused;
  std::string summary;
  HResult hr = server_.bar_helper().ExportLogins(hWnd, bstrFile.toStdString(),
                                                 bstrFormat.toStdString(), &summary);
  pbstrSummary = QString::fromStdString(summary);
  return hr;
}

uint BarHelperObject::AddRef() {
  return server_.AddRef(message().service(), BusText(kZRBarHelperPath));
}

uint BarHelperObject::Release() {
  return server_.Release(message().service(), BusText(kZRBarHelperPath));
}

}  // namespace zr
