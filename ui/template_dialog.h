// Dialogs and property-sheet pages built from the templates of resources/:
// every control is created from its template row (kind, text, styles, position
// in dialog units converted to pixels from the dialog's font) and is found
// again by its id.
// Widgets by kind: kStatic QLabel, kEdit QLineEdit (kMultiLine QPlainTextEdit),
// kButton QPushButton, kCheckBox QCheckBox, kRadioButton QRadioButton,
// kGroupBox QGroupBox, kComboBox QComboBox, kListBox QListWidget, kListView
// QTreeWidget (its columns are the dialog's to set), kIcon QLabel showing the
// icon at its own size.
#ifndef ZRFORM_UI_TEMPLATE_DIALOG_H_
#define ZRFORM_UI_TEMPLATE_DIALOG_H_

#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QHash>
#include <QRect>
#include <QVariant>
#include <QWidget>

#include "forms/prompts.h"
#include "resources/dialog_template.h"

namespace zr {

// The font a template asks for: "Helv" and "MS Sans Serif" become the
// system's sans-serif face at the template's point size.
QFont TemplateFont(const DialogTemplate& dialog);

// Makes the X11 window owner the transient parent of window (a top-level
// widget); does nothing when owner is 0 or unknown to the display.
void SetTransientOwner(QWidget* window, WindowId owner);

// Adds an item to a combo box at its place in sorted order (case ignored, in
// the user's locale; after items that compare equal), as a kSorted combo box
// keeps its items. Returns the new item's index.
int AddSortedItem(QComboBox* combo, const QString& text, const QVariant& data);

// The widgets of one built template, by control id.
//  - Edits hold at most what a stored string holds (1024 bytes in the code
//    page); kLowerCase edits turn every letter to lower case, typed or set.
//  - A label's "&" mnemonic moves the focus to the input control on the
//    label's line to its right, else to the next tab-stop control in template
//    order; a label with no such control shows its text without the mark.
//  - Radio buttons form groups that start at kGroup; a click checks one and
//    clears the others of its group, and setChecked(false) may clear them all.
//  - Group boxes lie beneath the other controls and take no clicks.
class TemplateControls {
 public:
  // Creates the controls of dialog inside host, sized for host's font, in tab
  // order. Controls with kNoControlId are created but not indexed.
  void Build(const DialogTemplate& dialog, QWidget* host);
  // The control with id, or null.
  QWidget* Control(int id) const { return controls_.value(id, nullptr); }
  template <typename Widget>
  Widget* ControlAs(int id) const {
    return qobject_cast<Widget*>(Control(id));
  }
  // A rectangle in dialog units, in pixels of host's font: a horizontal unit
  // is a quarter of the average character width, a vertical unit an eighth of
  // the font's height.
  static QRect ToPixels(const QWidget* host, int x, int y, int width, int height);

 private:
  QHash<int, QWidget*> controls_;
};

// A modal dialog built from template template_id. Button 1 accepts (OK/Yes),
// button 2 rejects (Cancel/No); subclasses override accept() and reject() (or
// done()) to act on them. Escape and the close box reject. When the template
// names no default button, button 1 is the default, so that Return presses it.
// The size is the template's, fixed unless the template is kResizable.
class TemplateDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TemplateDialog(int template_id, QWidget* parent = nullptr);

  QWidget* Control(int id) const { return controls_.Control(id); }
  template <typename Widget>
  Widget* ControlAs(int id) const {
    return controls_.ControlAs<Widget>(id);
  }
  // Makes the X11 window owner the dialog's transient parent; with 0 the
  // dialog is centred on the screen.
  void SetOwner(WindowId owner);

 protected:
  const DialogTemplate& dialog_template() const { return *template_; }

 private:
  const DialogTemplate* template_;
  TemplateControls controls_;
};

// A property-sheet page built from a child-page template; its caption is the
// template's title.
class TemplatePage : public QWidget {
  Q_OBJECT

 public:
  explicit TemplatePage(int template_id, QWidget* parent = nullptr);

  QWidget* Control(int id) const { return controls_.Control(id); }
  template <typename Widget>
  Widget* ControlAs(int id) const {
    return controls_.ControlAs<Widget>(id);
  }
  QString Caption() const;

 private:
  const DialogTemplate* template_;
  TemplateControls controls_;
};

}  // namespace zr

#endif  // ZRFORM_UI_TEMPLATE_DIALOG_H_
