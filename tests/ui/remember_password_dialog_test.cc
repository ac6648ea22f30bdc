// The remember-password prompt: the edited texts and box states are handed
// back whichever way it closes; only Yes or Return answers Yes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "login_test_support.h"
#include "ui/remember_password_dialog.h"

namespace zr {
namespace {

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
    RememberPasswordData data;
    data.login_name = "jdoe";
    data.password = "hunter2";
    data.description = "Auto Recorded";
    data.site = "example.com";
    data.fill_automatically = data.never_this_site = data.never_any_site = true;
    RememberPasswordDialog dialog(data);
    ModalDriver driver;
    driver.Then([&](QWidget*) {
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
    EXPECT_EQ(data.password, "hunter2");
  }
}

}  // namespace
}  // namespace zr
