// The Form Manager property sheet: the Home and Work pages and the custom
// fields page. Custom field edits take effect at once, page values on OK;
// both profile files (and so the custom fields file) are written on close.
#ifndef ZRFORM_UI_FORM_MANAGER_SHEET_H_
#define ZRFORM_UI_FORM_MANAGER_SHEET_H_

#include "forms/prompts.h"
#include "ui/property_sheet.h"

namespace zr {

class FormProfile;

inline constexpr char kFormManagerCaption[] = "Form Manager";

// Pages in order: HomePage, WorkPage, CustomizePage; starts on Home.
class FormManagerSheet : public PropertySheet {
  Q_OBJECT

 public:
  // The profiles are not owned and must outlive the sheet.
  FormManagerSheet(FormProfile& home, FormProfile& work, QWidget* parent = nullptr);

  // However the sheet closes, the Work profile and then the Home profile are
  // saved as they stand in memory (after OK has applied the pages shown).
  // Failed saves are not reported.
  void done(int result) override;

 private:
  FormProfile& home_;
  FormProfile& work_;
};

// Shows the Form Manager over the two profiles, modally, owned by owner;
// returns when it closes. While one is open, a further call only raises it.
void RunFormManager(WindowId owner, FormProfile& home, FormProfile& work);

}  // namespace zr

#endif  // ZRFORM_UI_FORM_MANAGER_SHEET_H_
