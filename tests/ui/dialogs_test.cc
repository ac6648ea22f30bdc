// The small dialogs: the message box, the master-password prompt and set-up, the remember prompt.
#include "forms/prompts.h"
#include "resources/string_table.h"
#include "ui/master_password_dialogs.h"
#include "ui/message_box.h"
#include "ui/remember_password_dialog.h"
#include "ui_test_support.h"

namespace zr {
namespace {

TEST(MessageBoxTest, ShowsTextsIconAndButtonsAndAnswersThePressedButton) {
  using M = QMessageBox;
  const struct {
    MessageButtons buttons;
    int press;  // a button, or else a key
    M::StandardButtons shown;
    MessageAnswer answer;
  } cases[] = {
      {MessageButtons::kOk, M::Ok, M::Ok, MessageAnswer::kOk},
      {MessageButtons::kYesNo, Qt::Key_Return, M::Yes | M::No, MessageAnswer::kYes},
      {MessageButtons::kYesNo, Qt::Key_Escape, M::Yes | M::No, MessageAnswer::kNo},
      {MessageButtons::kRetryCancel, Qt::Key_Return, M::Retry | M::Cancel, MessageAnswer::kRetry},
      {MessageButtons::kRetryCancel, Qt::Key_Escape, M::Retry | M::Cancel, MessageAnswer::kCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.press);
    const bool stop = c.buttons == MessageButtons::kOk;
    ModalDriver driver;
    QString seen;
    driver.Then([&](QWidget* modal) {
      auto* box = static_cast<QMessageBox*>(modal);
      seen = box->text() + "|" + box->windowTitle();
      EXPECT_EQ(box->icon(), stop ? M::Critical : M::NoIcon);
      EXPECT_EQ(box->standardButtons(), c.shown);
      auto* button = box->button(M::StandardButton(c.press));
      button ? button->click() : QTest::keyClick(box, Qt::Key(c.press));
    });
    EXPECT_EQ(ShowMessageBox(nullptr, 0, "<b>two</b>\nlines", "Warning",
                             stop ? MessageIcon::kStop : MessageIcon::kNone, c.buttons),
              c.answer);
    EXPECT_EQ(seen, "<b>two</b>\nlines|Warning");
  }
}

TEST(MasterPasswordPromptTest, OkOrReturnReadsTheEntryCancelOrEscapeNothing) {
  for (const char* how : {"return", "escape", "ok", "cancel"}) {
    SCOPED_TRACE(how);
    const bool read = *how == 'r' || *how == 'o';
    MasterPasswordPrompt prompt;
    EXPECT_EQ(prompt.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
    ModalDriver driver;
    driver.Then([&](QWidget*) {
      QTest::keyClicks(prompt.Control(247), "Se cret");
      CloseAs(prompt, how, prompt.Control(247));
    });
    EXPECT_EQ(prompt.exec(), read ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(prompt.password(), read ? "Se cret" : "");
  }
}

// Unequal entries are refused with a message and stay in the edits.
TEST(MasterPasswordSetupTest, OnlyEqualEntriesClose) {
  const QString differ = QString::fromStdString(std::string(LoadString(kIdsPasswordsDiffer)));
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
    EXPECT_EQ(driver.boxes, equal ? std::vector<QString>{} : std::vector{differ});
    if (equal) {
      EXPECT_EQ(setup.password(), password);
    }
  }
}

TEST(RememberPasswordDialogTest, HandsBackTextsAndBoxesWhicheverWayItCloses) {
  for (const char* how : {"ok", "return", "cancel", "escape", "window"}) {
    SCOPED_TRACE(how);
    RememberPasswordData data{"jdoe", "hunter2", "Auto Recorded", "example.com", true, true, true};
    RememberPasswordDialog dialog(data);
    ModalDriver driver;
    driver.Then([&](QWidget*) {
      Retype(dialog.ControlAs<QLineEdit>(242), "login.example.com");
      QTest::keyClicks(dialog.Control(241), " mail");
      dialog.ControlAs<QCheckBox>(243)->click();  // the boxes open clear
      dialog.ControlAs<QCheckBox>(255)->click();
      CloseAs(dialog, how, dialog.Control(241));
    });
    dialog.exec();
    EXPECT_EQ(dialog.answer(),
              *how == 'o' || *how == 'r' ? RememberAnswer::kYes : RememberAnswer::kNo);
    EXPECT_EQ(data.site + "|" + data.description + "|" + data.password,
              "login.example.com|Auto Recorded mail|hunter2");
    EXPECT_EQ(std::tuple(data.fill_automatically, data.never_this_site, data.never_any_site),
              std::tuple(true, true, false));
  }
}

}  // namespace
}  // namespace zr
