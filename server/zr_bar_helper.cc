// ZRBarHelper: argument checks and the hand-over of each call.
#include "server/zr_bar_helper.h"

#include "forms/capture.h"
#include "forms/fill_in.h"
#include "forms/master_password.h"
#include "server/guarded.h"
#include "server/login_transfer.h"
#include "store/login_export.h"

namespace zr {

namespace {

HResult ToHResult(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone:
      return kS_OK;
    case Outcome::kNothing:
      return kS_FALSE;
    case Outcome::kNotSaved:
      return kSTG_E_CANTSAVE;
  }
  return kE_FAIL;
}

}  // namespace

void ZRBarHelper::SetUp(const std::string& data_folder) { data_.Load(data_folder); }

HResult ZRBarHelper::FillInForm(WindowId hWnd, PageBrowser* pUnkWebBrowser, int type,
                                long bForceFillIn, long bAutoFillIn) {
  return Guarded([&] {
    return ToHResult(zr::FillInForm(data_, prompts_, hWnd, pUnkWebBrowser, type, bForceFillIn != 0,
                                    bAutoFillIn != 0));
  });
}

HResult ZRBarHelper::AutoRecord(WindowId hWnd, PageDocument* pUnkDocument, PageForm* pUnkSrc) {
  return Guarded(
      [&] { return ToHResult(zr::AutoRecord(data_, prompts_, hWnd, pUnkDocument, pUnkSrc)); });
}

HResult ZRBarHelper::AutoRecordLogin(long* pVal) const {
  if (!pVal) return kE_POINTER;
  *pVal = static_cast<long>(data_.auto_login_record);
  return kS_OK;
}

HResult ZRBarHelper::RecordPassword(WindowId hWnd, PageBrowser* pUnkWebBrowser, long* pbRet) {
  return Guarded(
      [&] { return ToHResult(zr::RecordPassword(data_, prompts_, hWnd, pUnkWebBrowser, pbRet)); });
}

HResult ZRBarHelper::PasswordManager(WindowId hWnd) {
  return Guarded([&] {
    if (VerifyMasterPassword(prompts_, hWnd, data_.logins)) {
      prompts_.ShowLoginManager(hWnd, data_.logins);
    }
    return kS_OK;
  });
}

HResult ZRBarHelper::FormManager(WindowId hWnd) {
  return Guarded([&] {
    prompts_.ShowFormManager(hWnd, data_.home, data_.work);
    return kS_OK;
  });
}

HResult ZRBarHelper::UpdateFormFields(std::string_view bstrVal) {
  return Guarded([&] { return ToHResult(zr::UpdateFormFields(data_, bstrVal)); });
}

HResult ZRBarHelper::FindPasswordByURL(std::string_view bstrURL, long* pbRetVal) {
  if (!pbRetVal) return kE_POINTER;
  return Guarded([&] {
    *pbRetVal = zr::FindPasswordByURL(data_.logins, bstrURL);
    return kS_OK;
  });
}

HResult ZRBarHelper::CountLoginsByURL(std::string_view bstrURL, long* pnCount) {
  if (!pnCount) return kE_POINTER;
  return Guarded([&] {
    *pnCount = zr::CountLoginsByURL(data_.logins, bstrURL);
    return kS_OK;
  });
}

HResult ZRBarHelper::ImportLogins(std::string_view bstrFile, std::string_view bstrFormat,
                                  long bUpdatePasswords, std::string* pbstrSummary) {
  if (!pbstrSummary) return kE_POINTER;
  return Guarded([&] {
    std::optional<CsvFormat> format;
    if (!bstrFormat.empty()) {
      format = ParseCsvFormatName(bstrFormat);
      if (!format) {
        *pbstrSummary = "Unknown format " + std::string(bstrFormat) + ": the formats are " +
                        CsvFormatNames() + ", or none to find it from the header.\n";
        return kE_INVALIDARG;
      }
    }
    return ToHResult(ImportLoginsFile(data_, std::string(bstrFile), format, bUpdatePasswords != 0,
                                      *pbstrSummary));
  });
}

HResult ZRBarHelper::ExportLogins(WindowId hWnd, std::string_view bstrFile,
                                  std::string_view bstrFormat, std::string* pbstrSummary) {
  if (!pbstrSummary) return kE_POINTER;
  return Guarded([&] {
    std::optional<CsvFormat> format =
        bstrFormat.empty() ? CsvFormat::kChromium : ParseCsvFormatName(bstrFormat);
    if (!format || !LoginExport::CanWrite(*format)) {
      *pbstrSummary = "Export writes the chromium or the bitwarden format, not " +
                      std::string(bstrFormat) + ".\n";
      return kE_INVALIDARG;
    }
    return ToHResult(
        ExportLoginsFile(data_, prompts_, hWnd, std::string(bstrFile), *format, *pbstrSummary));
  });
}

}  // namespace zr
