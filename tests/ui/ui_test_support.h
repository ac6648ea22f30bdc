// Shared set-up of the ui tests: login records, both form profiles in a temporary folder, a
// profile file reader, a dialog closer and a driver that answers modal windows.
#ifndef ZRFORM_TESTS_UI_UI_TEST_SUPPORT_H_
#define ZRFORM_TESTS_UI_UI_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>

#include "store/byte_stream.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/login_store.h"
#include "tests/support/test_support.h"
#include "ui/property_sheet.h"
#include "ui/template_dialog.h"

namespace zr {

// Fields as (name, value, type, form name, description); the site is "<description>.example".
inline int AddRecord(LoginStore& store, const std::string& description,
                     const std::vector<std::array<std::string, 5>>& fields) {
  auto record = std::make_unique<LoginRecord>();
  record->set_description(description), record->set_site(description + ".example");
  for (const auto& [name, value, type, form, field_description] : fields) {
    record->AddField(name, value, type, form);
    record->fields().back().description = field_description;
  }
  LoginRecord* added = record.get();
  store.AddOrMerge(std::move(record));
  return added->id();
}

inline void ShowActive(QWidget& window) {
  window.show(), window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// Closes dialog as a user would: "ok" and "cancel" click buttons 1 and 2, "return" and
// "escape" are keys typed into focus, "window" closes the window.
inline void CloseAs(TemplateDialog& dialog, std::string_view how, QWidget* focus) {
  if (how == "ok" || how == "cancel")
    return dialog.ControlAs<QPushButton>(how == "ok" ? 1 : 2)->click();
  if (how == "window") return void(dialog.close());
  QTest::keyClick(focus, how == "return" ? Qt::Key_Return : Qt::Key_Escape);
}

inline void Retype(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Reads a saved profile, leaving the process's shared name fields as they were.
inline std::unique_ptr<FormProfile> ReadProfileFile(const std::string& path) {
  const SharedNameFields names = SharedNames();
  auto object = std::make_unique<FormProfile>();
  const std::string bytes = testing::ReadFile(path);
  ByteReader reader(bytes);
  EXPECT_TRUE(object->ReadFrom(reader)) << path;
  SharedNames() = names;
  return object;
}

// Starts as a fresh process would; both profiles get paths in folder_, whose
// files are then removed so that a test sees which files a sheet writes.
class FormSheetTest : public ::testing::Test {
 public:
  static void Reset() { CustomFields().Reset(), SharedNames().Reset(); }

 protected:
  FormSheetTest() { Reset(); }
  ~FormSheetTest() override { Reset(); }
  void SaveProfilesAndRemoveFiles() {
    std::filesystem::remove(CustomizeFile());  // a first save would read it
    ASSERT_TRUE(work_.Save(WorkFile()) && home_.Save(HomeFile()));
    for (const std::string& file : {WorkFile(), HomeFile(), CustomizeFile()})
      std::filesystem::remove(file);
  }
  static QLineEdit* Edit(const PropertySheet& sheet, int page, int id) {
    return sheet.Page(page)->ControlAs<QLineEdit>(id);
  }
  std::string HomeFile() const { return folder_.File(kHomeProfileFileName); }
  std::string WorkFile() const { return folder_.File(kWorkProfileFileName); }
  std::string CustomizeFile() const { return folder_.File(kCustomizeFileName); }

  testing::TempDir folder_;
  FormProfile home_, work_;
};

// Runs one step on each modal window that becomes active, in order; a window with no step
// left (or no such button) is noted in unexpected and rejected, so a test never hangs.
class ModalDriver {
 public:
  using Step = std::function<void(QWidget* modal)>;
  ModalDriver() { Schedule(); }
  ~ModalDriver() { *alive_ = false; }
  void Then(Step step) { steps_.push_back(std::move(step)); }
  void Ignore(QWidget* window) { seen_.emplace_back(window); }  // a window the test drives itself
  // Answers the next window, a message box, with button; records its text.
  void Answer(QMessageBox::StandardButton button) {
    Then([this, button](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QAbstractButton* pressed = box ? box->button(button) : nullptr;
      if (!pressed) return Reject(modal);
      boxes.push_back(box->text());
      pressed->click();
    });
  }
  size_t pending() const { return steps_.size(); }

  std::vector<QString> boxes, unexpected;

 private:
  void Reject(QWidget* modal) {
    unexpected.push_back(modal->windowTitle());
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  }
  // A fresh single-shot timer each time, so that polling goes on inside the
  // nested event loops that the steps start.
  void Schedule() {
    QTimer::singleShot(5, [this, alive = alive_] {
      if (*alive) Schedule(), Poll();
    });
  }
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || std::count(seen_.begin(), seen_.end(), modal)) return;
    seen_.emplace_back(modal);
    if (steps_.empty()) return Reject(modal);
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(modal);
  }

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::deque<Step> steps_;
  std::vector<QPointer<QWidget>> seen_;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_UI_UI_TEST_SUPPORT_H_
