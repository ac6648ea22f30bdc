// ShowMessageBox: text (as plain text), caption, icon and buttons as given,
// and the button pressed or the key typed (Return: the first button, Escape:
// the cancelling one) as the answer.
#include "ui/message_box.h"

#include "forms/prompts.h"
#include "ui_test_support.h"

namespace zr {
namespace {

TEST(MessageBoxTest, ShowsTextsIconAndButtonsAndAnswersThePressedButton) {
  constexpr auto kNone = QMessageBox::NoButton;
  const struct {
    MessageIcon icon;
    MessageButtons buttons;
    QMessageBox::StandardButton press;  // kNone: type key
    Qt::Key key;
    QMessageBox::Icon qt_icon;
    QMessageBox::StandardButtons qt_buttons;
    MessageAnswer answer;
  } cases[] = {
      {MessageIcon::kStop, MessageButtons::kOk, QMessageBox::Ok, {}, QMessageBox::Critical, QMessageBox::Ok, MessageAnswer::kOk},
      {MessageIcon::kNone, MessageButtons::kYesNo, QMessageBox::No, {}, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No, MessageAnswer::kNo},
      {MessageIcon::kNone, MessageButtons::kRetryCancel, QMessageBox::Cancel, {}, QMessageBox::NoIcon, QMessageBox::Retry | QMessageBox::Cancel, MessageAnswer::kCancel},
      {MessageIcon::kNone, MessageButtons::kYesNo, kNone, Qt::Key_Return, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No, MessageAnswer::kYes},
      {MessageIcon::kNone, MessageButtons::kYesNo, kNone, Qt::Key_Escape, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No, MessageAnswer::kNo},
      {MessageIcon::kNone, MessageButtons::kRetryCancel, kNone, Qt::Key_Return, QMessageBox::NoIcon, QMessageBox::Retry | QMessageBox::Cancel, MessageAnswer::kRetry},
      {MessageIcon::kNone, MessageButtons::kRetryCancel, kNone, Qt::Key_Escape, QMessageBox::NoIcon, QMessageBox::Retry | QMessageBox::Cancel, MessageAnswer::kCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.press) + c.key);
    ModalDriver driver;
    SeenBox seen{};
    driver.Then([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      seen = {box->text(), box->windowTitle(), box->icon(), box->standardButtons()};
      c.press == kNone ? QTest::keyClick(box, c.key) : box->button(c.press)->click();
    });
    EXPECT_EQ(ShowMessageBox(nullptr, 0, "<b>two</b>\nlines", "Warning", c.icon, c.buttons), c.answer);
    EXPECT_EQ(seen.text, "<b>two</b>\nlines");
    EXPECT_EQ(seen.caption, "Warning");
    EXPECT_EQ(seen.icon, c.qt_icon);
    EXPECT_EQ(seen.buttons, c.qt_buttons);
  }
}

}  // namespace
}  // namespace zr
