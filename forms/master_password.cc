// The master-password gate and the fill-in check.
#include "forms/master_password.h"

#include "resources/string_table.h"
#include "store/login_store.h"

namespace zr {

bool VerifyMasterPassword(Prompts& prompts, WindowId owner, LoginStore& store) {
  if (store.master_password().empty()) {
    std::optional<std::string> entry = prompts.SetUpMasterPassword(owner, "");
    if (!entry) {
      prompts.ShowMessage(owner, LoadString(kIdsNoMasterPassword), kWarningCaption,
                          MessageIcon::kExclamation, MessageButtons::kOk);
      return true;
    }
    store.set_master_password_text(*entry);
    return true;
  }
  for (;;) {
    std::optional<std::string> entry = prompts.AskMasterPassword(owner);
    if (!entry) return false;
    if (*entry == store.master_password()) return true;
    prompts.ShowMessage(owner, LoadString(kIdsIncorrectPassword),
                        LoadString(kIdsLoginManagerCaption), MessageIcon::kNone,
                        MessageButtons::kOk);
  }
}

bool MayFillRecord(Prompts& prompts, WindowId owner, const LoginStore& store,
                   const LoginRecord& record) {
  if (!record.require_master_password()) return true;
  std::optional<std::string> entry = prompts.AskMasterPassword(owner);
  if (!entry) return false;
  if (*entry == store.master_password()) return true;
  prompts.ShowMessage(owner, LoadString(kIdsIncorrectPassword), kErrorCaption, MessageIcon::kStop,
                      MessageButtons::kOk);
  return false;
}

}  // namespace zr
