// The Form Manager sheet driven offscreen: what OK and Cancel apply and save,
// and the custom field rules of the Customize page with their messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "form_test_support.h"
#include "login_test_support.h"
#include "ui/customize_page.h"
#include "ui/form_manager_sheet.h"

namespace zr {
namespace {

constexpr int kHome = 0, kWork = 1, kCustomize = 2;
constexpr int kCityEdit = 217, kFirstNameEdit = 203;

class FormManagerTest : public FormSheetTest {
 protected:
  void Open() {
    sheet_ = std::make_unique<FormManagerSheet>(home_, work_);
    ShowActive(*sheet_);
  }
  QLineEdit* Edit(int page, int id) const { return FormSheetTest::Edit(*sheet_, page, id); }
  // Opens the sheet on the Customize page over entries with these
  // descriptions (names "nameN", values "valueN").
  void OpenCustomize(const std::vector<std::string>& descriptions) {
    ResetProcessState();
    SaveProfilesAndRemoveFiles();
    for (size_t i = 0; i < descriptions.size(); ++i) {
      CustomFields().SetCustomField(static_cast<int>(i), descriptions[i],
                                    "name" + std::to_string(i), "value" + std::to_string(i));
    }
    Open();
    sheet_->tabs()->setCurrentIndex(kCustomize);
    list_ = sheet_->Page(kCustomize)->ControlAs<QListWidget>(kCustomFieldListId);
    description_ = Edit(kCustomize, kCustomDescriptionEditId);
    value_ = Edit(kCustomize, kCustomValueEditId);
  }
  std::vector<std::string> Descriptions() const {
    std::vector<std::string> out;
    for (int i = 0; i < CustomFields().CustomFieldCount(); ++i) {
      out.push_back(CustomFields().GetCustomField(i)->description());
    }
    return out;
  }

