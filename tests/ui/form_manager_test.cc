// The Form Manager sheet driven offscreen: what OK and Cancel apply and save,
// and the custom field rules of the Customize page with their messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "form_test_support.h"
#include "login_test_support.h"
#include "ui/customize_page.h"
#include "ui/form_manager_sheet.h"

namespace zr {
namespace {

constexpr int kHome = 0;
constexpr int kWork = 1;
constexpr int kCustomize = 2;
constexpr int kCityEdit = 217;
constexpr int kFirstNameEdit = 203;

const QString kEnterDescriptionText = QStringLiteral("Please enter the field description");
const QString kRemoveFieldText = QStringLiteral("Are you sure you want to remove this field?");

class FormManagerTest : public FormSheetTest {
 protected:
  void Open() {
    sheet_ = std::make_unique<FormManagerSheet>(home_, work_);
    ShowActive(*sheet_);
  }
  QLineEdit* Edit(int page, int id) const { return FormSheetTest::Edit(*sheet_, page, id); }

  // Opens the sheet on the Customize page over entries with these descriptions
  // (names "nameN", values "valueN").
  void OpenCustomize(const std::vector<std::string>& descriptions) {
    for (size_t i = 0; i < descriptions.size(); ++i) {
      CustomFields().SetCustomField(static_cast<int>(i), descriptions[i],
                                    "name" + std::to_string(i), "value" + std::to_string(i));
    }
    Open();
    sheet_->tabs()->setCurrentIndex(kCustomize);
    list_ = sheet_->Page(kCustomize)->ControlAs<QListWidget>(kCustomFieldListId);
    description_ = Edit(kCustomize, kCustomDescriptionEditId);
    value_ = Edit(kCustomize, kCustomValueEditId);
    ASSERT_TRUE(list_ && description_ && value_);
  }
  void ClickItem(int row) {
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                      list_->visualItemRect(list_->item(row)).center());
  }
  int SelectedRow() const {
    const auto selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->row(selected.first());
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
// only through OK.
TEST_F(FormManagerTest, ClosingSavesBothFilesAndOnlyOkApplies) {
  enum class Close { kOkButton, kReturn, kCancelButton, kEscape };
  const struct {
    Close close;
    const char* expected_city;
  } cases[] = {
      {Close::kOkButton, "Paris"},
      {Close::kReturn, "Paris"},
      {Close::kCancelButton, "Lyon"},
      {Close::kEscape, "Lyon"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.close));
    home_.Value(ProfileField::kCity) = "Lyon";
    work_.Value(ProfileField::kCity) = "Berlin";
    SaveProfilesAndRemoveFiles();
    Open();
    QLineEdit* city = Edit(kHome, kCityEdit);
    Retype(city, "Paris");
    switch (c.close) {
      case Close::kOkButton:
        QTest::mouseClick(sheet_->ok_button(), Qt::LeftButton);
        break;
      case Close::kReturn:
        QTest::keyClick(city, Qt::Key_Return);
        break;
      case Close::kCancelButton:
        QTest::mouseClick(sheet_->cancel_button(), Qt::LeftButton);
        break;
      case Close::kEscape:
        QTest::keyClick(city, Qt::Key_Escape);
        break;
    }
    EXPECT_FALSE(sheet_->isVisible());
    ASSERT_TRUE(std::filesystem::exists(HomeFile()));
    ASSERT_TRUE(std::filesystem::exists(WorkFile()));
    EXPECT_TRUE(std::filesystem::exists(CustomizeFile()));
    EXPECT_EQ(ReadProfileFile(HomeFile()).Value(ProfileField::kCity), c.expected_city);
    EXPECT_EQ(ReadProfileFile(WorkFile()).Value(ProfileField::kCity), "Berlin");
    EXPECT_EQ(home_.Value(ProfileField::kCity), c.expected_city);
  }
}

// A page never shown has empty edits: applying it would wipe the profile.
TEST_F(FormManagerTest, OkAppliesOnlyThePagesThatWereShown) {
  const struct {
    bool visit_work;
    const char* expected_work_city;
  } cases[] = {{false, "Berlin"}, {true, "Munich"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.visit_work);
    work_.Value(ProfileField::kCity) = "Berlin";
    work_.Value(ProfileField::kJobTitle) = "Engineer";
    SaveProfilesAndRemoveFiles();
    Open();
    Retype(Edit(kHome, kFirstNameEdit), "Ann");
    if (c.visit_work) {
      sheet_->tabs()->setCurrentIndex(kWork);
      Retype(Edit(kWork, kCityEdit), "Munich");
    }
    QTest::mouseClick(sheet_->ok_button(), Qt::LeftButton);
    const ProfileFileContents work_file = ReadProfileFile(WorkFile());
    EXPECT_EQ(work_file.Value(ProfileField::kCity), c.expected_work_city);
    EXPECT_EQ(work_file.Value(ProfileField::kJobTitle), "Engineer");
    // The shared first name typed on the Home page goes into both files.
    EXPECT_EQ(work_file.Value(ProfileField::kFirstName), "Ann");
    EXPECT_EQ(ReadProfileFile(HomeFile()).Value(ProfileField::kFirstName), "Ann");
    EXPECT_EQ(work_.Value(ProfileField::kCity), c.expected_work_city);
  }
}

// An empty description is refused; neither answer may write it into the entry.
TEST_F(FormManagerTest, ClearedDescriptionIsRefusedWithRetry) {
  const struct {
    QMessageBox::StandardButton answer;
    const char* edit_after;
  } cases[] = {{QMessageBox::Cancel, "Member"}, {QMessageBox::Retry, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edit_after);
    ResetProcessState();
    ModalDriver driver;
    driver.Answer(c.answer);
    OpenCustomize({"Member", "Other"});
    QTest::mouseClick(description_, Qt::LeftButton);
    Retype(description_, "");
    QTest::keyClick(description_, Qt::Key_Tab);
    QApplication::processEvents();

    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0].text, kEnterDescriptionText);
    EXPECT_EQ(driver.boxes[0].caption, "Retry?");
    EXPECT_EQ(description_->text(), c.edit_after);
    EXPECT_EQ(sheet_->focusWidget(), description_);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Member", "Other"}));
    EXPECT_EQ(CustomFields().GetCustomField(0)->names(), "name0");
    EXPECT_TRUE(driver.unexpected.empty());
    sheet_->reject();
  }
}

