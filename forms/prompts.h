// The questions that filling and capturing ask the user, as an interface the
// core owns: the dialogs implement it with Qt, tests with scripted answers.
// Texts crossing it are in the code page.
#ifndef ZRFORM_FORMS_PROMPTS_H_
#define ZRFORM_FORMS_PROMPTS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

class FormProfile;
class LoginStore;

// The caller's window that owns every dialog of a call; 0 for none.
using WindowId = int64_t;

enum class MessageIcon { kNone, kStop, kExclamation };
enum class MessageButtons { kOk, kYesNo, kRetryCancel };
// The button pressed, numbered as the platform's message boxes number them.
enum class MessageAnswer { kOk = 1, kCancel = 2, kRetry = 4, kYes = 6, kNo = 7 };

// What the remember-password prompt shows and what the user leaves in it.
struct RememberPasswordData {
  std::string login_name;   // shown only
  std::string password;     // shown only
  std::string description;  // editable
  std::string site;         // editable
  bool fill_automatically = false;
  bool never_this_site = false;  // "Don't ask me again ... on this site."
  bool never_any_site = false;   // "Don't ask me again ... on any site."
};
enum class RememberAnswer { kYes = 1, kNo = 2 };

class Prompts {
 public:
  virtual ~Prompts() = default;

  virtual MessageAnswer ShowMessage(WindowId owner, std::string_view text, std::string_view caption,
                                    MessageIcon icon, MessageButtons buttons) = 0;
  // The master-password prompt: the entry, or none after Cancel.
  virtual std::optional<std::string> AskMasterPassword(WindowId owner) = 0;
  // The master-password set-up, both edits opening with initial: the entry
  // (the two edits agreed), or none after Cancel.
  virtual std::optional<std::string> SetUpMasterPassword(WindowId owner,
                                                         std::string_view initial) = 0;
  // The select-login dialog over the records with ids: the id taken with
  // Login (the dialog then saves the store), or -1 after Cancel.
  virtual int SelectLogin(WindowId owner, LoginStore& store, const std::vector<int>& ids) = 0;
  // The remember-password prompt; data holds what the user left in it,
  // whichever button closed it.
  virtual RememberAnswer RememberPassword(WindowId owner, RememberPasswordData& data) = 0;
  // The Login Manager window over store, after the master-password gate.
  virtual void ShowLoginManager(WindowId owner, LoginStore& store) = 0;
  // The Form Manager sheet over the two profiles.
  virtual void ShowFormManager(WindowId owner, FormProfile& home, FormProfile& work) = 0;
};

// Literal captions of the messages; their texts come from the string table.
inline constexpr std::string_view kErrorCaption = "Error";
inline constexpr std::string_view kWarningCaption = "Warning";

}  // namespace zr

#endif  // ZRFORM_FORMS_PROMPTS_H_
