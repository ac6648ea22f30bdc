// HomePage: the shared name fields and the Home values, and the button that
// opens the field names editor.
#include "ui/home_page.h"

#include <QPushButton>

#include "ui/field_names_sheet.h"

namespace zr {

HomePage::HomePage(FormProfile& home, FormProfile& work, QWidget* parent)
    : ProfilePage(kHomePageTemplateId, home, kHomeProfileRows, ProfileText::kValues, parent) {
  if (auto* button = ControlAs<QPushButton>(kEditFieldNamesButtonId)) {
    // Values typed here and not yet applied stay in the edits meanwhile.
    connect(button, &QPushButton::clicked, this,
            [this, &home, &work] { OpenFieldNamesEditor(window(), home, work); });
  }
}

}  // namespace zr
