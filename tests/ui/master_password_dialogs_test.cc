// The master-password prompt, the set-up with its agreement rule and
// message, and the change of the master password.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "login_test_support.h"
#include "resources/string_table.h"
#include "ui/master_password_dialogs.h"

namespace zr {
namespace {

TEST(MasterPasswordPromptTest, OkOrReturnReadsTheEntryCancelOrEscapeNothing) {
  const struct {
    const char* name;
    std::function<void(MasterPasswordPrompt&)> close;
    const char* password;
  } cases[] = {
      {"ok", [](MasterPasswordPrompt& p) { p.ControlAs<QPushButton>(1)->click(); }, "Se cret"},
      {"return", [](MasterPasswordPrompt& p) { QTest::keyClick(p.Control(247), Qt::Key_Return); },
       "Se cret"},
      {"cancel", [](MasterPasswordPrompt& p) { p.ControlAs<QPushButton>(2)->click(); }, ""},
      {"escape", [](MasterPasswordPrompt& p) { QTest::keyClick(&p, Qt::Key_Escape); }, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MasterPasswordPrompt prompt;
    EXPECT_EQ(prompt.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
    ModalDriver driver;
    driver.Then([&](QWidget*) {
      QTest::keyClicks(prompt.Control(247), "Se cret");
      c.close(prompt);
    });
    EXPECT_EQ(prompt.exec(), *c.password ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(prompt.password(), c.password);
  }
}

// Equal entries close the set-up; unequal ones are refused with a message and
// stay in the edits.
TEST(MasterPasswordSetupTest, OnlyEqualEntriesClose) {
  const struct {
    const char* password;
    const char* confirmation;
  } cases[] = {{"Abc1", "Abc1"}, {"", ""}, {"abc", "ABC"}, {"", "x"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.password) + "/" + c.confirmation);
    const bool equal = std::string(c.password) == c.confirmation;
    MasterPasswordSetup setup;
    ModalDriver driver;
    bool still_open = false;
    QString kept;
    driver.Then([&](QWidget*) {
      QTest::keyClicks(setup.Control(206), c.password);
      QTest::keyClicks(setup.Control(209), c.confirmation);
      if (!equal) driver.Answer(QMessageBox::Ok);
      setup.ControlAs<QPushButton>(1)->click();  // returns after the message
      still_open = setup.isVisible();
      kept = setup.ControlAs<QLineEdit>(209)->text();
      if (still_open) setup.reject();
    });
    EXPECT_EQ(setup.exec(), equal ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(still_open, !equal);
    EXPECT_EQ(kept, c.confirmation);
    ASSERT_EQ(driver.boxes.size(), equal ? 0u : 1u);
    if (equal) {
      EXPECT_EQ(setup.password(), c.password);
    } else {
      EXPECT_EQ(driver.boxes[0].text.toStdString(), LoadString(kIdsPasswordsDiffer));
      EXPECT_EQ(driver.boxes[0].icon, QMessageBox::Critical);
    }
  }
}

TEST(ChangeMasterPasswordTest, OpensWithTheCurrentOneOkReplacesCancelKeeps) {
  const struct {
    const char* typed;  // replaces both entries; null: press Cancel
    bool changed;
    const char* after;
  } cases[] = {{"new one", true, "new one"}, {"", true, ""}, {nullptr, false, "old"}};
  for (const auto& c : cases) {
    LoginStore store;
    store.set_master_password_text("old");
    ModalDriver driver;
    QString shown;
    driver.Then([&](QWidget* window) {
      auto* setup = static_cast<MasterPasswordSetup*>(window);
      shown = setup->ControlAs<QLineEdit>(206)->text() + setup->ControlAs<QLineEdit>(209)->text();
      if (!c.typed) return setup->ControlAs<QPushButton>(2)->click();
      for (int id : {206, 209}) setup->ControlAs<QLineEdit>(id)->setText(c.typed);
      setup->ControlAs<QPushButton>(1)->click();
    });
    EXPECT_EQ(ChangeMasterPassword(nullptr, store), c.changed);
    EXPECT_EQ(shown, "oldold");
    EXPECT_EQ(store.master_password(), c.after);
  }
}

}  // namespace
}  // namespace zr
