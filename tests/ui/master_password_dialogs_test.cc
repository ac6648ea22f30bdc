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

TEST(MasterPasswordPromptTest, OkReadsTheEntry) {
  MasterPasswordPrompt prompt;
  OnNextModal([&](QWidget*) {
    QTest::keyClicks(prompt.Control(247), "Se cret");
    prompt.ControlAs<QPushButton>(1)->click();
  });
  EXPECT_EQ(prompt.exec(), QDialog::Accepted);
  EXPECT_EQ(prompt.password(), "Se cret");
  EXPECT_EQ(prompt.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
}

TEST(MasterPasswordPromptTest, ReturnInTheEditIsOk) {
  MasterPasswordPrompt prompt;
  OnNextModal([&](QWidget*) {
    QTest::keyClicks(prompt.Control(247), "pw");
    QTest::keyClick(prompt.Control(247), Qt::Key_Return);
  });
  EXPECT_EQ(prompt.exec(), QDialog::Accepted);
  EXPECT_EQ(prompt.password(), "pw");
}

TEST(MasterPasswordPromptTest, CancelAndEscapeReadNothing) {
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape);
    MasterPasswordPrompt prompt;
    OnNextModal([&](QWidget*) {
      QTest::keyClicks(prompt.Control(247), "typed");
      if (escape) {
        QTest::keyClick(&prompt, Qt::Key_Escape);
      } else {
        prompt.ControlAs<QPushButton>(2)->click();
      }
    });
    EXPECT_EQ(prompt.exec(), QDialog::Rejected);
    EXPECT_EQ(prompt.password(), "");
  }
}

TEST(MasterPasswordSetupTest, OpensWithTheGivenEntries) {
  MasterPasswordSetup setup("old", "older");
  EXPECT_EQ(setup.ControlAs<QLineEdit>(206)->text(), "old");
  EXPECT_EQ(setup.ControlAs<QLineEdit>(209)->text(), "older");
  MasterPasswordSetup fresh;
  EXPECT_EQ(fresh.ControlAs<QLineEdit>(206)->text(), "");
}

TEST(MasterPasswordSetupTest, EqualEntriesClose) {
  struct Case {
    const char* password;
    const char* confirmation;
  };
  for (const Case& c : {Case{"Abc1", "Abc1"}, Case{"", ""}}) {
    SCOPED_TRACE(c.password);
    MasterPasswordSetup setup;
    OnNextModal([&](QWidget*) {
      QTest::keyClicks(setup.Control(206), c.password);
      QTest::keyClicks(setup.Control(209), c.confirmation);
      setup.ControlAs<QPushButton>(1)->click();
    });
    EXPECT_EQ(setup.exec(), QDialog::Accepted);
    EXPECT_EQ(setup.password(), c.password);
    EXPECT_EQ(setup.confirmation(), c.confirmation);
  }
}

TEST(MasterPasswordSetupTest, UnequalEntriesAreRefusedAndKept) {
  struct Case {
    const char* password;
    const char* confirmation;
  };
  for (const Case& c : {Case{"abc", "ABC"}, Case{"abc", ""}, Case{"", "x"}}) {
    SCOPED_TRACE(std::string(c.password) + "/" + c.confirmation);
    MasterPasswordSetup setup;
    ShownMessage shown;
    bool still_open = false;
    QString kept_password, kept_confirmation;
    OnNextModal([&](QWidget*) {
      QTest::keyClicks(setup.Control(206), c.password);
      QTest::keyClicks(setup.Control(209), c.confirmation);
      AnswerNextMessage(shown, QMessageBox::Ok, &setup);
      setup.ControlAs<QPushButton>(1)->click();  // returns after the message
      still_open = setup.isVisible();
      kept_password = setup.ControlAs<QLineEdit>(206)->text();
      kept_confirmation = setup.ControlAs<QLineEdit>(209)->text();
      setup.reject();
    });
    EXPECT_EQ(setup.exec(), QDialog::Rejected);
    ASSERT_TRUE(shown.seen);
    EXPECT_EQ(shown.text.toStdString(), LoadString(kIdsPasswordsDiffer));
    EXPECT_EQ(shown.caption, "Error");
    EXPECT_EQ(shown.icon, QMessageBox::Critical);
    EXPECT_EQ(shown.buttons, QMessageBox::Ok);
    EXPECT_TRUE(still_open);
    EXPECT_EQ(kept_password, c.password);
    EXPECT_EQ(kept_confirmation, c.confirmation);
  }
}

TEST(ChangeMasterPasswordTest, OkReplacesCancelKeeps) {
  struct Case {
    const char* typed;  // replaces both entries; null: press Cancel
    bool changed;
    const char* after;
  };
  const Case cases[] = {{"new one", true, "new one"}, {"", true, ""}, {nullptr, false, "old"}};
  for (const Case& c : cases) {
    LoginStore store;
    store.set_master_password_text("old");
    QString shown_password;
    OnNextModal([&](QWidget* window) {
      auto* setup = static_cast<MasterPasswordSetup*>(window);
      shown_password = setup->ControlAs<QLineEdit>(206)->text();
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
    EXPECT_EQ(store.master_password(), c.after);
  }
}

}  // namespace
}  // namespace zr
