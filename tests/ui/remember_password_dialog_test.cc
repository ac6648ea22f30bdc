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
  data.fill_automatically = data.never_this_site = data.never_any_site = true;
  return data;
}

TEST(RememberPasswordDialogTest, HandsBackTextsAndBoxesWhicheverWayItCloses) {
  enum class Close { kYes, kReturn, kNo, kEscape, kCloseBox };
  const struct {
    Close close;
    RememberAnswer answer;
  } cases[] = {{Close::kYes, RememberAnswer::kYes},    {Close::kReturn, RememberAnswer::kYes},
               {Close::kNo, RememberAnswer::kNo},      {Close::kEscape, RememberAnswer::kNo},
               {Close::kCloseBox, RememberAnswer::kNo}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.close));
    RememberPasswordData data = Captured();
    RememberPasswordDialog dialog(data);
    EXPECT_EQ(dialog.ControlAs<QLineEdit>(245)->text(), "jdoe");
    EXPECT_TRUE(dialog.ControlAs<QLineEdit>(245)->isReadOnly());
    EXPECT_EQ(dialog.ControlAs<QLineEdit>(247)->text(), "hunter2");
    EXPECT_EQ(dialog.ControlAs<QLineEdit>(247)->echoMode(), QLineEdit::Password);
    OnNextModal([&](QWidget*) {
      auto* site = dialog.ControlAs<QLineEdit>(242);
      site->clear();
      QTest::keyClicks(site, "login.example.com");
      QTest::keyClicks(dialog.Control(241), " mail");
      dialog.ControlAs<QCheckBox>(243)->click();  // the boxes open clear
      dialog.ControlAs<QCheckBox>(255)->click();
      if (c.close == Close::kYes) dialog.ControlAs<QPushButton>(1)->click();
      if (c.close == Close::kReturn) QTest::keyClick(dialog.Control(241), Qt::Key_Return);
      if (c.close == Close::kNo) dialog.ControlAs<QPushButton>(2)->click();
      if (c.close == Close::kEscape) QTest::keyClick(&dialog, Qt::Key_Escape);
      if (c.close == Close::kCloseBox) dialog.close();
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
