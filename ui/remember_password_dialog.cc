// RememberPasswordDialog: the four texts in, the two edited texts and the
// three boxes back out, for either answer.
#include "ui/remember_password_dialog.h"

#include <QCheckBox>
#include <QLineEdit>

#include "ui/control_text.h"

namespace zr {
namespace {

constexpr int kDescriptionEdit = 241;
constexpr int kSiteEdit = 242;
constexpr int kNeverThisSiteBox = 243;
constexpr int kLoginNameEdit = 245;
constexpr int kPasswordEdit = 247;
constexpr int kFillAutomaticallyBox = 255;
constexpr int kNeverAnySiteBox = 258;

// The edit's text in the code page; an unchanged text keeps its original
// bytes, even those the code page conversion would show as '?'.
void ReadBack(const QLineEdit* edit, std::string& text) {
  if (edit->text() != FromCodePage(text)) text = ToCodePage(edit->text());
}

}  // namespace

RememberPasswordDialog::RememberPasswordDialog(RememberPasswordData& data, QWidget* parent)
    : TemplateDialog(232, parent), data_(data) {
  ControlAs<QLineEdit>(kLoginNameEdit)->setText(FromCodePage(data_.login_name));
  ControlAs<QLineEdit>(kPasswordEdit)->setText(FromCodePage(data_.password));
  ControlAs<QLineEdit>(kDescriptionEdit)->setText(FromCodePage(data_.description));
  ControlAs<QLineEdit>(kSiteEdit)->setText(FromCodePage(data_.site));
  for (int id : {kNeverThisSiteBox, kNeverAnySiteBox, kFillAutomaticallyBox}) {
    ControlAs<QCheckBox>(id)->setChecked(false);
  }
}

void RememberPasswordDialog::done(int result) {
  ReadBack(ControlAs<QLineEdit>(kDescriptionEdit), data_.description);
  ReadBack(ControlAs<QLineEdit>(kSiteEdit), data_.site);
  data_.fill_automatically = ControlAs<QCheckBox>(kFillAutomaticallyBox)->isChecked();
  data_.never_this_site = ControlAs<QCheckBox>(kNeverThisSiteBox)->isChecked();
  data_.never_any_site = ControlAs<QCheckBox>(kNeverAnySiteBox)->isChecked();
  answer_ = result == QDialog::Accepted ? RememberAnswer::kYes : RememberAnswer::kNo;
  TemplateDialog::done(result);
}

}  // namespace zr
