// WorkPage: the "Work" page of the Form Manager (template 211): the Work
// profile's values; it shows no name fields.
#ifndef ZRFORM_UI_WORK_PAGE_H_
#define ZRFORM_UI_WORK_PAGE_H_

#include "ui/profile_page.h"

namespace zr {

inline constexpr int kWorkPageTemplateId = 211;

class WorkPage : public ProfilePage {
  Q_OBJECT

 public:
  // Edits work's values; both profiles go to the field names editor.
  WorkPage(FormProfile& home, FormProfile& work, QWidget* parent = nullptr);
};

}  // namespace zr

#endif  // ZRFORM_UI_WORK_PAGE_H_
