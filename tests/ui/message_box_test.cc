// ShowMessageBox: texts, caption, icon and buttons as given, and the button
// pressed (or the box dismissed) as the answer.
#include <gtest/gtest.h>

#include <QTest>

#include "forms/prompts.h"
#include "tests/ui/modal_watcher.h"
#include "ui/message_box.h"

namespace zr {
namespace {

using testing::AnswerNextMessage;
using testing::ShownMessage;

struct BoxCase {
  MessageIcon icon;
  MessageButtons buttons;
  QMessageBox::StandardButton press;
  QMessageBox::Icon qt_icon;
  QMessageBox::StandardButtons qt_buttons;
  MessageAnswer answer;
};

TEST(MessageBoxTest, ShowsIconAndButtonsAndAnswersThePressedButton) {
  const BoxCase cases[] = {
      {MessageIcon::kStop, MessageButtons::kOk, QMessageBox::Ok, QMessageBox::Critical,
       QMessageBox::Ok, MessageAnswer::kOk},
      {MessageIcon::kExclamation, MessageButtons::kOk, QMessageBox::Ok, QMessageBox::Warning,
       QMessageBox::Ok, MessageAnswer::kOk},
      {MessageIcon::kNone, MessageButtons::kYesNo, QMessageBox::Yes, QMessageBox::NoIcon,
       QMessageBox::Yes | QMessageBox::No, MessageAnswer::kYes},
      {MessageIcon::kNone, MessageButtons::kYesNo, QMessageBox::No, QMessageBox::NoIcon,
       QMessageBox::Yes | QMessageBox::No, MessageAnswer::kNo},
      {MessageIcon::kNone, MessageButtons::kRetryCancel, QMessageBox::Retry, QMessageBox::NoIcon,
       QMessageBox::Retry | QMessageBox::Cancel, MessageAnswer::kRetry},
      {MessageIcon::kNone, MessageButtons::kRetryCancel, QMessageBox::Cancel,
       QMessageBox::NoIcon, QMessageBox::Retry | QMessageBox::Cancel, MessageAnswer::kCancel},
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.press));
    ShownMessage shown;
    AnswerNextMessage(shown, c.press);
    // Shown as plain text: markup characters and line breaks stay as they are.
    const MessageAnswer answer =
        ShowMessageBox(nullptr, 0, "<b>two</b>\nlines", "Warning", c.icon, c.buttons);
    ASSERT_TRUE(shown.seen);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(shown.icon, c.qt_icon);
    EXPECT_EQ(shown.buttons, c.qt_buttons);
    EXPECT_EQ(shown.caption, "Warning");
    EXPECT_EQ(shown.text, "<b>two</b>\nlines");
  }
}

TEST(MessageBoxTest, ReturnPressesTheFirstButtonAndEscapeTheCancellingOne) {
  struct KeyCase {
    MessageButtons buttons;
    Qt::Key key;
    MessageAnswer answer;
  };
  const KeyCase cases[] = {
      {MessageButtons::kYesNo, Qt::Key_Return, MessageAnswer::kYes},
      {MessageButtons::kYesNo, Qt::Key_Escape, MessageAnswer::kNo},
      {MessageButtons::kRetryCancel, Qt::Key_Return, MessageAnswer::kRetry},
      {MessageButtons::kRetryCancel, Qt::Key_Escape, MessageAnswer::kCancel},
      {MessageButtons::kOk, Qt::Key_Escape, MessageAnswer::kOk},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.key));
    testing::OnNextModal([&](QWidget* box) { QTest::keyClick(box, c.key); });
    EXPECT_EQ(ShowMessageBox(nullptr, 0, "Sure?", "sure?", MessageIcon::kNone, c.buttons),
              c.answer);
  }
}

TEST(MessageBoxTest, ParentOwnsTheBox) {
  QWidget parent;
  parent.show();
  QWidget* seen_parent = nullptr;
  testing::OnNextModal([&](QWidget* box) {
    seen_parent = box->parentWidget();
    static_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
  });
  ShowMessageBox(&parent, 0, "text", "caption", MessageIcon::kNone, MessageButtons::kOk);
  EXPECT_EQ(seen_parent, &parent);
}

}  // namespace
}  // namespace zr
