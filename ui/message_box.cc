// ShowMessageBox: a QMessageBox with the message's text, caption, icon and
// buttons; the first button (OK, Yes, Retry) is the default.
#include "ui/message_box.h"

#include <QMessageBox>

#include "forms/outcome.h"
#include "ui/control_text.h"
#include "ui/template_dialog.h"

namespace zr {
namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kStop:
      return QMessageBox::Critical;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

// The buttons, and the one that Return presses.
std::pair<QMessageBox::StandardButtons, QMessageBox::StandardButton> ToQtButtons(
    MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kYesNo:
      return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes};
    case MessageButtons::kRetryCancel:
      return {QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry};
    case MessageButtons::kOk:
      break;
  }
  return {QMessageBox::Ok, QMessageBox::Ok};
}

}  // namespace

MessageAnswer DismissedAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kYesNo:
      return MessageAnswer::kNo;
    case MessageButtons::kRetryCancel:
      return MessageAnswer::kCancel;
    case MessageButtons::kOk:
      break;
  }
  return MessageAnswer::kOk;
}

MessageAnswer ShowMessageBox(QWidget* parent, WindowId owner, std::string_view text,
                             std::string_view caption, MessageIcon icon, MessageButtons buttons) {
  const auto [qt_buttons, default_button] = ToQtButtons(buttons);
  QMessageBox box(ToQtIcon(icon), FromCodePage(caption), FromCodePage(text), qt_buttons, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(default_button);
  if (!parent) SetTransientOwner(&box, owner);
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return MessageAnswer::kOk;
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    case QMessageBox::Retry:
      return MessageAnswer::kRetry;
    case QMessageBox::Cancel:
      return MessageAnswer::kCancel;
    default:
      return DismissedAnswer(buttons);
  }
}

void ShowNotSaved(QWidget* parent, std::string_view path) {
  ShowMessageBox(parent, 0, NotSavedText(path), kNotSavedCaption, MessageIcon::kExclamation,
                 MessageButtons::kOk);
}

}  // namespace zr
