// The master-password prompt (OK or Return reads the entry, Cancel or Escape
// nothing) and the set-up, which closes only on equal entries.
#include "ui/master_password_dialogs.h"

#include "resources/string_table.h"
#include "ui_test_support.h"

namespace zr {
namespace {

TEST(MasterPasswordPromptTest, OkOrReturnReadsTheEntryCancelOrEscapeNothing) {
  const struct {
    const char* name;
    std::function<void(MasterPasswordPrompt&)> close;
    const char* password;
  } cases[] = {{"ok", [](MasterPasswordPrompt& p) { p.ControlAs<QPushButton>(1)->click(); }, "Se cret"},
               {"return", [](MasterPasswordPrompt& p) { QTest::keyClick(p.Control(247), Qt::Key_Return); }, "Se cret"},
               {"cancel", [](MasterPasswordPrompt& p) { p.ControlAs<QPushButton>(2)->click(); }, ""},
               {"escape", [](MasterPasswordPrompt& p) { QTest::keyClick(&p, Qt::Key_Escape); }, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MasterPasswordPrompt prompt;
    EXPECT_EQ(prompt.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
    ModalDriver driver;
    driver.Then([&](QWidget*) { QTest::keyClicks(prompt.Control(247), "Se cret"), c.close(prompt); });
    EXPECT_EQ(prompt.exec(), *c.password ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(prompt.password(), c.password);
  }
}

// Unequal entries are refused with a message and stay in the edits.
TEST(MasterPasswordSetupTest, OnlyEqualEntriesClose) {
  for (const auto& [password, confirmation] : {std::pair{"Abc1", "Abc1"}, {"", ""}, {"abc", "ABC"}, {"", "x"}}) {
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
    ASSERT_EQ(driver.boxes.size(), equal ? 0u : 1u);
    if (equal) EXPECT_EQ(setup.password(), password);
    if (!equal) EXPECT_EQ(driver.boxes[0].text.toStdString() + "/" + std::to_string(driver.boxes[0].icon),
                          std::string(LoadString(kIdsPasswordsDiffer)) + "/" + std::to_string(QMessageBox::Critical));
  }
}

}  // namespace
}  // namespace zr
