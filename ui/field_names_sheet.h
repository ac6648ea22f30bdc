// The field names editor "Internal Field Names": the pattern lists of the
// Home profile (with the shared name lists) and of the Work profile, one line
// of text each, in small letters.
#ifndef ZRFORM_UI_FIELD_NAMES_SHEET_H_
#define ZRFORM_UI_FIELD_NAMES_SHEET_H_

#include <QWidget>

#include "store/form_profile.h"
#include "ui/profile_page.h"
#include "ui/property_sheet.h"

namespace zr {

inline constexpr int kHomeFieldNamesTemplateId = 215;
inline constexpr int kWorkFieldNamesTemplateId = 218;
inline constexpr char kFieldNamesCaption[] = "Internal Field Names";

// The shared name lists and the Home profile's lists. Apply saves the Home
// profile and is refused when that save fails.
class HomeFieldNamesPage : public ProfilePage {
  Q_OBJECT

 public:
  explicit HomeFieldNamesPage(FormProfile& home, QWidget* parent = nullptr);
  bool ApplyPage() override;
};

// The Work profile's lists. Apply writes no file: the Work profile reaches its
// file when the Form Manager closes.
class WorkFieldNamesPage : public ProfilePage {
  Q_OBJECT

 public:
  explicit WorkFieldNamesPage(FormProfile& work, QWidget* parent = nullptr);
};

class FieldNamesSheet : public PropertySheet {
  Q_OBJECT

 public:
  // Starts on the Home page.
  FieldNamesSheet(FormProfile& home, FormProfile& work, QWidget* parent = nullptr);
};

// Runs the field names editor modally over owner (the window active when it is
// opened) and returns when it closes.
void OpenFieldNamesEditor(QWidget* owner, FormProfile& home, FormProfile& work);

}  // namespace zr

#endif  // ZRFORM_UI_FIELD_NAMES_SHEET_H_
