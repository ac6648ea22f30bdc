// TemplateDialog and TemplatePage: a modal dialog and a property-sheet page
// whose controls come from a dialog template.
#include "ui/template_dialog.h"

#include <QPushButton>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

namespace zr {
namespace {

const DialogTemplate& TemplateOrDie(int template_id) {
  const DialogTemplate* dialog = FindDialogTemplate(template_id);
  if (!dialog) {
    std::fprintf(stderr, "zrform: no dialog template %d\n", template_id);
    std::abort();
  }
  return *dialog;
}

Qt::WindowFlags DialogFlags(const DialogTemplate& dialog) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
  if (dialog.styles & kCaption) flags |= Qt::WindowTitleHint;
  if (dialog.styles & kSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  return flags;
}

bool HasDefaultButton(const DialogTemplate& dialog) {
  for (const ControlTemplate& row : dialog.controls) {
    if (row.kind == ControlKind::kButton && (row.styles & kDefaultButton)) return true;
  }
  return false;
}

}  // namespace

void SetTransientOwner(QWidget* window, WindowId owner) {
  if (owner == 0 || !window) return;
  QWindow* foreign = QWindow::fromWinId(static_cast<WId>(owner));
  if (!foreign) return;
  static_cast<QObject*>(foreign)->setParent(window);  // lives as long as its window
  window->winId();                                    // creates the native window and its QWindow
  // The window manager places a transient window over its owner; Qt knows
  // no geometry of a foreign window to centre it by itself.
  if (QWindow* handle = window->windowHandle()) handle->setTransientParent(foreign);
}

TemplateDialog::TemplateDialog(int template_id, QWidget* parent)
    : QDialog(parent), template_(&TemplateOrDie(template_id)) {
  setWindowFlags(DialogFlags(*template_));
  setWindowTitle(
      QString::fromUtf8(template_->title.data(), static_cast<qsizetype>(template_->title.size())));
  setFont(TemplateFont(*template_));
  setModal(true);
  controls_.Build(*template_, this);

  const QSize size =
      TemplateControls::ToPixels(this, 0, 0, template_->width, template_->height).size();
  if (template_->styles & kResizable) {
    resize(size);
  } else {
    setFixedSize(size);
  }

  if (auto* ok = ControlAs<QPushButton>(1)) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    if (!HasDefaultButton(*template_)) ok->setDefault(true);
  }
  if (auto* cancel = ControlAs<QPushButton>(2)) {
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  }
}

void TemplateDialog::SetOwner(WindowId owner) { SetTransientOwner(this, owner); }

TemplatePage::TemplatePage(int template_id, QWidget* parent)
    : QWidget(parent), template_(&TemplateOrDie(template_id)) {
  setFont(TemplateFont(*template_));
  controls_.Build(*template_, this);
  const QSize size =
      TemplateControls::ToPixels(this, 0, 0, template_->width, template_->height).size();
  setMinimumSize(size);
  resize(size);
}

QString TemplatePage::Caption() const {
  return QString::fromUtf8(template_->title.data(),
                           static_cast<qsizetype>(template_->title.size()));
}

}  // namespace zr
