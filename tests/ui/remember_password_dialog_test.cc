// The remember-password prompt (232): texts in, boxes clear at opening, and
// the edited texts and box states handed back whichever way it closes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/ui/modal_watcher.h"
#include "ui/remember_password_dialog.h"

namespace zr {
namespace {

using testing::OnNextModal;

RememberPasswordData Captured() {
  RememberPasswordData data;
  data.login_name = "jdoe";
  data.password = "hunter2";
  data.description = "Auto Recorded";
  data.site = "example.com";
  return data;
}

TEST(RememberPasswordDialogTest, ShowsTheCapturedLoginWithBoxesClear) {
  RememberPasswordData data = Captured();
  data.fill_automatically = data.never_this_site = data.never_any_site = true;
  RememberPasswordDialog dialog(data);
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(245)->text(), "jdoe");
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(247)->text(), "hunter2");
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(dialog.ControlAs<QLineEdit>(245)->isReadOnly());
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(241)->text(), "Auto Recorded");
  EXPECT_EQ(dialog.ControlAs<QLineEdit>(242)->text(), "example.com");
  for (int id : {243, 258, 255}) EXPECT_FALSE(dialog.ControlAs<QCheckBox>(id)->isChecked());
}

// How the dialog is closed after the user's changes.
enum class Close { kYes, kReturn, kNo, kEscape, kCloseBox };

TEST(RememberPasswordDialogTest, HandsBackTextsAndBoxesWhicheverWayItCloses) {
  struct Case {
    Close close;
    RememberAnswer answer;
  };
  const Case cases[] = {{Close::kYes, RememberAnswer::kYes},
                        {Close::kReturn, RememberAnswer::kYes},
                        {Close::kNo, RememberAnswer::kNo},
                        {Close::kEscape, RememberAnswer::kNo},
                        {Close::kCloseBox, RememberAnswer::kNo}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.close));
    RememberPasswordData data = Captured();
    RememberPasswordDialog dialog(data);
    OnNextModal([&](QWidget*) {
      auto* site = dialog.ControlAs<QLineEdit>(242);
      site->clear();
      QTest::keyClicks(site, "login.example.com");
      QTest::keyClicks(dialog.Control(241), " mail");
      dialog.ControlAs<QCheckBox>(243)->click();
      dialog.ControlAs<QCheckBox>(255)->click();
      switch (c.close) {
        case Close::kYes:
          dialog.ControlAs<QPushButton>(1)->click();
          break;
        case Close::kReturn:
          QTest::keyClick(dialog.Control(241), Qt::Key_Return);
          break;
        case Close::kNo:
          dialog.ControlAs<QPushButton>(2)->click();
          break;
        case Close::kEscape:
          QTest::keyClick(&dialog, Qt::Key_Escape);
          break;
        case Close::kCloseBox:
          dialog.close();
          break;
      }
    });
    dialog.exec();
    EXPECT_EQ(dialog.answer(), c.answer);
    EXPECT_EQ(data.site, "login.example.com");
    EXPECT_EQ(data.description, "Auto Recorded mail");
    EXPECT_TRUE(data.never_this_site);
    EXPECT_FALSE(data.never_any_site);
    EXPECT_TRUE(data.fill_automatically);
    EXPECT_EQ(data.login_name, "jdoe");
    EXPECT_EQ(data.password, "hunter2");
  }
}

TEST(RememberPasswordDialogTest, UntouchedTextKeepsItsBytes) {
  RememberPasswordData data = Captured();
  data.description = "caf\xff";  // a byte no UTF-8 text holds: shown as '?'
  RememberPasswordDialog dialog(data);
  OnNextModal([&](QWidget*) { dialog.ControlAs<QPushButton>(1)->click(); });
  dialog.exec();
  EXPECT_EQ(data.description, "caf\xff");
}

}  // namespace
}  // namespace zr
