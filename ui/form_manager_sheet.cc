// The Form Manager sheet and RunFormManager.
#include "ui/form_manager_sheet.h"

#include <QPointer>

#include "store/form_profile.h"
#include "ui/customize_page.h"
#include "ui/home_page.h"
#include "ui/message_box.h"
#include "ui/work_page.h"

namespace zr {

FormManagerSheet::FormManagerSheet(FormProfile& home, FormProfile& work, QWidget* parent)
    : PropertySheet(QString::fromLatin1(kFormManagerCaption), parent), home_(home), work_(work) {
  AddPage(new HomePage(home, work));
  AddPage(new WorkPage(home, work));
  AddPage(new CustomizePage());
  tabs()->setCurrentIndex(0);
}

void FormManagerSheet::done(int result) {
  // On OK the pages have applied by now (accept); on Cancel nothing has.
  for (FormProfile* profile : {&work_, &home_}) {
    if (!profile->Save()) {
      ShowNotSaved(this, profile->path());
    }
  }
  PropertySheet::done(result);
}

void RunFormManager(WindowId owner, FormProfile& home, FormProfile& work) {
  // The custom fields page keeps its list index for index with the process's
  // one CustomFieldList, so a second sheet (another client's call, arriving
  // while this one runs its event loop) must not edit that list beside it.
  static QPointer<FormManagerSheet> open_sheet;
  if (open_sheet) {
    open_sheet->raise();
    open_sheet->activateWindow();
    return;
  }
  FormManagerSheet sheet(home, work);
  sheet.SetOwner(owner);
  open_sheet = &sheet;
  sheet.exec();
}

}  // namespace zr