  std::unique_ptr<FormManagerSheet> sheet_;
  QListWidget* list_ = nullptr;
  QLineEdit* description_ = nullptr;
  QLineEdit* value_ = nullptr;
};

// However the sheet closes, both files are written; typed values reach them
// only through OK, and only from pages that were shown (a page never shown
// has empty edits: applying it would wipe the profile).
TEST_F(FormManagerTest, ClosingSavesBothFilesAndOnlyOkAppliesTheShownPages) {
  const struct {
    const char* name;
    std::function<void(FormManagerSheet&, QLineEdit*)> close;
    bool visit_work;
    const char* home_city;
    const char* work_city;
  } cases[] = {
      {"ok", [](FormManagerSheet& s, QLineEdit*) { s.ok_button()->click(); }, false, "Paris",
       "Berlin"},
      {"ok after work", [](FormManagerSheet& s, QLineEdit*) { s.ok_button()->click(); }, true,
       "Paris", "Munich"},
      {"return", [](FormManagerSheet&, QLineEdit* e) { QTest::keyClick(e, Qt::Key_Return); },
       false, "Paris", "Berlin"},
      {"cancel", [](FormManagerSheet& s, QLineEdit*) { s.cancel_button()->click(); }, true,
       "Lyon", "Berlin"},
      {"escape", [](FormManagerSheet&, QLineEdit* e) { QTest::keyClick(e, Qt::Key_Escape); },
       false, "Lyon", "Berlin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetProcessState();
    home_.Value(ProfileField::kCity) = "Lyon";
    work_.Value(ProfileField::kCity) = "Berlin";
    work_.Value(ProfileField::kJobTitle) = "Engineer";
    SaveProfilesAndRemoveFiles();
    Open();
    Retype(Edit(kHome, kFirstNameEdit), "Ann");
    QLineEdit* city = Edit(kHome, kCityEdit);
    Retype(city, "Paris");
    if (c.visit_work) {
      sheet_->tabs()->setCurrentIndex(kWork);
      Retype(city = Edit(kWork, kCityEdit), "Munich");
    }
    c.close(*sheet_, city);
    EXPECT_FALSE(sheet_->isVisible());
    const ProfileFileContents home_file = ReadProfileFile(HomeFile());
    const ProfileFileContents work_file = ReadProfileFile(WorkFile());
    EXPECT_EQ(home_file.Value(ProfileField::kCity), c.home_city);
    EXPECT_EQ(work_file.Value(ProfileField::kCity), c.work_city);
    EXPECT_EQ(work_file.Value(ProfileField::kJobTitle), "Engineer");
    EXPECT_EQ(home_.Value(ProfileField::kCity), c.home_city);
    // The shared first name typed on the Home page goes into both files.
    const bool applied = std::string(c.home_city) == "Paris";
    EXPECT_EQ(work_file.Value(ProfileField::kFirstName), applied ? "Ann" : "");
    EXPECT_EQ(home_file.Value(ProfileField::kFirstName), applied ? "Ann" : "");
    EXPECT_TRUE(std::filesystem::exists(CustomizeFile()));
  }
}

// An empty description is refused; neither answer may write it into the entry.
TEST_F(FormManagerTest, ClearedDescriptionIsRefusedWithRetry) {
  for (auto [answer, edit_after] : {std::pair{QMessageBox::Cancel, "Member"},
                                    std::pair{QMessageBox::Retry, ""}}) {
    SCOPED_TRACE(edit_after);
    ModalDriver driver;
    driver.Answer(answer);
    OpenCustomize({"Member", "Other"});
    QTest::mouseClick(description_, Qt::LeftButton);
    Retype(description_, "");
    QTest::keyClick(description_, Qt::Key_Tab);
    QApplication::processEvents();
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0].text, "Please enter the field description");
    EXPECT_EQ(description_->text(), edit_after);
    EXPECT_EQ(sheet_->focusWidget(), description_);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Member", "Other"}));
    EXPECT_TRUE(driver.unexpected.empty());
    sheet_->reject();
  }
}

// Yes removes the entry and selects its neighbour (shown in the edits); the
// removal reaches "customize.dat" even when the sheet is cancelled.
TEST_F(FormManagerTest, RemoveAsksThenSelectsTheNeighbour) {
  const struct {
    int removed;
    QMessageBox::StandardButton answer;
    std::vector<std::string> remaining;
    int selected;
  } cases[] = {
      {0, QMessageBox::Yes, {"B", "C"}, 0},  // the item below moves up
      {2, QMessageBox::Yes, {"A", "B"}, 1},  // the last: the one above
      {1, QMessageBox::No, {"A", "B", "C"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.removed);
    ModalDriver driver;
    driver.Answer(c.answer);
    OpenCustomize({"A", "B", "C"});
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                      list_->visualItemRect(list_->item(c.removed)).center());
    sheet_->Page(kCustomize)->ControlAs<QPushButton>(kRemoveCustomFieldButtonId)->click();
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0].text, "Are you sure you want to remove this field?");
    EXPECT_EQ(Descriptions(), c.remaining);
    EXPECT_EQ(list_->currentRow(), c.selected);
    EXPECT_EQ(description_->text().toStdString(), c.remaining[c.selected]);
    sheet_->cancel_button()->click();
    std::vector<std::string> saved;
    for (const auto& entry : ReadCustomizeFile(CustomizeFile())) saved.push_back(entry[0]);
    EXPECT_EQ(saved, c.remaining);
  }
}

// Closing with the keyboard moves no focus: Return (OK) still commits the
// edit being typed before the files are written; Escape drops it.
TEST_F(FormManagerTest, ReturnCommitsTheEditBeingTypedEscapeDropsIt) {
  for (auto [key, saved_value] :
       {std::pair{Qt::Key_Return, "M-18"}, std::pair{Qt::Key_Escape, "value0"}}) {
    SCOPED_TRACE(saved_value);
    OpenCustomize({"Member"});
    QTest::mouseClick(value_, Qt::LeftButton);
    Retype(value_, "M-18");
    QTest::keyClick(value_, key);
    const auto saved = ReadCustomizeFile(CustomizeFile());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0][2], saved_value);
  }
}

}  // namespace
}  // namespace zr
