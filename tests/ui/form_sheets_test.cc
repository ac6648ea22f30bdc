// The Form Manager and field names sheets: what each way of closing applies
// and saves, small letters, and the refusals shown in words.
#include "ui/customize_page.h"
#include "ui/field_names_sheet.h"
#include "ui/form_manager_sheet.h"
#include "ui_test_support.h"

namespace zr {
namespace {

class FormManagerTest : public FormSheetTest {
 protected:
  void Open() {
    sheet_ = std::make_unique<FormManagerSheet>(home_, work_);
    ShowActive(*sheet_);
  }
  std::unique_ptr<FormManagerSheet> sheet_;
};

// A page never shown has empty edits: applying it would wipe the profile.
TEST_F(FormManagerTest, ClosingSavesBothFilesAndOnlyOkAppliesTheShownPages) {
  enum Close { ok, enter, cancel, escape };
  const struct {
    Close close;
    bool visit_work;
    std::string saved;  // home city/first name, work city/first name/job title
  } cases[] = {{ok, false, "Paris/Ann Berlin/Ann/Engineer"},
               {ok, true, "Paris/Ann Munich/Ann/Engineer"},
               {enter, false, "Paris/Ann Berlin/Ann/Engineer"},
               {cancel, true, "Lyon/ Berlin//Engineer"},
               {escape, false, "Lyon/ Berlin//Engineer"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved + (c.visit_work ? " after work" : ""));
    Reset();
    home_.Value(ProfileField::kCity) = "Lyon";
    work_.Value(ProfileField::kCity) = "Berlin";
    work_.Value(ProfileField::kJobTitle) = "Engineer";
    SaveProfilesAndRemoveFiles();
    Open();
    Retype(Edit(*sheet_, 0, 203), "Ann");  // the first name, a shared field: into both files
    QLineEdit* city = Edit(*sheet_, 0, 217);
    Retype(city, "Paris");
    if (c.visit_work)
      sheet_->tabs()->setCurrentIndex(1), Retype(city = Edit(*sheet_, 1, 217), "Munich");
    if (c.close == ok || c.close == cancel)
      (c.close == ok ? sheet_->ok_button() : sheet_->cancel_button())->click();
    else
      QTest::keyClick(city, c.close == enter ? Qt::Key_Return : Qt::Key_Escape);
    EXPECT_FALSE(sheet_->isVisible());
    const auto home = ReadProfileFile(HomeFile()), work = ReadProfileFile(WorkFile());
    EXPECT_EQ(home->Value(ProfileField::kCity) + "/" + home->Value(ProfileField::kFirstName) + " " +
                  work->Value(ProfileField::kCity) + "/" + work->Value(ProfileField::kFirstName) +
                  "/" + work->Value(ProfileField::kJobTitle),
              c.saved);
    EXPECT_EQ(home_.Value(ProfileField::kCity), home->Value(ProfileField::kCity));
    EXPECT_TRUE(std::filesystem::exists(CustomizeFile()));
  }
}

// Neither answer writes the empty text into the entry; Cancel shows the old one again.
TEST_F(FormManagerTest, ClearedDescriptionIsRefusedWithRetry) {
  for (auto [answer, shown_after] :
       {std::pair{QMessageBox::Cancel, "Member"}, {QMessageBox::Retry, ""}}) {
    ModalDriver driver;
    driver.Answer(answer);
    Reset();
    SaveProfilesAndRemoveFiles();
    CustomFields().SetCustomField(0, "Member", "n", "v");
    Open();
    sheet_->tabs()->setCurrentIndex(2);
    QLineEdit* description = Edit(*sheet_, 2, kCustomDescriptionEditId);
    QTest::mouseClick(description, Qt::LeftButton);
    Retype(description, "");
    QTest::keyClick(description, Qt::Key_Tab);
    EXPECT_EQ(driver.boxes, std::vector<QString>{"Please enter the field description"});
    EXPECT_EQ(description->text(), shown_after);
    EXPECT_EQ(sheet_->focusWidget(), description);
    EXPECT_EQ(CustomFields().GetCustomField(0)->description(), "Member");
    sheet_->reject();
  }
}

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
    if (ok) {
      EXPECT_EQ(ReadProfileFile(HomeFile())->List(ProfileField::kFirstName), first);
    }
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
