// AboutDialog: built from template 103; the default button takes the focus.
#include "ui/about_dialog.h"

#include <QPushButton>

namespace zr {

AboutDialog::AboutDialog(QWidget* parent) : TemplateDialog(103, parent) {
  if (QWidget* ok = Control(1)) ok->setFocus();
}

int ShowAboutBox(WindowId owner) {
  AboutDialog about;
  about.SetOwner(owner);
  return about.exec() == QDialog::Accepted ? 1 : 2;
}

}  // namespace zr
