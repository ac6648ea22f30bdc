// The master-password prompt (OK or Return reads the entry, Cancel or Escape
// nothing) and the set-up, which closes only on equal entries.
#include "ui/master_password_dialogs.h"

#include "resources/string_table.h"
#include "ui_test_support.h"

namespace zr {
namespace {

TEST(MasterPasswordPromptTest, OkOrReturnReadsTheEntryCancelOrEscapeNothing) {
  for (auto [key, button, read] : {std::tuple{Qt::Key_Return, 0, true},
                                   {Qt::Key_Escape, 0, false},
                                   {Qt::Key_unknown, 1, true},
                                   {Qt::Key_unknown, 2, false}}) {
    SCOPED_TRACE(key + button);
    MasterPasswordPrompt prompt;
    EXPECT_EQ(prompt.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
    ModalDriver driver;
    driver.Then([&](QWidget*) {
      QTest::keyClicks(prompt.Control(247), "Se cret");
      button ? prompt.ControlAs<QPushButton>(button)->click()
             : QTest::keyClick(prompt.Control(247), key);
    });
    EXPECT_EQ(prompt.exec(), read ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(prompt.password(), read ? "Se cret" : "");
  }
}

// Unequal entries are refused with a message and stay in the edits.
TEST(MasterPasswordSetupTest, OnlyEqualEntriesClose) {
  for (auto [password, confirmation] :
       {std::pair{"Abc1", "Abc1"}, {"", ""}, {"abc", "ABC"}, {"", "x"}}) {
    SCOPED_TRACE(std::string(password) + "/" + confirmation);
    const bool equal = std::string(password) == confirmation;
    MasterPasswordSetup setup;
    ModalDriver driver;
    bool still_open = false;
    driver.Then([&](QWidget*) {
      QTest::keyClicks(setup.Control(206), password);
      QTest::keyClicks(setup.Control(209), confirmation);
      if (!equal) driver.Answer(QMessageBox::Ok);
      setup.ControlAs<QPushButton>(1)->click();  // returns after the message
      if ((still_open = setup.isVisible())) setup.reject();
    });
    EXPECT_EQ(setup.exec(), equal ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(still_open, !equal);
    EXPECT_EQ(setup.ControlAs<QLineEdit>(209)->text(), confirmation);
    EXPECT_EQ(
        driver.boxes,
        equal ? std::vector<QString>{}
              : std::vector{QString::fromStdString(std::string(LoadString(kIdsPasswordsDiffer)))});
    EXPECT_EQ(driver.icons,
              equal ? std::vector<QMessageBox::Icon>{} : std::vector{QMessageBox::Critical});
    if (equal) EXPECT_EQ(setup.password(), password);
  }
}

}  // namespace
}  // namespace zr
