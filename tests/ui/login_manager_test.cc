// The Login Manager (Delete, Close, a failed save, Import... and Export...) and
// the login record editor (refusals in words, closing, a record deleted meanwhile).
#include <QListWidget>
#include <QTreeWidget>
#include <filesystem>

#include "forms/outcome.h"
#include "ui/login_list_view.h"
#include "ui/login_manager_dialog.h"
#include "ui/login_record_form.h"
#include "ui_test_support.h"

namespace zr {
namespace {

class LoginManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"delta", "Alpha", "charlie", "Bravo", "echo"})
      ids_.push_back(AddRecord(store_, name, {{"pass", name, "password", "", ""}}));
    dialog_ = std::make_unique<LoginManagerDialog>(store_);
    driver_.Ignore(dialog_.get());
    ShowActive(*dialog_);
  }
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    auto* tree = dialog_->ControlAs<QTreeWidget>(kManagerList);
    const int y = tree->visualItemRect(tree->topLevelItem(row)).center().y();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, QPoint(100, y));
  }
  void Click(int id) { dialog_->ControlAs<QAbstractButton>(id)->click(); }

  testing::TempDir folder_;
  const std::string path_ = folder_.File("Password.dat");
  ModalDriver driver_;
  LoginStore store_;
  std::vector<int> ids_;
  std::unique_ptr<LoginManagerDialog> dialog_;
};

// Rows 0, 2 and 4 selected: No keeps them, Yes removes them.
TEST_F(LoginManagerTest, DeleteAsksThenRemovesExactlyTheSelectedRecords) {
  ClickRow(0), ClickRow(2, Qt::ControlModifier), ClickRow(4, Qt::ControlModifier);
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    driver_.Answer(answer);
    Click(kManagerDeleteButton);
    EXPECT_EQ(driver_.boxes.back(), "Are you sure you want to delete these items?");
  }
  EXPECT_EQ(dialog_->ControlAs<QTreeWidget>(kManagerList)->topLevelItemCount(), 2);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(store_.FindById(ids_[i]) != nullptr, i % 2 == 1) << i;
  EXPECT_EQ(driver_.boxes.size() + driver_.unexpected.size(), 2u);
}

// Escape after a deletion and a new master password leaves the file;
// "&Close" through RunLoginManager writes both.
TEST_F(LoginManagerTest, CloseSavesAndCancelDoesNot) {
  ASSERT_TRUE(store_.Save(path_));
  const std::string saved = testing::ReadFile(path_);
  ClickRow(0);
  driver_.Answer(QMessageBox::Yes);
  Click(kManagerDeleteButton);
  driver_.Then([](QWidget* setup) {
    for (int edit : {206, 209})
      static_cast<TemplateDialog*>(setup)->ControlAs<QLineEdit>(edit)->setText("n3w");
    static_cast<TemplateDialog*>(setup)->ControlAs<QPushButton>(1)->click();
  });
  Click(kManagerMasterPasswordButton);
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(testing::ReadFile(path_), saved);
  driver_.Then([](QWidget* manager) {
    static_cast<TemplateDialog*>(manager)->ControlAs<QPushButton>(kManagerCloseButton)->click();
  });
  RunLoginManager(0, store_);
  LoginStore reloaded;
  ASSERT_TRUE(reloaded.Load(path_));
  EXPECT_EQ(reloaded.Count(), 4);
  EXPECT_EQ(reloaded.master_password(), "n3w");
  EXPECT_EQ(driver_.pending() + driver_.unexpected.size(), 0u);
}

// A folder that is gone cannot be written, even by root.
TEST_F(LoginManagerTest, ACloseWhoseSaveFailsSaysWhichFileAndKeepsTheRecords) {
  const std::string gone = folder_.File("gone/Password.dat");
  ASSERT_FALSE(store_.Save(gone));
  driver_.Answer(QMessageBox::Ok);
  Click(kManagerCloseButton);
  EXPECT_EQ(driver_.boxes, std::vector{QString::fromStdString(NotSavedText(gone))});
  EXPECT_EQ(store_.Count(), 5);
}

class LoginRecordFormTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void Open() {
    form_.reset();  // before the store it edits is replaced
    store_ = LoginStore();
    id_ = AddRecord(
        store_, "Mail",
        {{"user", "ann", "text", "", "Login"}, {"pass", "s3cret", "password", "", "Password"}});
    form_ = std::make_unique<LoginRecordForm>(store_, id_);
    driver_.Ignore(form_.get());
    ShowActive(*form_);
    auto* list = form_->ControlAs<QListWidget>(kRecordFieldList);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
  }
  LoginField& Field() { return *store_.FindById(id_)->FieldAt(1); }
  QLineEdit* Edit(int id) { return form_->ControlAs<QLineEdit>(id); }

  ModalDriver driver_;
  LoginStore store_;
  int id_ = -1;
  std::unique_ptr<LoginRecordForm> form_;
};

