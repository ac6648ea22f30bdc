// The field names editor: its two pages and the modal sheet that holds them.
#include "ui/field_names_sheet.h"

namespace zr {

HomeFieldNamesPage::HomeFieldNamesPage(FormProfile& home, QWidget* parent)
    : ProfilePage(kHomeFieldNamesTemplateId, home, kHomeProfileRows, ProfileText::kLists, parent) {}

bool HomeFieldNamesPage::ApplyPage() {
  ProfilePage::ApplyPage();
  // The lists stay in memory even when the file cannot be written; OK is then
  // refused and Cancel leaves the sheet.
  return profile().Save();
}

WorkFieldNamesPage::WorkFieldNamesPage(FormProfile& work, QWidget* parent)
    : ProfilePage(kWorkFieldNamesTemplateId, work, kWorkProfileRows, ProfileText::kLists, parent) {}

FieldNamesSheet::FieldNamesSheet(FormProfile& home, FormProfile& work, QWidget* parent)
    : PropertySheet(QString::fromLatin1(kFieldNamesCaption), parent) {
  AddPage(new HomeFieldNamesPage(home));
  AddPage(new WorkFieldNamesPage(work));
  tabs()->setCurrentIndex(0);
}

void OpenFieldNamesEditor(QWidget* owner, FormProfile& home, FormProfile& work) {
  FieldNamesSheet sheet(home, work, owner);
  sheet.exec();
}

}  // namespace zr
