// The master-password checks: the gate in front of the Login Manager and the
// single attempt before a protected record is filled.
#ifndef ZRFORM_FORMS_MASTER_PASSWORD_H_
#define ZRFORM_FORMS_MASTER_PASSWORD_H_

#include "forms/prompts.h"

namespace zr {

class LoginRecord;
class LoginStore;

// With no master password set, offers to set one (a cancel is warned about
// and let through); otherwise asks until the right one is given (true) or
// the user cancels (false). A new master password is kept in memory only.
bool VerifyMasterPassword(Prompts& prompts, WindowId owner, LoginStore& store);

// Whether record may be filled: yes unless it requires the master password,
// which is then asked once; a wrong one is reported.
bool MayFillRecord(Prompts& prompts, WindowId owner, const LoginStore& store,
                   const LoginRecord& record);

}  // namespace zr

#endif  // ZRFORM_FORMS_MASTER_PASSWORD_H_
