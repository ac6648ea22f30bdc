// The Prompts interface implemented with the Qt dialogs. Without a display
// every dialog behaves as if the user cancelled it, and says so on stderr.
#ifndef ZRFORM_UI_QT_PROMPTS_H_
#define ZRFORM_UI_QT_PROMPTS_H_

#include "forms/prompts.h"

namespace zr {

class QtPrompts : public Prompts {
 public:
  // has_display false: no dialog is shown; each behaves as cancelled.
  explicit QtPrompts(bool has_display = true) : has_display_(has_display) {}

  MessageAnswer ShowMessage(WindowId owner, std::string_view text, std::string_view caption,
                            MessageIcon icon, MessageButtons buttons) override;
  std::optional<std::string> AskMasterPassword(WindowId owner) override;
  std::optional<std::string> SetUpMasterPassword(WindowId owner, std::string_view initial) override;
  int SelectLogin(WindowId owner, LoginStore& store, const std::vector<int>& ids) override;
  RememberAnswer RememberPassword(WindowId owner, RememberPasswordData& data) override;
  void ShowLoginManager(WindowId owner, LoginStore& store) override;
  void ShowFormManager(WindowId owner, FormProfile& home, FormProfile& work) override;

 private:
  // Whether a dialog may be shown; when not, writes why (naming what) to stderr.
  bool MayShow(const char* what) const;

  bool has_display_;
};

}  // namespace zr

#endif  // ZRFORM_UI_QT_PROMPTS_H_
