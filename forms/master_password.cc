// The master-password gate and the fill-in check.
#include "forms/master_password.h"

#include "platform/secret_memory.h"
#include "resources/string_table.h"
#include "store/login_store.h"

namespace zr {

namespace {

// Whether the typed entry is the master password: compared in constant time,
// and the typed text wiped as soon as it has been compared.
bool IsMasterPassword(std::optional<std::string>& entry, const LoginStore& store) {
  const bool same = EqualInConstantTime(*entry, store.master_password());
  WipeString(*entry);
  return same;
}

}  // namespace

bool VerifyMasterPassword(Prompts& prompts, WindowId owner, LoginStore& store) {
  if (store.master_password().empty()) {
    std::optional<std::string> entry = prompts.SetUpMasterPassword(owner, "");
    if (!entry) {
      prompts.ShowMessage(owner, LoadString(kIdsNoMasterPassword), kWarningCaption,
                          MessageIcon::kExclamation, MessageButtons::kOk);
      return true;
    }
    store.set_master_password_text(*entry);
    WipeString(*entry);
    return true;
  }
  for (;;) {
    std::optional<std::string> entry = prompts.AskMasterPassword(owner);
    if (!entry) return false;
    if (IsMasterPassword(entry, store)) return true;
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
  if (IsMasterPassword(entry, store)) return true;
  prompts.ShowMessage(owner, LoadString(kIdsIncorrectPassword), kErrorCaption, MessageIcon::kStop,
                      MessageButtons::kOk);
  return false;
}

}  // namespace zr
