// HomePage: the "Home" page of the Form Manager (template 213): the shared
// name fields and the Home profile's values.
#ifndef ZRFORM_UI_HOME_PAGE_H_
#define ZRFORM_UI_HOME_PAGE_H_

#include "ui/profile_page.h"

namespace zr {

inline constexpr int kHomePageTemplateId = 213;

class HomePage : public ProfilePage {
  Q_OBJECT

 public:
  // Edits home's values; both profiles go to the field names editor.
  HomePage(FormProfile& home, FormProfile& work, QWidget* parent = nullptr);
};

}  // namespace zr

#endif  // ZRFORM_UI_HOME_PAGE_H_
