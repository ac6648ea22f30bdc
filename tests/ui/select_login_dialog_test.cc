// The select-login dialog: "&Login" chooses the selected record and saves the
// store, Cancel or Escape choose -1 and save nothing; a record deleted while
// it is open is never chosen.
#include "ui/select_login_dialog.h"

#include <QComboBox>

#include "ui_test_support.h"

namespace zr {
namespace {

class SelectLoginDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CustomFields().Reset();  // a save also writes the process's custom fields
    mike_ = AddRecord(store_, "Mail", {{"username", "mike", "text", "", ""}});
    guest_ = AddRecord(store_, "Guest", {});
    alice_ = AddRecord(store_, "Bank", {{"username", "alice", "text", "", ""}});
  }
  static QStringList Names(SelectLoginDialog& dialog) {
    auto* combo = dialog.ControlAs<QComboBox>(263);
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
      names << combo->itemText(i) + "=" + combo->itemData(i).toString();
    return names;
  }
  QString Name(const char* name, int id) const { return QString("%1=%2").arg(name).arg(id); }

  testing::TempDir folder_;
  const std::string path_ = folder_.File("Password.dat");
  LoginStore store_;
  int mike_ = 0, guest_ = 0, alice_ = 0;
};

// The box's click takes effect in memory at once; only "&Login" saves it.
TEST_F(SelectLoginDialogTest, LoginChoosesAndSavesCancelOrEscapeNeither) {
  for (const char* close : {"login", "cancel", "escape"}) {
    SCOPED_TRACE(close);
    store_.FindById(mike_)->set_require_master_password(0);
    ASSERT_TRUE(store_.Save(path_));
    SelectLoginDialog dialog(store_, {mike_, guest_});
    ModalDriver driver;
    driver.Then([&](QWidget*) {
      dialog.ControlAs<QComboBox>(263)->setCurrentIndex(1);  // mike
      dialog.ControlAs<QCheckBox>(256)->click();
      if (*close == 'e') return QTest::keyClick(&dialog, Qt::Key_Escape);
      dialog.ControlAs<QPushButton>(*close == 'l' ? 1 : 2)->click();
    });
    dialog.exec();
    EXPECT_EQ(dialog.chosen_id(), *close == 'l' ? mike_ : -1);
    EXPECT_TRUE(store_.FindById(mike_)->require_master_password());
    LoginStore saved;
    ASSERT_TRUE(saved.Load(path_));
    EXPECT_EQ(saved.GetAt(0)->require_master_password(), *close == 'l');
  }
}

TEST_F(SelectLoginDialogTest, RecordDeletedWhileOpenIsNeverChosen) {
  store_.FindById(alice_)->set_require_master_password(1);
  SelectLoginDialog dialog(store_, {mike_, alice_});
  ModalDriver driver;
  driver.Then([&](QWidget*) {
    store_.Delete(alice_);                      // another client's call, run inside the dialog
    dialog.ControlAs<QCheckBox>(256)->click();  // writes nothing anywhere
    EXPECT_EQ(Names(dialog), QStringList({Name("mike", mike_)}));
    EXPECT_FALSE(dialog.ControlAs<QCheckBox>(256)->isChecked()) << "shows mike's own flag";
    dialog.ControlAs<QPushButton>(1)->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(dialog.chosen_id(), mike_);
  EXPECT_FALSE(store_.FindById(mike_)->require_master_password());
}

}  // namespace
}  // namespace zr
