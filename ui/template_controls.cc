// TemplateControls: turns the rows of a dialog template into widgets, placed
// in pixels of the host's font and chained in template (tab) order.
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <vector>

#include "platform/locale_compare.h"
#include "ui/control_text.h"
#include "ui/resource_icons.h"
#include "ui/template_dialog.h"

namespace zr {
namespace {

// The characters whose mean width is the dialog font's average character
// width, as dialog units are defined.
constexpr char kAverageWidthSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAverageWidthSampleLength = 52;

// a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

bool HasStyle(const ControlTemplate& row, uint32_t style) { return (row.styles & style) != 0; }

// Whether a control of this row is reached with Tab.
bool IsTabStop(const ControlTemplate& row) {
  switch (row.kind) {
    case ControlKind::kStatic:
    case ControlKind::kGroupBox:
    case ControlKind::kIcon:
      return false;
    default:
      return !HasStyle(row, kNoTabStop) && !HasStyle(row, kDisabled) && !HasStyle(row, kHidden);
  }
}

// A label's text has a mnemonic when it holds a "&" that is not doubled.
bool HasMnemonic(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (i + 1 < text.size() && text[i + 1] == '&') {
      ++i;
      continue;
    }
    return true;
  }
  return false;
}

// The text as it reads without mnemonic marks ("&&" is a literal "&").
QString WithoutMnemonic(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return QString::fromUtf8(plain.data(), static_cast<qsizetype>(plain.size()));
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The row that a label's mnemonic focuses: the nearest input control on the
// label's line to its right, else the next tab stop after it in template
// order; -1 for none.
int BuddyRow(std::span<const ControlTemplate> rows, size_t label) {
  const ControlTemplate& l = rows[label];
  int best = -1;
  for (size_t i = 0; i < rows.size(); ++i) {
    const ControlTemplate& c = rows[i];
    if (i == label || !IsTabStop(c) || c.kind == ControlKind::kButton) continue;
    const bool same_line = c.y < l.y + l.height && c.y + c.height > l.y;
    if (!same_line || c.x < l.x + l.width / 2) continue;
    if (best < 0 || c.x < rows[best].x) best = static_cast<int>(i);
  }
  if (best >= 0) return best;
  for (size_t i = label + 1; i < rows.size(); ++i) {
    if (IsTabStop(rows[i])) return static_cast<int>(i);
  }
  return -1;
}

QLineEdit* MakeLineEdit(const ControlTemplate& row, QWidget* host) {
  auto* edit = new QLineEdit(host);
  edit->setMaxLength(static_cast<int>(kMaxStoredTextBytes));
  edit->setValidator(new StoredTextValidator(edit));
  edit->setReadOnly(HasStyle(row, kReadOnly));
  edit->setFrame(HasStyle(row, kBorder));
  if (HasStyle(row, kPassword)) edit->setEchoMode(QLineEdit::Password);
  if (HasStyle(row, kRightAligned)) edit->setAlignment(Qt::AlignRight);
  if (HasStyle(row, kLowerCase)) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
      const QString lower = text.toLower();
      if (lower == text) return;
      const int cursor = edit->cursorPosition();
      edit->setText(lower);
      edit->setCursorPosition(cursor);
    });
  }
  return edit;
}

