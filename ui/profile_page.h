// A property-sheet page whose edits each show one value, or one pattern
// list, of a FormProfile: filled when first shown, read back on apply.
#ifndef ZRFORM_UI_PROFILE_PAGE_H_
#define ZRFORM_UI_PROFILE_PAGE_H_

#include <span>

#include "store/form_profile.h"
#include "ui/property_sheet.h"

namespace zr {

// An edit of a template and the profile field it stands for.
struct ProfileEditRow {
  int control_id;
  ProfileField field;
};

// The edits of the Home pages (templates 213 and 215) and of the Work pages
// (templates 211 and 218), in tab order. The Home rows' name fields are the
// shared ones.
inline constexpr ProfileEditRow kHomeProfileRows[] = {
    {214, ProfileField::kTitle},   {203, ProfileField::kFirstName}, {205, ProfileField::kLastName},
    {207, ProfileField::kAddress}, {210, ProfileField::kAddress1},  {212, ProfileField::kAddress2},
    {217, ProfileField::kCity},    {219, ProfileField::kState},     {221, ProfileField::kCountry},
    {223, ProfileField::kZip},     {227, ProfileField::kTel},       {230, ProfileField::kFax},
    {233, ProfileField::kEmail},
};
inline constexpr ProfileEditRow kWorkProfileRows[] = {
    {226, ProfileField::kJobTitle}, {216, ProfileField::kCompany},  {207, ProfileField::kAddress},
    {210, ProfileField::kAddress1}, {212, ProfileField::kAddress2}, {217, ProfileField::kCity},
    {219, ProfileField::kState},    {221, ProfileField::kCountry},  {223, ProfileField::kZip},
    {227, ProfileField::kTel},      {230, ProfileField::kFax},      {233, ProfileField::kEmail},
};

// The "&Edit Field Names" button of the Form Manager's Home and Work pages.
inline constexpr int kEditFieldNamesButtonId = 244;

// What the edits of a page show: the values, or the pattern lists (the field
// names templates' edits show and give back small letters).
enum class ProfileText { kValues, kLists };

class ProfilePage : public SheetPage {
  Q_OBJECT

 public:
  // rows must outlive the page (they are static tables).
  ProfilePage(int template_id, FormProfile& profile, std::span<const ProfileEditRow> rows,
              ProfileText text, QWidget* parent = nullptr);

  // Copies each field of the rows from the profile into its edit.
  void InitPage() override;
  // Copies each edit back into its field of the profile; writes no file.
  bool ApplyPage() override;

 protected:
  FormProfile& profile() const { return profile_; }

 private:
  std::string& Text(ProfileField field) const;

  FormProfile& profile_;
  std::span<const ProfileEditRow> rows_;
  ProfileText text_;
};

}  // namespace zr

#endif  // ZRFORM_UI_PROFILE_PAGE_H_
