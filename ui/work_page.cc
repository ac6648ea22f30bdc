// WorkPage: the Work values, and the button that opens the field names
// editor (which starts on its Home page all the same).
#include "ui/work_page.h"

#include <QPushButton>

#include "ui/field_names_sheet.h"

namespace zr {

WorkPage::WorkPage(FormProfile& home, FormProfile& work, QWidget* parent)
    : ProfilePage(kWorkPageTemplateId, work, kWorkProfileRows, ProfileText::kValues, parent) {
  if (auto* button = ControlAs<QPushButton>(kEditFieldNamesButtonId)) {
    connect(button, &QPushButton::clicked, this,
            [this, &home, &work] { OpenFieldNamesEditor(window(), home, work); });
  }
}

}  // namespace zr
