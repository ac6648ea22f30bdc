// The field names editor driven offscreen: small letters, what OK applies and
// saves, the refusal when the Home file cannot be written.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "form_test_support.h"
#include "ui/field_names_sheet.h"

namespace zr {
namespace {

constexpr int kHome = 0;
constexpr int kWork = 1;

class FieldNamesTest : public FormSheetTest {
 protected:
  void Open() {
    sheet_ = std::make_unique<FieldNamesSheet>(home_, work_);
    ShowActive(*sheet_);
  }
  QLineEdit* Edit(int page, int id) const { return FormSheetTest::Edit(*sheet_, page, id); }
  void ClickOk() { QTest::mouseClick(sheet_->ok_button(), Qt::LeftButton); }

  std::unique_ptr<FieldNamesSheet> sheet_;
};

TEST_F(FieldNamesTest, CapitalLettersAppearAndAreStoredAsSmallLetters) {
  const struct {
    int page;
    int id;
    ProfileField field;
    bool work;
  } cases[] = {
      {kHome, 203, ProfileField::kFirstName, false},  // shared
      {kWork, 216, ProfileField::kCompany, true},
  };
  SaveProfilesAndRemoveFiles();
  Open();
  for (const auto& c : cases) {
    sheet_->tabs()->setCurrentIndex(c.page);
    Retype(Edit(c.page, c.id), "Given.*NAME;ÉCOLE;");
    EXPECT_EQ(Edit(c.page, c.id)->text(), "given.*name;école;") << c.id;
  }
  ClickOk();
  EXPECT_FALSE(sheet_->isVisible());
  for (const auto& c : cases) {
    const FormProfile& profile = c.work ? work_ : home_;
    EXPECT_EQ(QString::fromStdString(profile.List(c.field)), "given.*name;école;") << c.id;
  }
}

// The Home page saves its file at once; the Work page writes none.
TEST_F(FieldNamesTest, OkSavesTheHomeFileAtOnceAndNotTheWorkFile) {
  SaveProfilesAndRemoveFiles();
  Open();
  Retype(Edit(kHome, 203), "first;");
  sheet_->tabs()->setCurrentIndex(kWork);
  Retype(Edit(kWork, 217), "town;");
  ClickOk();
  ASSERT_TRUE(std::filesystem::exists(HomeFile()));
  EXPECT_EQ(ReadProfileFile(HomeFile()).List(ProfileField::kFirstName), "first;");
  EXPECT_FALSE(std::filesystem::exists(WorkFile()));
  EXPECT_EQ(work_.List(ProfileField::kCity), "town;");
  EXPECT_EQ(home_.List(ProfileField::kFirstName), "first;");
}

TEST_F(FieldNamesTest, CancelLeavesEveryListAsItWas) {
  SaveProfilesAndRemoveFiles();
  Open();
  Retype(Edit(kHome, 203), "first;");
  sheet_->tabs()->setCurrentIndex(kWork);
  Retype(Edit(kWork, 217), "town;");
  QTest::keyClick(Edit(kWork, 217), Qt::Key_Escape);
  EXPECT_FALSE(sheet_->isVisible());
  EXPECT_EQ(home_.List(ProfileField::kFirstName), "f.*name;");
  EXPECT_EQ(work_.List(ProfileField::kCity), "city;");
  EXPECT_FALSE(std::filesystem::exists(HomeFile()));
  EXPECT_FALSE(std::filesystem::exists(WorkFile()));
}

// A Home file that cannot be written refuses OK: the sheet stays open on the
// page it shows, with the lists applied in memory; Cancel then closes it.
TEST_F(FieldNamesTest, FailedHomeSaveKeepsTheSheetOpenUntilCancel) {
  EXPECT_FALSE(home_.Save(folder_.File("missing/FormHome.dat")));
  Open();
  Retype(Edit(kHome, 203), "first;");
  sheet_->tabs()->setCurrentIndex(kWork);
  Retype(Edit(kWork, 217), "town;");
  ClickOk();
  EXPECT_TRUE(sheet_->isVisible());
  EXPECT_EQ(sheet_->tabs()->currentIndex(), kWork);
  EXPECT_EQ(home_.List(ProfileField::kFirstName), "first;");
  QTest::mouseClick(sheet_->cancel_button(), Qt::LeftButton);
  EXPECT_FALSE(sheet_->isVisible());
  EXPECT_EQ(sheet_->result(), QDialog::Rejected);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("missing")));
}

}  // namespace
}  // namespace zr
