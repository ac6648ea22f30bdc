// The toolbar helper's bus methods: each turns its bus arguments into the
// object's own (remote page objects, code-page texts) and back.
#include "bus/bus_bar_helper.h"

#include <QDBusMessage>

#include "pages/remote_page.h"
#include "bus/bus_server.h"

namespace zr {

std::shared_ptr<RemotePageLink> BarHelperObject::CallerPage() {
  auto link = std::make_shared<RemotePageLink>(RemotePageLink{server_.connection(), {}});
  link->service = message().service();
  link->timeout_ms = kPageCallbackTimeoutMs;
  link->clock.start();  // the page's time budget runs from the call's start
  return link;
}

int BarHelperObject::FillInForm(qlonglong hWnd, const QDBusObjectPath& pUnkWebBrowser, int type,
                                int bForceFillIn, int bAutoFillIn) {
  std::unique_ptr<PageBrowser> browser = RemoteBrowser(CallerPage(), pUnkWebBrowser.path());
  return server_.bar_helper().FillInForm(hWnd, browser.get(), type, bForceFillIn, bAutoFillIn);
}

int BarHelperObject::AutoRecord(qlonglong hWnd, const QDBusObjectPath& pUnkDocument,
                                const QDBusObjectPath& pUnkSrc) {
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
  std::unique_ptr<PageBrowser> browser = RemoteBrowser(CallerPage(), pUnkWebBrowser.path());
  long found = 0;
  HResult hr = server_.bar_helper().RecordPassword(hWnd, browser.get(), &found);
  pbRet = static_cast<int>(found);
  return hr;
}

int BarHelperObject::PasswordManager(qlonglong hWnd) {
  return server_.bar_helper().PasswordManager(hWnd);
}

int BarHelperObject::FormManager(qlonglong hWnd) { return server_.bar_helper().FormManager(hWnd); }

int BarHelperObject::UpdateFormFields(const QString& bstrVal) {
  return server_.bar_helper().UpdateFormFields(bstrVal.toStdString());
}

int BarHelperObject::FindPasswordByURL(const QString& bstrURL, int& pbRetVal) {
  long found = 0;
  HResult hr = server_.bar_helper().FindPasswordByURL(bstrURL.toStdString(), &found);
  pbRetVal = static_cast<int>(found);
  return hr;
}

uint BarHelperObject::AddRef() { return server_.AddRef(message().service(), BusText(kZRBarHelperPath)); }

uint BarHelperObject::Release() { return server_.Release(message().service(), BusText(kZRBarHelperPath)); }

}  // namespace zr