// Yes removes the entry and selects its neighbour (shown in the edits); the
// removal reaches "customize.dat" even when the sheet is cancelled.
TEST_F(FormManagerTest, RemoveAsksThenSelectsTheNeighbour) {
  const struct {
    int count;
    int removed;
    QMessageBox::StandardButton answer;
    std::vector<std::string> remaining;
    int selected;
  } cases[] = {
      {3, 0, QMessageBox::Yes, {"B", "C"}, 0},  // the item below moves up
      {3, 2, QMessageBox::Yes, {"A", "B"}, 1},  // the last: the one above
      {3, 1, QMessageBox::No, {"A", "B", "C"}, 1},
  };
  const std::vector<std::string> all = {"A", "B", "C"};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " remove " << c.removed);
    ResetProcessState();
    SaveProfilesAndRemoveFiles();
    ModalDriver driver;
    driver.Answer(c.answer);
    OpenCustomize(std::vector<std::string>(all.begin(), all.begin() + c.count));
    ClickItem(c.removed);
    QTest::mouseClick(sheet_->Page(kCustomize)->ControlAs<QPushButton>(kRemoveCustomFieldButtonId),
                      Qt::LeftButton);

    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0].text, kRemoveFieldText);
    EXPECT_EQ(driver.boxes[0].caption, "sure?");
    EXPECT_EQ(Descriptions(), c.remaining);
    EXPECT_EQ(SelectedRow(), c.selected);
    const std::string shown = c.selected < 0 ? "" : c.remaining[c.selected];
    EXPECT_EQ(description_->text().toStdString(), shown);

    QTest::mouseClick(sheet_->cancel_button(), Qt::LeftButton);
    std::vector<std::string> saved;
    for (const auto& entry : ReadCustomizeFile(CustomizeFile())) saved.push_back(entry[0]);
    EXPECT_EQ(saved, c.remaining);
  }
}

// Closing with the keyboard moves no focus: Return (OK) still commits the
// edit being typed before the files are written; Escape drops it.
TEST_F(FormManagerTest, ReturnCommitsTheEditBeingTypedEscapeDropsIt) {
  const struct {
    Qt::Key key;
    const char* saved_value;
  } cases[] = {{Qt::Key_Return, "M-18"}, {Qt::Key_Escape, "value0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved_value);
    ResetProcessState();
    SaveProfilesAndRemoveFiles();
    OpenCustomize({"Member"});
    QTest::mouseClick(value_, Qt::LeftButton);
    Retype(value_, "M-18");
    QTest::keyClick(value_, c.key);
    EXPECT_FALSE(sheet_->isVisible());
    const auto saved = ReadCustomizeFile(CustomizeFile());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0][2], c.saved_value);
  }
}

}  // namespace
}  // namespace zr
