// ShowMessageBox: text (as plain text), caption, icon and buttons as given,
// and the button pressed or the key typed (Return: the first button, Escape:
// the cancelling one) as the answer.
#include "ui/message_box.h"

#include "forms/prompts.h"
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
      {MessageButtons::kYesNo, M::No, M::Yes | M::No, MessageAnswer::kNo},
      {MessageButtons::kYesNo, Qt::Key_Return, M::Yes | M::No, MessageAnswer::kYes},
      {MessageButtons::kYesNo, Qt::Key_Escape, M::Yes | M::No, MessageAnswer::kNo},
      {MessageButtons::kRetryCancel, M::Cancel, M::Retry | M::Cancel, MessageAnswer::kCancel},
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

}  // namespace
}  // namespace zr
