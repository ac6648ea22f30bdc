// The field names editor: lists shown and stored in small letters, OK applies
// them and saves the Home file only, Escape applies and saves nothing, and a
// Home file that cannot be written keeps the sheet open.
#include "ui/field_names_sheet.h"

#include "ui_test_support.h"

namespace zr {
namespace {

constexpr int kHome = 0, kWork = 1, kFirstNameEdit = 203, kCityEdit = 217;

class FieldNamesTest : public FormSheetTest {
 protected:
  // Opens the sheet and types name lists on both pages.
  void OpenAndType() {
    sheet_ = std::make_unique<FieldNamesSheet>(home_, work_);
    ShowActive(*sheet_);
    Retype(Edit(*sheet_, kHome, kFirstNameEdit), "First.*NAME;ÉCOLE;");
    EXPECT_EQ(Edit(*sheet_, kHome, kFirstNameEdit)->text(), "first.*name;école;");
    sheet_->tabs()->setCurrentIndex(kWork);
    Retype(Edit(*sheet_, kWork, kCityEdit), "Town;");
  }
  std::unique_ptr<FieldNamesSheet> sheet_;
};

TEST_F(FieldNamesTest, OkAppliesAndSavesTheHomeFileOnlyEscapeNothing) {
  for (bool ok : {false, true}) {  // Escape first: it leaves the profiles as they were
    SCOPED_TRACE(ok);
    Reset();
    SaveProfilesAndRemoveFiles();
    OpenAndType();
    ok ? sheet_->ok_button()->click() : QTest::keyClick(Edit(*sheet_, kWork, kCityEdit), Qt::Key_Escape);
    EXPECT_FALSE(sheet_->isVisible());
    EXPECT_EQ(QString::fromStdString(home_.List(ProfileField::kFirstName)), ok ? "first.*name;école;" : "f.*name;");
    EXPECT_EQ(work_.List(ProfileField::kCity), ok ? "town;" : "city;");
    EXPECT_EQ(std::filesystem::exists(HomeFile()), ok);
    if (ok) EXPECT_EQ(ReadProfileFile(HomeFile())->List(ProfileField::kFirstName), home_.List(ProfileField::kFirstName));
    EXPECT_FALSE(std::filesystem::exists(WorkFile()));
  }
}

TEST_F(FieldNamesTest, FailedHomeSaveKeepsTheSheetOpenUntilCancel) {
  EXPECT_FALSE(home_.Save(folder_.File("missing/FormHome.dat")));
  OpenAndType();
  sheet_->ok_button()->click();
  EXPECT_TRUE(sheet_->isVisible());
  EXPECT_EQ(sheet_->tabs()->currentIndex(), kWork);
  sheet_->cancel_button()->click();
  EXPECT_EQ(sheet_->result(), QDialog::Rejected);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("missing")));
}

}  // namespace
}  // namespace zr
