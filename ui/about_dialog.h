// The About box (dialog 103): the program's icon, name and version.
#ifndef ZRFORM_UI_ABOUT_DIALOG_H_
#define ZRFORM_UI_ABOUT_DIALOG_H_

#include "ui/template_dialog.h"

namespace zr {

// Opens with the focus on OK; OK and Return close it with 1, Escape with 2.
class AboutDialog : public TemplateDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

// Shows the About box modally, owned by owner (centred on the screen when 0),
// and returns the id that closed it: 1 (OK) or 2 (Escape).
int ShowAboutBox(WindowId owner);

}  // namespace zr

#endif  // ZRFORM_UI_ABOUT_DIALOG_H_
