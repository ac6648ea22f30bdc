// ZRBarHelper: the toolbar helper object. It owns the one in-memory copy of
// every data file and answers the toolbar's calls; each method checks its
// arguments, picks the data set and hands the work to the forms engine.
// Methods return the object's HRESULTs; a failed allocation gives E_OUTOFMEMORY.
#ifndef ZRFORM_SERVER_ZR_BAR_HELPER_H_
#define ZRFORM_SERVER_ZR_BAR_HELPER_H_

#include <string>
#include <string_view>

#include "forms/page_forms.h"
#include "forms/prompts.h"
#include "server/hresult.h"
#include "store/data_set.h"

namespace zr {

class ZRBarHelper {
 public:
  // prompts must outlive the object.
  explicit ZRBarHelper(Prompts& prompts) : prompts_(prompts) {}

  // Loads the data folder's files and the AutoLoginRecord setting. Always succeeds.
  void SetUp(const std::string& data_folder);

  HResult FillInForm(WindowId hWnd, PageBrowser* pUnkWebBrowser, int type, long bForceFillIn,
                     long bAutoFillIn);
  HResult AutoRecord(WindowId hWnd, PageDocument* pUnkDocument, PageForm* pUnkSrc);
  HResult AutoRecordLogin(long* pVal) const;
  HResult RecordPassword(WindowId hWnd, PageBrowser* pUnkWebBrowser, long* pbRet);
  HResult PasswordManager(WindowId hWnd);
  HResult FormManager(WindowId hWnd);
  HResult UpdateFormFields(std::string_view bstrVal);
  HResult FindPasswordByURL(std::string_view bstrURL, long* pbRetVal);
  // How many stored logins fit the page at bstrURL (the browser's badge).
  HResult CountLoginsByURL(std::string_view bstrURL, long* pnCount);
  // Imports the CSV file bstrFile (an absolute path) in bstrFormat (empty:
  // found from the header); stored logins with another password are updated
  // only with bUpdatePasswords. S_FALSE when nothing could be imported,
  // E_INVALIDARG for an unknown format, STG_E_CANTSAVE when the save failed.
  // *pbstrSummary (UTF-8) says what happened in every case.
  HResult ImportLogins(std::string_view bstrFile, std::string_view bstrFormat,
                       long bUpdatePasswords, std::string* pbstrSummary);
  // Exports the stored logins to bstrFile in bstrFormat (empty: chromium)
  // after asking for the master password in a window owned by hWnd. S_FALSE
  // when it was not given or the file cannot be written to, E_INVALIDARG for
  // a format that is not written, STG_E_CANTSAVE when the write failed.
  HResult ExportLogins(WindowId hWnd, std::string_view bstrFile, std::string_view bstrFormat,
                       std::string* pbstrSummary);

  DataSet& data() { return data_; }

 private:
  Prompts& prompts_;
  DataSet data_;
};

}  // namespace zr

#endif  // ZRFORM_SERVER_ZR_BAR_HELPER_H_
