// The Login Manager window driven through its widgets: rows and columns,
// the Auto toggle, sorting, showing passwords, Edit, Delete, records deleted
// meanwhile, and saving on "&Close" only.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
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
  std::vector<bool> Flags() {
    std::vector<bool> flags;
    for (int id : ids_) flags.push_back(store_.FindById(id)->fill_automatically());
    return flags;
  }
  void ClickRow(int row, int x, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, modifiers,
                      QPoint(x, Tree()->visualItemRect(Row(row)).center().y()));
  }
  void ClickHeader(int column) {
    QHeaderView* header = Tree()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  }
  void Click(int id) { QTest::mouseClick(dialog_->ControlAs<QAbstractButton>(id), Qt::LeftButton); }

  testing::TempDir folder_;
  const std::string path_ = folder_.File("Password.dat");
  ModalDriver driver_;
  LoginStore store_;
  std::vector<int> ids_;
  std::unique_ptr<LoginManagerDialog> dialog_;
};

TEST_F(LoginManagerTest, RowsShowRecordsInStoreOrderWithPasswordsMasked) {
  AddFive();
  Open();
  EXPECT_EQ(Column(kLoginDescriptionColumn),
            (std::vector<std::string>{"delta", "Alpha", "charlie", "Bravo", "echo"}));
  EXPECT_EQ(Column(kLoginNameColumn),
            (std::vector<std::string>{"user0", "user1", "user2", "user3", "user4"}));
  EXPECT_EQ(Column(kLoginPasswordColumn), std::vector<std::string>(5, "********"));
  EXPECT_EQ(Column(kLoginAutoColumn), std::vector<std::string>(5, ""));
  EXPECT_EQ(Row(1)->icon(kLoginAutoColumn).cacheKey(), Row(4)->icon(kLoginAutoColumn).cacheKey());
  EXPECT_NE(Row(0)->icon(kLoginAutoColumn).cacheKey(), Row(1)->icon(kLoginAutoColumn).cacheKey());

  auto* show = dialog_->ControlAs<QCheckBox>(kManagerShowPasswordCheck);
  QTest::mouseClick(show, Qt::LeftButton);
  EXPECT_EQ(Column(kLoginPasswordColumn),
            (std::vector<std::string>{"pw3", "pw1", "pw5", "pw2", "pw4"}));
  QTest::mouseClick(show, Qt::LeftButton);
  EXPECT_EQ(Column(kLoginPasswordColumn), std::vector<std::string>(5, "********"));
}

TEST_F(LoginManagerTest, AutoToggleByClickPosition) {
  using Flags5 = std::vector<bool>;
  const Flags5 initial = {false, true, false, false, true};
  const struct {
    std::vector<int> selected;
    int row;  // -1: below the last row
    int x;
    Flags5 after;
  } cases[] = {
      {{}, 0, 8, {true, true, false, false, true}},
      {{1, 3}, 3, 8, {false, true, false, true, true}},  // selected rows follow
      {{1, 3}, 1, 16, {false, false, false, false, true}},
      {{0}, 2, 17, initial},  // right of the check box
      {{0}, -1, 8, initial},  // below the last row
  };
  AddFive();
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "row " << c.row << " x " << c.x);
    for (size_t i = 0; i < ids_.size(); ++i) {
      store_.FindById(ids_[i])->set_fill_automatically(initial[i]);
    }
    Open();
    for (int row : c.selected) ClickRow(row, 100, Qt::ControlModifier);
    if (c.row >= 0) {
      ClickRow(c.row, c.x);
    } else {
      QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                        QPoint(c.x, Tree()->visualItemRect(Row(4)).bottom() + 10));
    }
    EXPECT_EQ(Flags(), c.after);
    if (c.row >= 0 && c.x <= kLoginAutoBoxWidth) {
      EXPECT_EQ(dialog_->list_view().SelectedRows(), c.selected) << "selection kept";
    }
  }
}

TEST_F(LoginManagerTest, HeaderClicksSortByRecordFields) {
  AddFive();
  Open();
  ClickHeader(kLoginDescriptionColumn);
  EXPECT_EQ(Column(kLoginDescriptionColumn),
            (std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta", "echo"}));
  ClickHeader(kLoginDescriptionColumn);
  EXPECT_EQ(Column(kLoginDescriptionColumn),
            (std::vector<std::string>{"echo", "delta", "charlie", "Bravo", "Alpha"}));
  ClickHeader(kLoginSiteColumn);
  EXPECT_EQ(
      Column(kLoginSiteColumn),
      (std::vector<std::string>{"a.example", "b.example", "c.example", "d.example", "e.example"}));
  // Masked or not, the Password column sorts by the real passwords.
  ClickHeader(kLoginPasswordColumn);
  EXPECT_EQ(Column(kLoginDescriptionColumn),
            (std::vector<std::string>{"Alpha", "Bravo", "delta", "echo", "charlie"}));
  EXPECT_TRUE(dialog_->list_view().ascending());
  // Rows keep their records: Edit after sorting opens the right one.
  ClickRow(0, 100);
  driver_.Then([](QWidget* modal) {
    auto* form = qobject_cast<LoginRecordForm*>(modal);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->ControlAs<QLineEdit>(kRecordDescriptionEdit)->text(), "Alpha");
    form->reject();
  });
  Click(kManagerEditButton);
  EXPECT_EQ(driver_.pending(), 0u);
}

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
    EXPECT_EQ(driver_.boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(driver_.boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
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

TEST_F(LoginManagerTest, RecordDeletedByAnotherClientDropsItsRow) {
  AddFive();
  Open();
  ClickRow(2, 100);
  driver_.Then([this](QWidget* modal) {
    store_.Delete(ids_[2]);  // another client, while the editor is open
    auto* form = static_cast<LoginRecordForm*>(modal);
    form->ControlAs<QLineEdit>(kRecordFieldValueEdit)->setText("x");
    QTest::mouseClick(form->ControlAs<QAbstractButton>(kRecordPasswordRadio), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    if (form->isVisible()) form->reject();  // fail rather than hang
  });
  Click(kManagerEditButton);
  EXPECT_EQ(driver_.pending(), 0u);
  EXPECT_EQ(Column(kLoginDescriptionColumn),
            (std::vector<std::string>{"delta", "Alpha", "Bravo", "echo"}));

  // Deleted while the deletion question is open: nothing breaks.
  ClickRow(0, 100);
  driver_.Then([this](QWidget* box) {
    store_.Delete(ids_[0]);
    static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
  });
  Click(kManagerDeleteButton);
  EXPECT_EQ(store_.Count(), 3);
  EXPECT_EQ(Column(kLoginDescriptionColumn), (std::vector<std::string>{"Alpha", "Bravo", "echo"}));
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
