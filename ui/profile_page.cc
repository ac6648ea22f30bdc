// ProfilePage: profile values or lists in the edits of a template page.
#include "ui/profile_page.h"

#include <QLineEdit>

#include "ui/control_text.h"

namespace zr {

ProfilePage::ProfilePage(int template_id, FormProfile& profile,
                         std::span<const ProfileEditRow> rows, ProfileText text, QWidget* parent)
    : SheetPage(template_id, parent), profile_(profile), rows_(rows), text_(text) {}

std::string& ProfilePage::Text(ProfileField field) const {
  return text_ == ProfileText::kValues ? profile_.Value(field) : profile_.List(field);
}

void ProfilePage::InitPage() {
  for (const ProfileEditRow& row : rows_) {
    if (auto* edit = ControlAs<QLineEdit>(row.control_id)) {
      edit->setText(FromCodePage(Text(row.field)));
    }
  }
}

bool ProfilePage::ApplyPage() {
  for (const ProfileEditRow& row : rows_) {
    auto* edit = ControlAs<QLineEdit>(row.control_id);
    if (edit == nullptr) continue;
    // A text shown as it stands keeps its bytes, even those the code page
    // cannot show.
    std::string& stored = Text(row.field);
    if (edit->text() != FromCodePage(stored)) stored = ToCodePage(edit->text());
  }
  return true;
}

}  // namespace zr
