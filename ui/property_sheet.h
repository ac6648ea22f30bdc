// A modal property sheet: template pages in tabs with OK and Cancel, no Apply
// button. A page is filled the first time it is shown, and OK applies, in
// order, every page that has been shown; Cancel applies nothing.
#ifndef ZRFORM_UI_PROPERTY_SHEET_H_
#define ZRFORM_UI_PROPERTY_SHEET_H_

#include <QDialog>
#include <QList>
#include <QPushButton>
#include <QString>
#include <QTabWidget>

#include "forms/prompts.h"
#include "ui/template_dialog.h"

namespace zr {

class SheetPage : public TemplatePage {
  Q_OBJECT

 public:
  explicit SheetPage(int template_id, QWidget* parent = nullptr);

  // Whether the page has been shown (and so filled) at least once.
  bool shown() const { return shown_; }
  // Whether the sheet is closing: focus changes then commit nothing.
  bool closing() const { return closing_; }

  // Fills the page from its data; runs once, when the page is first shown.
  virtual void InitPage() = 0;
  // Asked of the current page before OK applies anything: false keeps the
  // sheet open on this page.
  virtual bool LeavePage() { return true; }
  // Takes the page's values; false refuses OK and keeps the sheet open.
  virtual bool ApplyPage() { return true; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  friend class PropertySheet;
  bool shown_ = false;
  bool closing_ = false;
};

class PropertySheet : public QDialog {
  Q_OBJECT

 public:
  // A sheet with caption, owned by parent (which may be null).
  explicit PropertySheet(const QString& caption, QWidget* parent = nullptr);

  // Adds page as the next tab (the sheet takes ownership).
  void AddPage(SheetPage* page);
  SheetPage* Page(int index) const;
  int PageCount() const { return static_cast<int>(pages_.size()); }
  QTabWidget* tabs() const { return tabs_; }
  QPushButton* ok_button() const { return ok_button_; }
  QPushButton* cancel_button() const { return cancel_button_; }

  // Makes the X11 window owner the sheet's transient parent (0: none). The
  // sheet is centred over its owner, or over the screen's work area.
  void SetOwner(WindowId owner);

  // OK: the current page may refuse to be left; then every page that has been
  // shown applies, in order, and the first refusal keeps the sheet open on
  // its current page. Otherwise the sheet closes as accepted.
  void accept() override;
  // Every close (OK, Cancel, Escape, the title bar) ends here.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTabWidget* tabs_;
  QPushButton* ok_button_;
  QPushButton* cancel_button_;
  QList<SheetPage*> pages_;
  WindowId owner_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_UI_PROPERTY_SHEET_H_