// Retry or Cancel (which shows the old text again); a later commit writes the
// rest of the field, never the empty text.
TEST_F(LoginRecordFormTest, EmptyNameOrDescriptionIsRefused) {
  for (auto [edit, text, answer, shown_after] :
       {std::tuple{kRecordFieldNameEdit, "Empty field is not allowed", QMessageBox::Cancel, "pass"},
        {kRecordFieldDescriptionEdit, "Please enter the field description", QMessageBox::Retry,
         ""}}) {
    SCOPED_TRACE(text);
    driver_.Answer(answer);
    Edit(edit)->setFocus(Qt::MouseFocusReason);
    Retype(Edit(edit), "");
    QTest::keyClick(Edit(edit), Qt::Key_Tab);
    EXPECT_EQ(driver_.boxes.back(), text);
    EXPECT_EQ(Edit(edit)->text(), shown_after);
    EXPECT_EQ(form_->focusWidget(), Edit(edit));
    QTest::mouseClick(form_->ControlAs<QAbstractButton>(kRecordTextRadio), Qt::LeftButton);
    EXPECT_EQ(Field().type + "/" + Field().field_name + "/" + Field().description,
              "text/pass/Password");
    Open();
  }
  EXPECT_EQ(driver_.boxes.size(), 2u);
}

TEST_F(LoginRecordFormTest, EveryWayOfClosingWritesTheRecord) {
  for (bool escape : {true, false}) {
    Edit(kRecordSiteEdit)->setText("new.example");
    form_->ControlAs<QCheckBox>(kRecordFillAutomaticallyCheck)->setChecked(true);
    Edit(kRecordFieldValueEdit)->setFocus();  // still focused when the form closes
    QTest::keyClicks(Edit(kRecordFieldValueEdit), "!");
    escape ? QTest::keyClick(form_.get(), Qt::Key_Escape)
           : form_->ControlAs<QPushButton>(1)->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(store_.FindById(id_)->site(), "new.example");
    EXPECT_TRUE(store_.FindById(id_)->fill_automatically());
    EXPECT_EQ(Field().value, "s3cret!");
    Open();
  }
}

TEST_F(LoginRecordFormTest, RecordDeletedByAnotherClientClosesWithoutWriting) {
  store_.Delete(id_);  // another client's call, run by the form's event loop
  Edit(kRecordFieldValueEdit)->setFocus();
  QTest::keyClicks(Edit(kRecordFieldValueEdit), "lost");
  QTest::keyClick(Edit(kRecordFieldValueEdit), Qt::Key_Tab);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(form_->record_lost());
}

// Import shows its plan before adding (Cancel adds nothing, OK adds and saves at once) and asks
// whether to replace a stored password; Export warns before writing (Cancel writes nothing).
TEST_F(LoginManagerTest, ImportShowsThePlanFirstAndExportWarnsBeforeWriting) {
  FormSheetTest::Reset();  // customize.dat, written by every save, goes beside path_
  ASSERT_TRUE(store_.Save(path_));
  const std::string csv = folder_.File("in.csv"), out = folder_.File("out.csv");
  std::string chosen = csv;
  dialog_->choose_file = [&](QWidget*, bool) { return QString::fromStdString(chosen); };
  auto* tree = dialog_->ControlAs<QTreeWidget>(kManagerList);
  // "<logins> <password of a.example, or -> <out.csv exists>"
  const auto state = [&](LoginStore& store) {
    return std::to_string(store.Count()) + " " +
           (store.Count() > 5 ? *store.GetAt(5)->GetPassword() : "-") + " " +
           std::to_string(std::filesystem::exists(out));
  };
  std::string seen;  // the state while each box was up, then the saved state
  std::vector<std::string> texts;
  using M = QMessageBox;
  const std::string two = "https://a.example,ann,1\nhttps://b.example,bob,2\n",
                    changed = "https://a.example,ann,NEW\nhttps://b.example,bob,2\n";
  const std::tuple<std::string, std::vector<M::StandardButton>, std::string> steps[] = {
      {two, {M::Cancel}, "5 - 0, 5 - 0"},  // rows imported ("" exports), answers, states
      {two, {M::Ok, M::Ok}, "5 - 0, 7 1 0, 7 1 0"},
      {changed, {M::No, M::Ok}, "7 1 0, 7 1 0, 7 1 0"},
      {changed, {M::Yes, M::Ok}, "7 1 0, 7 NEW 0, 7 NEW 0"},
      {"", {M::Cancel}, "7 NEW 0, 7 NEW 0"},
      {"", {M::Ok, M::Ok}, "7 NEW 0, 7 NEW 1, 7 NEW 1"},
  };
  for (const auto& [rows, answers, states] : steps) {
    SCOPED_TRACE(rows.empty() ? "export" : rows);
    seen.clear(), texts.clear();
    for (M::StandardButton button : answers) {
      driver_.Then([&, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        seen += state(store_) + ", ";
        texts.push_back(box ? box->text().toStdString() : "not a box");
        if (QAbstractButton* pressed = box ? box->button(button) : nullptr) pressed->click();
      });
    }
    chosen = rows.empty() ? out : csv;
    if (!rows.empty()) {
      ASSERT_TRUE(testing::WriteFile(csv, "url,username,password\n" + rows));
    }
    Click(rows.empty() ? kManagerExportButton : kManagerImportButton);
    LoginStore saved;
    ASSERT_TRUE(saved.Load(path_));
    EXPECT_EQ(seen + state(saved), states) << "saved at once";
    EXPECT_EQ(tree->topLevelItemCount(), store_.Count());
    ASSERT_FALSE(texts.empty());
    EXPECT_TRUE(texts[0].starts_with(rows.empty() ? "The file " + out + " will hold" : "2 logins"))
        << texts[0];
  }
  EXPECT_NE(testing::ReadFile(out).find("\"a.example\",\"https://a.example\",\"ann\",\"NEW\""),
            std::string::npos);
  EXPECT_EQ(std::filesystem::status(out).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(driver_.pending() + driver_.unexpected.size(), 0u);
}

}  // namespace
}  // namespace zr
