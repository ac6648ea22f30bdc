// The Form Manager sheet: however it closes both files are written, typed
// values reach them only through OK (or Return) and only from pages shown;
// the Customize page refuses an empty description and asks before removing.
#include "ui/form_manager_sheet.h"

#include <QListWidget>

#include "ui/customize_page.h"
#include "ui_test_support.h"

namespace zr {
namespace {

constexpr int kHome = 0, kWork = 1, kCustomize = 2, kCityEdit = 217, kFirstNameEdit = 203;

class FormManagerTest : public FormSheetTest {
 protected:
  void Open() {
    sheet_ = std::make_unique<FormManagerSheet>(home_, work_);
    ShowActive(*sheet_);
  }
  // Opens the Customize page over entries with these descriptions (values "valueN").
  void OpenCustomize(const std::vector<std::string>& descriptions) {
    Reset();
    SaveProfilesAndRemoveFiles();
    for (int i = 0; i < static_cast<int>(descriptions.size()); ++i) {
      CustomFields().SetCustomField(i, descriptions[i], "name" + std::to_string(i), "value" + std::to_string(i));
    }
    Open();
    sheet_->tabs()->setCurrentIndex(kCustomize);
    list_ = sheet_->Page(kCustomize)->ControlAs<QListWidget>(kCustomFieldListId);
  }
  QLineEdit* CustomEdit(int id) const { return Edit(*sheet_, kCustomize, id); }
  static std::vector<std::string> Entries() {
    std::vector<std::string> out;
    for (int i = 0; i < CustomFields().CustomFieldCount(); ++i) {
      out.push_back(CustomFields().GetCustomField(i)->description() + "=" + CustomFields().GetCustomField(i)->value());
    }
    return out;
  }

  std::unique_ptr<FormManagerSheet> sheet_;
  QListWidget* list_ = nullptr;
};

// A page never shown has empty edits: applying it would wipe the profile.
TEST_F(FormManagerTest, ClosingSavesBothFilesAndOnlyOkAppliesTheShownPages) {
  const auto ok = [](FormManagerSheet& s, QLineEdit*) { s.ok_button()->click(); };
  const struct {
    const char* name;
    std::function<void(FormManagerSheet&, QLineEdit*)> close;
    bool visit_work;
    const char *home_city, *work_city;
  } cases[] = {
      {"ok", ok, false, "Paris", "Berlin"},
      {"ok after work", ok, true, "Paris", "Munich"},
      {"return", [](FormManagerSheet&, QLineEdit* e) { QTest::keyClick(e, Qt::Key_Return); }, false, "Paris", "Berlin"},
      {"cancel", [](FormManagerSheet& s, QLineEdit*) { s.cancel_button()->click(); }, true, "Lyon", "Berlin"},
      {"escape", [](FormManagerSheet&, QLineEdit* e) { QTest::keyClick(e, Qt::Key_Escape); }, false, "Lyon", "Berlin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    home_.Value(ProfileField::kCity) = "Lyon";
    work_.Value(ProfileField::kCity) = "Berlin";
    work_.Value(ProfileField::kJobTitle) = "Engineer";
    SaveProfilesAndRemoveFiles();
    Open();
    Retype(Edit(*sheet_, kHome, kFirstNameEdit), "Ann");  // a shared field: into both files
    QLineEdit* city = Edit(*sheet_, kHome, kCityEdit);
    Retype(city, "Paris");
    if (c.visit_work) sheet_->tabs()->setCurrentIndex(kWork), Retype(city = Edit(*sheet_, kWork, kCityEdit), "Munich");
    c.close(*sheet_, city);
    EXPECT_FALSE(sheet_->isVisible());
    const auto home_file = ReadProfileFile(HomeFile()), work_file = ReadProfileFile(WorkFile());
    const char* first_name = std::string(c.home_city) == "Paris" ? "Ann" : "";
    EXPECT_EQ(home_file->Value(ProfileField::kCity) + "/" + home_file->Value(ProfileField::kFirstName) + "/" + home_.Value(ProfileField::kCity),
              std::string(c.home_city) + "/" + first_name + "/" + c.home_city);
    EXPECT_EQ(work_file->Value(ProfileField::kCity) + "/" + work_file->Value(ProfileField::kFirstName) + "/" + work_file->Value(ProfileField::kJobTitle),
              std::string(c.work_city) + "/" + first_name + "/Engineer");
    EXPECT_TRUE(std::filesystem::exists(CustomizeFile()));
  }
}

// Neither answer writes the empty text into the entry; Cancel shows the old one again.
TEST_F(FormManagerTest, ClearedDescriptionIsRefusedWithRetry) {
  for (auto [answer, edit_after] : {std::pair{QMessageBox::Cancel, "Member"}, {QMessageBox::Retry, ""}}) {
    SCOPED_TRACE(edit_after);
    ModalDriver driver;
    driver.Answer(answer);
    OpenCustomize({"Member", "Other"});
    QLineEdit* description = CustomEdit(kCustomDescriptionEditId);
    QTest::mouseClick(description, Qt::LeftButton);
    Retype(description, "");
    QTest::keyClick(description, Qt::Key_Tab);
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0].text, "Please enter the field description");
    EXPECT_EQ(description->text(), edit_after);
    EXPECT_EQ(sheet_->focusWidget(), description);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Member=value0", "Other=value1"}));
    sheet_->reject();
  }
}

// Yes removes the entry and selects its neighbour; the removal is saved even when the sheet is cancelled.
TEST_F(FormManagerTest, RemoveAsksThenSelectsTheNeighbour) {
  const struct {
    int removed;
    QMessageBox::StandardButton answer;
    std::vector<std::string> remaining;
    int selected;
  } cases[] = {{0, QMessageBox::Yes, {"B=value1", "C=value2"}, 0},
               {2, QMessageBox::Yes, {"A=value0", "B=value1"}, 1},
               {1, QMessageBox::No, {"A=value0", "B=value1", "C=value2"}, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.removed);
    ModalDriver driver;
    driver.Answer(c.answer);
    OpenCustomize({"A", "B", "C"});
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, list_->visualItemRect(list_->item(c.removed)).center());
    sheet_->Page(kCustomize)->ControlAs<QPushButton>(kRemoveCustomFieldButtonId)->click();
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(driver.boxes[0].text, "Are you sure you want to remove this field?");
    EXPECT_EQ(list_->currentRow(), c.selected);
    EXPECT_EQ(CustomEdit(kCustomDescriptionEditId)->text().toStdString(), c.remaining[c.selected].substr(0, 1));
    sheet_->cancel_button()->click();
    EXPECT_EQ(ReadCustomizeFile(CustomizeFile()), c.remaining);
  }
}

// Return (OK) commits the value being typed before the file is written; Escape drops it.
TEST_F(FormManagerTest, ReturnCommitsTheEditBeingTypedEscapeDropsIt) {
  for (auto [key, saved] : {std::pair{Qt::Key_Return, "Member=M-18"}, {Qt::Key_Escape, "Member=value0"}}) {
    OpenCustomize({"Member"});
    QLineEdit* value = CustomEdit(kCustomValueEditId);
    QTest::mouseClick(value, Qt::LeftButton);
    Retype(value, "M-18");
    QTest::keyClick(value, key);
    EXPECT_EQ(ReadCustomizeFile(CustomizeFile()), std::vector<std::string>{saved});
  }
}

}  // namespace
}  // namespace zr
