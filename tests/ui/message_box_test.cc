// ShowMessageBox: text, caption, icon and buttons as given, and the button
// pressed (or the key typed) as the answer.
#include <gtest/gtest.h>

#include <QTest>

#include "forms/prompts.h"
#include "login_test_support.h"
#include "ui/message_box.h"

namespace zr {
namespace {

TEST(MessageBoxTest, ShowsIconAndButtonsAndAnswersThePressedButton) {
  const struct {
    MessageIcon icon;
    MessageButtons buttons;
    QMessageBox::StandardButton press;
    QMessageBox::Icon qt_icon;
    QMessageBox::StandardButtons qt_buttons;
    MessageAnswer answer;
  } cases[] = {
      {MessageIcon::kStop, MessageButtons::kOk, QMessageBox::Ok, QMessageBox::Critical,
       QMessageBox::Ok, MessageAnswer::kOk},
      {MessageIcon::kNone, MessageButtons::kYesNo, QMessageBox::No, QMessageBox::NoIcon,
       QMessageBox::Yes | QMessageBox::No, MessageAnswer::kNo},
      {MessageIcon::kNone, MessageButtons::kRetryCancel, QMessageBox::Cancel,
       QMessageBox::NoIcon, QMessageBox::Retry | QMessageBox::Cancel, MessageAnswer::kCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.press));
    ModalDriver driver;
    driver.Answer(c.press);
    // Shown as plain text: markup characters and line breaks stay as they are.
    const MessageAnswer answer =
        ShowMessageBox(nullptr, 0, "<b>two</b>\nlines", "Warning", c.icon, c.buttons);
    ASSERT_EQ(driver.boxes.size(), 1u);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(driver.boxes[0].icon, c.qt_icon);
    EXPECT_EQ(driver.boxes[0].buttons, c.qt_buttons);
    EXPECT_EQ(driver.boxes[0].caption, "Warning");
    EXPECT_EQ(driver.boxes[0].text, "<b>two</b>\nlines");
  }
}

TEST(MessageBoxTest, ReturnPressesTheFirstButtonAndEscapeTheCancellingOne) {
  const struct {
    MessageButtons buttons;
    Qt::Key key;
    MessageAnswer answer;
  } cases[] = {
      {MessageButtons::kYesNo, Qt::Key_Return, MessageAnswer::kYes},
      {MessageButtons::kYesNo, Qt::Key_Escape, MessageAnswer::kNo},
      {MessageButtons::kRetryCancel, Qt::Key_Return, MessageAnswer::kRetry},
      {MessageButtons::kRetryCancel, Qt::Key_Escape, MessageAnswer::kCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.key));
    ModalDriver driver;
    driver.Then([&](QWidget* box) { QTest::keyClick(box, c.key); });
    EXPECT_EQ(ShowMessageBox(nullptr, 0, "Sure?", "sure?", MessageIcon::kNone, c.buttons),
              c.answer);
  }
}

}  // namespace
}  // namespace zr
