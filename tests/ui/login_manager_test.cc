// The Login Manager window driven through its widgets: rows and columns,
// the Auto toggle, sorting, showing passwords, Edit, Delete, records deleted
// meanwhile, and saving on "&Close" only.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "login_test_support.h"
#include "tests/support/test_support.h"
#include "ui/login_list_view.h"
#include "ui/login_manager_dialog.h"
#include "ui/login_record_form.h"

namespace zr {
namespace {

using testing::ReadFile;

class LoginManagerTest : public ::testing::Test {
 protected:
  // Five records; Auto set on rows 1 and 4.
  void AddFive() {
    const char* descriptions[] = {"delta", "Alpha", "charlie", "Bravo", "echo"};
    const char* sites[] = {"e.example", "d.example", "c.example", "b.example", "a.example"};
    const char* passwords[] = {"pw3", "pw1", "pw5", "pw2", "pw4"};
    for (int i = 0; i < 5; ++i) {
      ids_.push_back(AddRecord(store_, descriptions[i], sites[i],
                               {{"user", std::string("user") + char('0' + i), "text", "", "Login"},
                                {"pass", passwords[i], "password", "", "Password"}},
                               i == 1 || i == 4));
    }
  }
  void Open() {
    dialog_ = std::make_unique<LoginManagerDialog>(store_);
    driver_.Ignore(dialog_.get());
    dialog_->show();
    dialog_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
  }
  QTreeWidget* Tree() { return dialog_->ControlAs<QTreeWidget>(kManagerList); }
  QTreeWidgetItem* Row(int row) { return Tree()->topLevelItem(row); }
  std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < Tree()->topLevelItemCount(); ++row) {
      texts.push_back(Row(row)->text(column).toStdString());
    }
    return texts;
  }
  void ClickRow(int row, int x, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, modifiers,
                      QPoint(x, Tree()->visualItemRect(Row(row)).center().y()));
  }
  void Click(int id) { QTest::mouseClick(dialog_->ControlAs<QAbstractButton>(id), Qt::LeftButton); }

  testing::TempDir folder_;
  const std::string path_ = folder_.File("Password.dat");
  ModalDriver driver_;
  LoginStore store_;
  std::vector<int> ids_;
  std::unique_ptr<LoginManagerDialog> dialog_;
};

TEST_F(LoginManagerTest, DeleteAsksThenRemovesExactlyTheSelectedRecords) {
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    SCOPED_TRACE(answer);
    store_ = LoginStore();
    ids_.clear();
    AddFive();
    Open();
    ClickRow(0, 100);
    ClickRow(2, 100, Qt::ControlModifier);
    ClickRow(4, 100, Qt::ControlModifier);
    driver_.boxes.clear();
    driver_.Answer(answer);
    Click(kManagerDeleteButton);
    ASSERT_EQ(driver_.boxes.size(), 1u);
    EXPECT_EQ(driver_.boxes[0].text, "Are you sure you want to delete these items?");
    EXPECT_EQ(driver_.boxes[0].caption, "Zorvane Login Manager");
    if (answer == QMessageBox::No) {
      EXPECT_EQ(store_.Count(), 5);
      EXPECT_EQ(Tree()->topLevelItemCount(), 5);
    } else {
      EXPECT_EQ(Column(kLoginDescriptionColumn), (std::vector<std::string>{"Alpha", "Bravo"}));
      EXPECT_EQ(store_.Count(), 2);
      EXPECT_EQ(store_.FindById(ids_[0]), nullptr);
      EXPECT_NE(store_.FindById(ids_[1]), nullptr);
      EXPECT_EQ(dialog_->list_view().SelectedRows(), std::vector<int>{0});
    }
  }
}

TEST_F(LoginManagerTest, CloseSavesAndCancelDoesNot) {
  AddFive();
  ASSERT_TRUE(store_.Save(path_));
  const std::string saved = ReadFile(path_);

  // Escape after a deletion and a new master password: the file stays.
  Open();
  ClickRow(0, 100);
  driver_.Answer(QMessageBox::Yes);
  Click(kManagerDeleteButton);
  driver_.Then([](QWidget* modal) {
    auto* setup = qobject_cast<TemplateDialog*>(modal);
    ASSERT_NE(setup, nullptr);
    for (int edit : {206, 209}) setup->ControlAs<QLineEdit>(edit)->setText("n3w");
    QTest::mouseClick(setup->ControlAs<QPushButton>(1), Qt::LeftButton);
  });
  Click(kManagerMasterPasswordButton);
  EXPECT_EQ(store_.master_password(), "n3w");
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(ReadFile(path_), saved);
  EXPECT_EQ(store_.Count(), 4) << "the change stays in memory";

  // "&Close" through RunLoginManager writes the store without the record.
  driver_.Then([](QWidget* modal) {
    auto* manager = qobject_cast<LoginManagerDialog*>(modal);
    ASSERT_NE(manager, nullptr);
    QTest::mouseClick(manager->ControlAs<QPushButton>(kManagerCloseButton), Qt::LeftButton);
  });
  RunLoginManager(0, store_);
  EXPECT_EQ(driver_.pending(), 0u);
  LoginStore reloaded;
  ASSERT_TRUE(reloaded.Load(path_));
  EXPECT_EQ(reloaded.Count(), 4);
  EXPECT_EQ(reloaded.master_password(), "n3w");
  EXPECT_TRUE(driver_.unexpected.empty());
}

}  // namespace
}  // namespace zr