QWidget* MakeWidget(const ControlTemplate& row, QWidget* host) {
  switch (row.kind) {
    case ControlKind::kStatic: {
      auto* label = new QLabel(host);
      label->setTextFormat(Qt::PlainText);
      Qt::Alignment align = Qt::AlignLeft;
      if (HasStyle(row, kCentered)) align = Qt::AlignHCenter;
      if (HasStyle(row, kRightAligned)) align = Qt::AlignRight;
      label->setAlignment(align | Qt::AlignTop);
      return label;
    }
    case ControlKind::kEdit: {
      if (!HasStyle(row, kMultiLine)) return MakeLineEdit(row, host);
      auto* edit = new QPlainTextEdit(host);
      edit->setReadOnly(HasStyle(row, kReadOnly));
      return edit;
    }
    case ControlKind::kButton:
      return new QPushButton(Text(row.text), host);
    case ControlKind::kCheckBox:
      return new QCheckBox(Text(row.text), host);
    case ControlKind::kRadioButton: {
      auto* radio = new QRadioButton(Text(row.text), host);
      radio->setAutoExclusive(false);  // groups are kept by TemplateControls
      return radio;
    }
    case ControlKind::kGroupBox: {
      auto* box = new QGroupBox(WithoutMnemonic(row.text), host);
      box->setFocusPolicy(Qt::NoFocus);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      return box;
    }
    case ControlKind::kComboBox: {
      auto* combo = new QComboBox(host);
      combo->setEditable(false);
      return combo;
    }
    case ControlKind::kListBox: {
      auto* list = new QListWidget(host);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSortingEnabled(HasStyle(row, kSorted));
      list->setFrameShape(HasStyle(row, kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
      return list;
    }
    case ControlKind::kListView: {
      auto* view = new QTreeWidget(host);
      view->setRootIsDecorated(false);
      view->setUniformRowHeights(true);
      view->setAllColumnsShowFocus(true);
      view->setSelectionBehavior(QAbstractItemView::SelectRows);
      view->setSelectionMode(HasStyle(row, kSingleSelection)
                                 ? QAbstractItemView::SingleSelection
                                 : QAbstractItemView::ExtendedSelection);
      view->setFrameShape(HasStyle(row, kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
      view->setAccessibleName(Text(row.text));
      return view;
    }
    case ControlKind::kIcon: {
      auto* icon = new QLabel(host);
      icon->setPixmap(LoadIconPixmap(Text(row.text).toInt()));
      return icon;
    }
  }
  return new QWidget(host);
}

// The pixel rectangle of a row: its template rectangle, except that a combo
// box's height is that of its dropped list, so the closed box takes its own
// height and shows as many items as the list's height holds.
QRect Placement(const ControlTemplate& row, QWidget* widget, QWidget* host) {
  QRect rect = TemplateControls::ToPixels(host, row.x, row.y, row.width, row.height);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    const int closed = combo->sizeHint().height();
    const int item = qMax(1, QFontMetrics(host->font()).height());
    combo->setMaxVisibleItems(qMax(1, (rect.height() - closed) / item));
    rect.setHeight(closed);
  } else if (row.kind == ControlKind::kIcon) {
    const QPixmap pixmap = static_cast<QLabel*>(widget)->pixmap();
    if (!pixmap.isNull()) rect.setSize(pixmap.size());
  }
  return rect;
}

}  // namespace

QFont TemplateFont(const DialogTemplate& dialog) {
  QFont font;
  if (dialog.font == "Helv" || dialog.font == "MS Sans Serif") {
    font.setFamily(QStringLiteral("Sans Serif"));
  } else {
    font.setFamily(Text(dialog.font));
  }
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(dialog.point_size > 0 ? dialog.point_size : 8);
  return font;
}

int AddSortedItem(QComboBox* combo, const QString& text, const QVariant& data) {
  const std::string key = ToCodePage(text);
  int index = combo->count();
  for (int i = 0; i < combo->count(); ++i) {
    if (LocaleCompareNoCase(key, ToCodePage(combo->itemText(i))) < 0) {
      index = i;
      break;
    }
  }
  combo->insertItem(index, text, data);
  return index;
}

QRect TemplateControls::ToPixels(const QWidget* host, int x, int y, int width, int height) {
  const QFontMetrics metrics(host->font());
  const int sample = metrics.horizontalAdvance(QLatin1String(kAverageWidthSample));
  const int base_x = (sample / (kAverageWidthSampleLength / 2) + 1) / 2;
  const int base_y = metrics.height();
  return QRect(MulDiv(x, base_x, 4), MulDiv(y, base_y, 8), MulDiv(width, base_x, 4),
               MulDiv(height, base_y, 8));
}

void TemplateControls::Build(const DialogTemplate& dialog, QWidget* host) {
  const std::span<const ControlTemplate> rows = dialog.controls;
  std::vector<QWidget*> widgets;
  widgets.reserve(rows.size());
  std::vector<QRadioButton*> group;
  auto close_group = [&group] {
    for (QRadioButton* radio : group) {
      QObject::connect(radio, &QRadioButton::clicked, radio, [radio, members = group] {
        radio->setChecked(true);  // a click never clears an automatic radio button
        for (QRadioButton* other : members) {
          if (other != radio) other->setChecked(false);
        }
      });
    }
    group.clear();
  };

  for (const ControlTemplate& row : rows) {
    QWidget* widget = MakeWidget(row, host);
    widgets.push_back(widget);
    widget->setObjectName(row.id == kNoControlId ? QString()
                                                 : QStringLiteral("control_%1").arg(row.id));
    widget->setGeometry(Placement(row, widget, host));
    if (HasStyle(row, kDisabled)) widget->setEnabled(false);
    if (HasStyle(row, kHidden)) widget->hide();
    if (!IsTabStop(row) && widget->focusPolicy() != Qt::NoFocus) {
      widget->setFocusPolicy(row.kind == ControlKind::kStatic || row.kind == ControlKind::kIcon
                                 ? Qt::NoFocus
                                 : Qt::ClickFocus);
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      button->setDefault(HasStyle(row, kDefaultButton));
    }
    if (row.kind == ControlKind::kRadioButton) {
      if (HasStyle(row, kGroup)) close_group();
      group.push_back(static_cast<QRadioButton*>(widget));
    } else if (HasStyle(row, kGroup)) {
      close_group();
    }
    if (row.id != kNoControlId) controls_.insert(row.id, widget);
  }
  close_group();

  // Labels: mnemonics and their buddies, now that every control exists.
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].kind != ControlKind::kStatic) continue;
    auto* label = static_cast<QLabel*>(widgets[i]);
    const int buddy = HasMnemonic(rows[i].text) ? BuddyRow(rows, i) : -1;
    if (buddy >= 0) {
      label->setText(Text(rows[i].text));
      label->setBuddy(widgets[buddy]);
    } else {
      label->setText(WithoutMnemonic(rows[i].text));
    }
  }

  // Tab order follows the template; group boxes lie beneath everything else.
  QWidget* previous = nullptr;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (widgets[i]->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, widgets[i]);
    previous = widgets[i];
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].kind == ControlKind::kGroupBox) widgets[i]->lower();
  }
}

}  // namespace zr
