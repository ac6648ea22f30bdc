// Helpers of the Login Manager and login record editor tests: a store of
// sample records, and a driver that answers the modal windows (message boxes,
// nested dialogs) that the code under test opens, one step per window.
#ifndef ZRFORM_TESTS_UI_LOGIN_TEST_SUPPORT_H_
#define ZRFORM_TESTS_UI_LOGIN_TEST_SUPPORT_H_

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/login_store.h"

namespace zr {

// A record of (name, value, type, form name, description) fields.
using FieldRow = std::array<std::string, 5>;

inline int AddRecord(LoginStore& store, const std::string& description, const std::string& site,
                     const std::vector<FieldRow>& fields, bool fill_automatically = false) {
  auto record = std::make_unique<LoginRecord>();
  record->set_description(description);
  record->set_site(site);
  record->set_fill_automatically(fill_automatically ? 1 : 0);
  for (const auto& [name, value, type, form, field_description] : fields) {
    record->AddField(name, value, type, form);
    record->fields().back().description = field_description;
  }
  LoginRecord* added = record.get();
  store.AddOrMerge(std::move(record));
  return added->id();
}

// What a message box showed.
struct SeenBox {
  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Runs one step on each modal window that becomes active, in order. A window
// that finds no step left is recorded and rejected, so a test never hangs.
class ModalDriver {
 public:
  using Step = std::function<void(QWidget* modal)>;

  ModalDriver() { Schedule(); }
  ~ModalDriver() { *alive_ = false; }

  void Then(Step step) { steps_.push_back(std::move(step)); }
  // A window the test drives itself (a dialog shown modelessly or modally).
  void Ignore(QWidget* window) { seen_.emplace_back(window); }
  // Answers the next window, a message box, with button; records what it showed.
  void Answer(QMessageBox::StandardButton button) {
    Then([this, button](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) {
        unexpected.push_back(modal->windowTitle());
        static_cast<QDialog*>(modal)->reject();
        return;
      }
      boxes.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons()});
      if (QAbstractButton* pressed = box->button(button)) {
        pressed->click();
      } else {
        unexpected.push_back(QStringLiteral("no such button"));
        box->reject();
      }
    });
  }
  size_t pending() const { return steps_.size(); }

  std::vector<SeenBox> boxes;
  std::vector<QString> unexpected;

 private:
  // Polls from a fresh single-shot timer each time, so that polling goes on
  // inside the nested event loops that the steps start.
  void Schedule() {
    QTimer::singleShot(5, [this, alive = alive_] {
      if (!*alive) return;
      Schedule();
      Poll();
    });
  }
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    for (const QPointer<QWidget>& seen : seen_) {
      if (seen == modal) return;
    }
    seen_.emplace_back(modal);
    if (steps_.empty()) {
      unexpected.push_back(modal->windowTitle());
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(modal);
  }

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::deque<Step> steps_;
  std::vector<QPointer<QWidget>> seen_;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_UI_LOGIN_TEST_SUPPORT_H_
