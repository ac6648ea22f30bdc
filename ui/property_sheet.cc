// The property sheet and its pages: first-show filling, OK applying the pages
// that were shown, and centring over the owner.
#include "ui/property_sheet.h"

#include <QDialogButtonBox>
#include <QScreen>
#include <QShowEvent>
#include <QTabBar>
#include <QVBoxLayout>
#include <QWindow>

namespace zr {

SheetPage::SheetPage(int template_id, QWidget* parent) : TemplatePage(template_id, parent) {}

void SheetPage::showEvent(QShowEvent* event) {
  if (!shown_) {
    shown_ = true;
    InitPage();
  }
  TemplatePage::showEvent(event);
}

PropertySheet::PropertySheet(const QString& caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption);
  tabs_ = new QTabWidget(this);
  // A click on a tab takes the focus, as the edit being left must commit its
  // text while its page is still shown.
  tabs_->tabBar()->setFocusPolicy(Qt::StrongFocus);
  auto* buttons = new QDialogButtonBox(this);
  ok_button_ = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
  cancel_button_ = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
  ok_button_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &PropertySheet::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void PropertySheet::AddPage(SheetPage* page) {
  pages_.append(page);
  tabs_->addTab(page, page->Caption());
}

SheetPage* PropertySheet::Page(int index) const {
  return index >= 0 && index < pages_.size() ? pages_[index] : nullptr;
}

void PropertySheet::SetOwner(WindowId owner) {
  owner_ = owner;
  SetTransientOwner(this, owner);
}

void PropertySheet::accept() {
  auto* current = qobject_cast<SheetPage*>(tabs_->currentWidget());
  if (current != nullptr && current->shown() && !current->LeavePage()) return;
  for (SheetPage* page : pages_) {
    if (page->shown() && !page->ApplyPage()) return;
  }
  QDialog::accept();
}

void PropertySheet::done(int result) {
  for (SheetPage* page : pages_) page->closing_ = true;
  QDialog::done(result);
}

void PropertySheet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  for (SheetPage* page : pages_) page->closing_ = false;
  // Centre over the owner: the parent widget (Qt has placed the sheet over it
  // already), else the X11 owner window, else the work area of the screen.
  if (parentWidget() != nullptr) return;
  QRect area;
  QWindow* owner_window = windowHandle() ? windowHandle()->transientParent() : nullptr;
  if (owner_ != 0 && owner_window != nullptr) {
    area = QRect(owner_window->mapToGlobal(QPoint(0, 0)), owner_window->size());
  } else if (QScreen* screen = this->screen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) {
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
  }
}

}  // namespace zr
