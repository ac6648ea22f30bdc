// The master-password prompt (224), set-up (225) with its agreement rule and
// message, and the change of the master password.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "resources/string_table.h"
#include "store/login_store.h"
#include "tests/ui/modal_watcher.h"
#include "ui/master_password_dialogs.h"

namespace zr {
namespace {

using testing::AnswerNextMessage;
using testing::OnNextModal;
using testing::ShownMessage;

TEST(MasterPasswordPromptTest, OkOrReturnReadsTheEntryCancelOrEscapeNothing) {
  enum class Close { kOk, kReturn, kCancel, kEscape };
  const struct {
    const char* name;
    Close close;
    const char* password;
  } cases[] = {{"ok", Close::kOk, "Se cret"}, {"return", Close::kReturn, "Se cret"},
               {"cancel", Close::kCancel, ""}, {"escape", Close::kEscape, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MasterPasswordPrompt prompt;
    EXPECT_EQ(prompt.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
    OnNextModal([&](QWidget*) {
      QTest::keyClicks(prompt.Control(247), "Se cret");
      if (c.close == Close::kOk) prompt.ControlAs<QPushButton>(1)->click();
      if (c.close == Close::kReturn) QTest::keyClick(prompt.Control(247), Qt::Key_Return);
      if (c.close == Close::kCancel) prompt.ControlAs<QPushButton>(2)->click();
      if (c.close == Close::kEscape) QTest::keyClick(&prompt, Qt::Key_Escape);
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
  } cases[] = {{"Abc1", "Abc1"}, {"", ""}, {"abc", "ABC"}, {"abc", ""}, {"", "x"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.password) + "/" + c.confirmation);
    const bool equal = std::string(c.password) == c.confirmation;
    MasterPasswordSetup setup;
    ShownMessage shown;
    bool still_open = false;
    QString kept_password, kept_confirmation;
    OnNextModal([&](QWidget*) {
      QTest::keyClicks(setup.Control(206), c.password);
      QTest::keyClicks(setup.Control(209), c.confirmation);
      if (!equal) AnswerNextMessage(shown, QMessageBox::Ok, &setup);
      setup.ControlAs<QPushButton>(1)->click();  // returns after the message
      still_open = setup.isVisible();
      kept_password = setup.ControlAs<QLineEdit>(206)->text();
      kept_confirmation = setup.ControlAs<QLineEdit>(209)->text();
      if (still_open) setup.reject();
    });
    EXPECT_EQ(setup.exec(), equal ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(still_open, !equal);
    EXPECT_EQ(kept_password, c.password);
    EXPECT_EQ(kept_confirmation, c.confirmation);
    EXPECT_EQ(shown.seen, !equal);
    if (equal) {
      EXPECT_EQ(setup.password(), c.password);
      EXPECT_EQ(setup.confirmation(), c.confirmation);
    } else {
      EXPECT_EQ(shown.text.toStdString(), LoadString(kIdsPasswordsDiffer));
      EXPECT_EQ(shown.caption, "Error");
      EXPECT_EQ(shown.icon, QMessageBox::Critical);
      EXPECT_EQ(shown.buttons, QMessageBox::Ok);
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
    QString shown_password, shown_confirmation;
    OnNextModal([&](QWidget* window) {
      auto* setup = static_cast<MasterPasswordSetup*>(window);
      shown_password = setup->ControlAs<QLineEdit>(206)->text();
      shown_confirmation = setup->ControlAs<QLineEdit>(209)->text();
      if (!c.typed) {
        setup->ControlAs<QPushButton>(2)->click();
        return;
      }
      for (int id : {206, 209}) {
        setup->ControlAs<QLineEdit>(id)->clear();
        QTest::keyClicks(setup->Control(id), c.typed);
      }
      setup->ControlAs<QPushButton>(1)->click();
    });
    EXPECT_EQ(ChangeMasterPassword(nullptr, store), c.changed);
    EXPECT_EQ(shown_password, "old");
    EXPECT_EQ(shown_confirmation, "old");
    EXPECT_EQ(store.master_password(), c.after);
  }
}

}  // namespace
}  // namespace zr
