// The select-login dialog (233): sorted login names over records held by id,
// details of the selected record, flags written at the click, "&Login" saving
// the store, Cancel choosing -1, and records that vanish while it is open.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "store/login_store.h"
#include "login_test_support.h"
#include "store/custom_field_list.h"
#include "tests/support/test_support.h"
#include "ui/select_login_dialog.h"

namespace zr {
namespace {

class SelectLoginDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CustomFields().Reset();  // a save also writes the process's custom fields
    mike_ = AddRecord(store_, "Mail", "mail.example.com",
                      {{"username", "mike", "text", "", ""}, {"password", "m-pw", "password", "", ""}},
                      true);
    nobody_ = AddRecord(store_, "Guest", "guest.example.com",
                        {{"password", "g-pw", "password", "", ""}});
    alice_ = AddRecord(store_, "Bank", "bank.example.com",
                       {{"username", "alice", "text", "", ""}, {"password", "a-pw", "password", "", ""}});
    store_.FindById(alice_)->set_require_master_password(1);
    ASSERT_TRUE(store_.Save(path_));
  }

  // The flag of the record at position in the store saved at path_.
  bool SavedRequireFlag(int position) {
    LoginStore saved;
    EXPECT_TRUE(saved.Load(path_));
    return saved.GetAt(position)->require_master_password();
  }

  static QStringList Names(SelectLoginDialog& dialog) {
    auto* combo = dialog.ControlAs<QComboBox>(263);
    QStringList names;
    for (int i = 0; i < combo->count(); ++i) names << combo->itemText(i);
    return names;
  }

  testing::TempDir folder_;
  const std::string path_ = folder_.File("Password.dat");
  LoginStore store_;
  int mike_ = 0, nobody_ = 0, alice_ = 0;
};

TEST_F(SelectLoginDialogTest, ListsNamesSortedAndShowsTheFirst) {
  SelectLoginDialog dialog(store_, {mike_, 999, nobody_, alice_});  // 999: no such record
  EXPECT_EQ(Names(dialog), QStringList({"(no user name)", "alice", "mike"}));
  auto* combo = dialog.ControlAs<QComboBox>(263);
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(combo->itemData(1).toInt(), alice_);
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(241)->text(), "Guest");
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(242)->text(), "guest.example.com");
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(245)->text(), "");
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(247)->text(), "g-pw");
  EXPECT_EQ(dialog.chosen_id(), 0);
}

TEST_F(SelectLoginDialogTest, LoginChoosesTheSelectedRecordAndSaves) {
  SelectLoginDialog dialog(store_, {mike_, nobody_, alice_});
  ModalDriver driver;
  driver.Then([&](QWidget*) {
    dialog.ControlAs<QComboBox>(263)->setCurrentIndex(2);  // mike
    dialog.ControlAs<QCheckBox>(256)->click();
    dialog.ControlAs<QPushButton>(1)->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(dialog.chosen_id(), mike_);
  EXPECT_TRUE(store_.FindById(mike_)->require_master_password());
  EXPECT_TRUE(SavedRequireFlag(0));
}

TEST_F(SelectLoginDialogTest, CancelChoosesNoneAndSavesNothing) {
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape);
    SelectLoginDialog dialog(store_, {mike_});
    ModalDriver driver;
  driver.Then([&](QWidget*) {
      dialog.ControlAs<QCheckBox>(256)->click();
      if (escape) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
      } else {
        dialog.ControlAs<QPushButton>(2)->click();
      }
    });
    dialog.exec();
    EXPECT_EQ(dialog.chosen_id(), -1);
    // The click took effect in memory; the file still has the old flag.
    EXPECT_EQ(store_.FindById(mike_)->require_master_password(), !escape);
    EXPECT_FALSE(SavedRequireFlag(0));
  }
}

TEST_F(SelectLoginDialogTest, RecordDeletedWhileOpenIsNeverChosen) {
  SelectLoginDialog dialog(store_, {mike_, alice_});
  ASSERT_EQ(Names(dialog), QStringList({"alice", "mike"}));
  QStringList after_login;
  ModalDriver driver;
  driver.Then([&](QWidget*) {
    store_.Delete(alice_);  // another client's call, run inside the dialog
    dialog.ControlAs<QCheckBox>(256)->click();  // writes nothing anywhere
    after_login = Names(dialog);
    // The box now shows mike's own flag, untouched by the click.
    EXPECT_FALSE(dialog.ControlAs<QCheckBox>(256)->isChecked());
    dialog.ControlAs<QPushButton>(1)->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(after_login, QStringList({"mike"}));
  EXPECT_EQ(dialog.chosen_id(), mike_);
  EXPECT_FALSE(store_.FindById(mike_)->require_master_password());
}

}  // namespace
}  // namespace zr
