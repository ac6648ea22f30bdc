// Test helper: acts on the next modal window once the code under test has
// shown it and entered its event loop; no sleeps, no dependence on speed.
#ifndef ZRFORM_TESTS_UI_MODAL_WATCHER_H_
#define ZRFORM_TESTS_UI_MODAL_WATCHER_H_

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

namespace zr::testing {

// Calls act(window) for the first visible active modal widget other than
// skip (the dialog already open when waiting for a message box above it).
// Polls on the event loop; a window that never appears fails the test once
// the poll gives up (after 2000 polls).
struct ModalPoll {
  std::function<void(QWidget*)> act;
  QPointer<QWidget> skip;
  int tries_left = 2000;
};

inline void PollForModal(std::shared_ptr<ModalPoll> poll) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != poll->skip && modal->isVisible()) {
    poll->act(modal);
    return;
  }
  if (--poll->tries_left == 0) {
    ADD_FAILURE() << "no modal window appeared";
    return;
  }
  QTimer::singleShot(5, [poll] { PollForModal(poll); });
}

inline void OnNextModal(std::function<void(QWidget*)> act, QWidget* skip = nullptr) {
  auto poll = std::make_shared<ModalPoll>(ModalPoll{std::move(act), skip});
  QTimer::singleShot(0, [poll] { PollForModal(poll); });
}

// What a message box showed.
struct ShownMessage {
  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool seen = false;
};

// Records the next message box into shown and presses button on it.
inline void AnswerNextMessage(ShownMessage& shown, QMessageBox::StandardButton button,
                              QWidget* skip = nullptr) {
  OnNextModal(
      [&shown, button](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box) {
          ADD_FAILURE() << "the modal window is not a message box";
          window->close();
          return;
        }
        shown.text = box->text();
        shown.caption = box->windowTitle();
        shown.icon = box->icon();
        shown.buttons = box->standardButtons();
        shown.seen = true;
        if (QAbstractButton* pressed = box->button(button)) {
          pressed->click();
        } else {
          ADD_FAILURE() << "the message box has no such button";
          box->reject();
        }
      },
      skip);
}

}  // namespace zr::testing

#endif  // ZRFORM_TESTS_UI_MODAL_WATCHER_H_
