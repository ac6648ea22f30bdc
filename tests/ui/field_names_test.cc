// The field names editor: lists shown and stored in small letters, OK applies
// them and saves the Home file only, Escape applies and saves nothing, and a
// Home file that cannot be written keeps the sheet open until Cancel.
#include "ui/field_names_sheet.h"
#include "ui_test_support.h"

namespace zr {
namespace {

class FieldNamesTest : public FormSheetTest {
 protected:
  // Opens the sheet and types a list on each page; 203: first name, 217: city.
  void OpenAndType() {
    sheet_ = std::make_unique<FieldNamesSheet>(home_, work_);
    ShowActive(*sheet_);
    Retype(Edit(*sheet_, 0, 203), "First.*NAME;ÉCOLE;");
    EXPECT_EQ(Edit(*sheet_, 0, 203)->text(), "first.*name;école;");
    sheet_->tabs()->setCurrentIndex(1);
    Retype(Edit(*sheet_, 1, 217), "Town;");
  }
  std::unique_ptr<FieldNamesSheet> sheet_;
};

TEST_F(FieldNamesTest, OkAppliesAndSavesTheHomeFileOnlyEscapeNothing) {
  for (bool ok : {false, true}) {  // Escape first: it leaves the profiles as they were
    SaveProfilesAndRemoveFiles();
    OpenAndType();
    ok ? sheet_->ok_button()->click() : QTest::keyClick(Edit(*sheet_, 1, 217), Qt::Key_Escape);
    EXPECT_FALSE(sheet_->isVisible());
    const std::string first = ok ? QString("first.*name;école;").toStdString() : "f.*name;";
    EXPECT_EQ(home_.List(ProfileField::kFirstName), first) << ok;
    EXPECT_EQ(work_.List(ProfileField::kCity), ok ? "town;" : "city;");
    if (ok) EXPECT_EQ(ReadSaved<FormProfile>(HomeFile())->List(ProfileField::kFirstName), first);
    EXPECT_EQ(std::filesystem::exists(HomeFile()), ok);
    EXPECT_FALSE(std::filesystem::exists(WorkFile()));
  }
}

TEST_F(FieldNamesTest, FailedHomeSaveKeepsTheSheetOpenUntilCancel) {
  EXPECT_FALSE(home_.Save(folder_.File("missing/FormHome.dat")));
  OpenAndType();
  sheet_->ok_button()->click();
  EXPECT_TRUE(sheet_->isVisible());
  EXPECT_EQ(sheet_->tabs()->currentIndex(), 1);
  sheet_->cancel_button()->click();
  EXPECT_EQ(sheet_->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace zr
