// The one message box of the system: text, caption, icon and buttons as the
// messages give them, the button pressed as the answer.
#ifndef ZRFORM_UI_MESSAGE_BOX_H_
#define ZRFORM_UI_MESSAGE_BOX_H_

#include <QWidget>
#include <string_view>

#include "forms/prompts.h"

namespace zr {

// Shows a modal message box owned by parent (or, when parent is null, by the
// X11 window owner, or centred when owner is 0). Texts are in the code page.
MessageAnswer ShowMessageBox(QWidget* parent, WindowId owner, std::string_view text,
                             std::string_view caption, MessageIcon icon, MessageButtons buttons);

// Tells the user, over parent, that the data file at path could not be written.
void ShowNotSaved(QWidget* parent, std::string_view path);

// The answer of a box closed without a button (Escape, the close box) or not
// shown at all: what its cancelling button would have answered.
MessageAnswer DismissedAnswer(MessageButtons buttons);

}  // namespace zr

#endif  // ZRFORM_UI_MESSAGE_BOX_H_
