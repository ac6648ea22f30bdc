// Helpers of the Form Manager and field names editor tests: a fixture that
// starts from a fresh process state with both profiles saved in a temporary
// folder, and readers of the written files that leave the process state alone.
#ifndef ZRFORM_TESTS_UI_FORM_TEST_SUPPORT_H_
#define ZRFORM_TESTS_UI_FORM_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "store/byte_stream.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "tests/support/test_support.h"
#include "ui/property_sheet.h"

namespace zr {

// What one profile file holds: every value and list, by ProfileField.
struct ProfileFileContents {
  std::array<std::string, kProfileFieldCount> values;
  std::array<std::string, kProfileFieldCount> lists;
  const std::string& Value(ProfileField field) const { return values[static_cast<int>(field)]; }
  const std::string& List(ProfileField field) const { return lists[static_cast<int>(field)]; }
};

// Reads a profile file without touching the process's shared name fields.
inline ProfileFileContents ReadProfileFile(const std::string& path) {
  const SharedNameFields saved = SharedNames();
  const std::string bytes = testing::ReadFile(path);
  FormProfile profile;
  ByteReader reader(bytes);
  EXPECT_TRUE(profile.ReadFrom(reader)) << path;
  ProfileFileContents contents;
  for (int i = 0; i < kProfileFieldCount; ++i) {
    contents.values[i] = profile.Value(static_cast<ProfileField>(i));
    contents.lists[i] = profile.List(static_cast<ProfileField>(i));
  }
  SharedNames() = saved;
  return contents;
}

// The (description, names, value) of every entry of a "customize.dat".
inline std::vector<std::array<std::string, 3>> ReadCustomizeFile(const std::string& path) {
  const std::string bytes = testing::ReadFile(path);
  CustomFieldList list;
  ByteReader reader(bytes);
  EXPECT_TRUE(list.ReadFrom(reader)) << path;
  std::vector<std::array<std::string, 3>> entries;
  for (int i = 0; i < list.CustomFieldCount(); ++i) {
    const CustomField* field = list.GetCustomField(i);
    entries.push_back({field->description(), field->names(), field->value()});
  }
  return entries;
}

// Each test starts as a fresh process would, with a Home and a Work profile
// whose files live in a temporary folder.
class FormSheetTest : public ::testing::Test {
 protected:
  FormSheetTest() { ResetProcessState(); }
  ~FormSheetTest() override { ResetProcessState(); }
  static void ResetProcessState() {
    CustomFields().Reset();
    SharedNames().Reset();
  }

  std::string HomeFile() const { return folder_.File(kHomeProfileFileName); }
  std::string WorkFile() const { return folder_.File(kWorkProfileFileName); }
  std::string CustomizeFile() const { return folder_.File(kCustomizeFileName); }

  // Saves both profiles (which gives them their paths), then removes the
  // files, so that a test sees which files the sheet writes.
  void SaveProfilesAndRemoveFiles() {
    // A first save reads an existing "customize.dat" into the custom fields.
    std::filesystem::remove(CustomizeFile());
    ASSERT_TRUE(work_.Save(WorkFile()));
    ASSERT_TRUE(home_.Save(HomeFile()));
    std::filesystem::remove(WorkFile());
    std::filesystem::remove(HomeFile());
    std::filesystem::remove(CustomizeFile());
  }

  // Shows sheet (not modally) and waits until it is the active window, so
  // that focus changes reach its controls.
  static void ShowActive(PropertySheet& sheet) {
    sheet.show();
    sheet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
  }

  // The edit id of page index of sheet, or a failed check.
  static QLineEdit* Edit(const PropertySheet& sheet, int index, int id) {
    SheetPage* page = sheet.Page(index);
    auto* edit = page ? page->ControlAs<QLineEdit>(id) : nullptr;
    EXPECT_NE(edit, nullptr) << "page " << index << " edit " << id;
    return edit;
  }

  // Replaces the text of edit as typing would.
  static void Retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }

  testing::TempDir folder_;
  FormProfile home_;
  FormProfile work_;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_UI_FORM_TEST_SUPPORT_H_
