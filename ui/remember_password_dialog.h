// The remember-password prompt (dialog 232): shows a captured login and lets
// the user correct its description and site address before it is stored.
#ifndef ZRFORM_UI_REMEMBER_PASSWORD_DIALOG_H_
#define ZRFORM_UI_REMEMBER_PASSWORD_DIALOG_H_

#include "forms/prompts.h"
#include "ui/template_dialog.h"

namespace zr {

// Opens with data's four texts and its three boxes clear, whatever data says.
// Whichever way it closes ("&Yes", "&No", Escape, the close box), data then
// holds the description and site address as the user left them and the
// states of the three boxes.
class RememberPasswordDialog : public TemplateDialog {
  Q_OBJECT

 public:
  // data must outlive the dialog.
  explicit RememberPasswordDialog(RememberPasswordData& data, QWidget* parent = nullptr);
  // kYes after "&Yes" (or Return), kNo otherwise.
  RememberAnswer answer() const { return answer_; }
  void done(int result) override;

 private:
  RememberPasswordData& data_;
  RememberAnswer answer_ = RememberAnswer::kNo;
};

}  // namespace zr

#endif  // ZRFORM_UI_REMEMBER_PASSWORD_DIALOG_H_
