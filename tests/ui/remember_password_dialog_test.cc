// The remember-password prompt hands back the edited texts and box states
// whichever way it closes; only Yes or Return answers Yes.
#include "ui/remember_password_dialog.h"

#include "ui_test_support.h"

namespace zr {
namespace {

TEST(RememberPasswordDialogTest, HandsBackTextsAndBoxesWhicheverWayItCloses) {
  using Close = std::function<void(RememberPasswordDialog&)>;
  const std::pair<Close, RememberAnswer> cases[] = {
      {[](RememberPasswordDialog& d) { d.ControlAs<QPushButton>(1)->click(); },
       RememberAnswer::kYes},
      {[](RememberPasswordDialog& d) { QTest::keyClick(d.Control(241), Qt::Key_Return); },
       RememberAnswer::kYes},
      {[](RememberPasswordDialog& d) { d.ControlAs<QPushButton>(2)->click(); },
       RememberAnswer::kNo},
      {[](RememberPasswordDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, RememberAnswer::kNo},
      {[](RememberPasswordDialog& d) { d.close(); }, RememberAnswer::kNo},
  };
  for (const auto& [close, answer] : cases) {
    SCOPED_TRACE(static_cast<int>(&close - &cases[0].first));
    RememberPasswordData data{"jdoe", "hunter2", "Auto Recorded", "example.com", true, true, true};
    RememberPasswordDialog dialog(data);
    ModalDriver driver;
    driver.Then([&](QWidget*) {
      Retype(dialog.ControlAs<QLineEdit>(242), "login.example.com");
      QTest::keyClicks(dialog.Control(241), " mail");
      dialog.ControlAs<QCheckBox>(243)->click();  // the boxes open clear
      dialog.ControlAs<QCheckBox>(255)->click();
      close(dialog);
    });
    dialog.exec();
    EXPECT_EQ(dialog.answer(), answer);
    EXPECT_EQ(data.site + "|" + data.description + "|" + data.password,
              "login.example.com|Auto Recorded mail|hunter2");
    EXPECT_EQ(std::tuple(data.fill_automatically, data.never_this_site, data.never_any_site),
              std::tuple(true, true, false));
  }
}

}  // namespace
}  // namespace zr
