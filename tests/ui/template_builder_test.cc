// The template builder: every template builds with each control found by id,
// as the right widget at its converted position; tab order, mnemonics,
// lower-case and length-limited edits, sorted combo boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "platform/code_page.h"
#include "ui/template_dialog.h"

namespace zr {
namespace {

// The built widget for a row has the widget class of its kind.
bool HasKindClass(const ControlTemplate& row, QWidget* widget) {
  switch (row.kind) {
    case ControlKind::kStatic:
    case ControlKind::kIcon:
      return qobject_cast<QLabel*>(widget) != nullptr;
    case ControlKind::kEdit:
      return qobject_cast<QLineEdit*>(widget) != nullptr;
    case ControlKind::kButton:
      return qobject_cast<QPushButton*>(widget) != nullptr;
    case ControlKind::kCheckBox:
      return qobject_cast<QCheckBox*>(widget) != nullptr;
    case ControlKind::kRadioButton:
      return qobject_cast<QRadioButton*>(widget) != nullptr;
    case ControlKind::kGroupBox:
      return qobject_cast<QGroupBox*>(widget) != nullptr;
    case ControlKind::kComboBox:
      return qobject_cast<QComboBox*>(widget) != nullptr;
    case ControlKind::kListBox:
      return qobject_cast<QListWidget*>(widget) != nullptr;
    case ControlKind::kListView:
      return qobject_cast<QTreeWidget*>(widget) != nullptr;
  }
  return false;
}

// A built template: a dialog, or a page for child-page templates.
struct Built {
  std::unique_ptr<QWidget> host;
  std::function<QWidget*(int)> control;
};

Built Build(const DialogTemplate& dialog) {
  if (dialog.styles & kChildPage) {
    auto* page = new TemplatePage(dialog.id);
    return {std::unique_ptr<QWidget>(page), [page](int id) { return page->Control(id); }};
  }
  auto* built = new TemplateDialog(dialog.id);
  return {std::unique_ptr<QWidget>(built), [built](int id) { return built->Control(id); }};
}

TEST(TemplateBuilderTest, EveryControlIsBuiltAtItsPlace) {
  for (const DialogTemplate* dialog : AllDialogTemplates()) {
    SCOPED_TRACE(dialog->id);
    Built built = Build(*dialog);
    QSet<int> ids;
    for (const ControlTemplate& row : dialog->controls) {
      if (row.id == kNoControlId) continue;
      SCOPED_TRACE(row.id);
      EXPECT_FALSE(ids.contains(row.id)) << "id used twice";
      ids.insert(row.id);
      QWidget* widget = built.control(row.id);
      ASSERT_NE(widget, nullptr);
      EXPECT_TRUE(HasKindClass(row, widget));
      const QRect expected =
          TemplateControls::ToPixels(built.host.get(), row.x, row.y, row.width, row.height);
      EXPECT_EQ(widget->pos(), expected.topLeft());
      if (row.kind != ControlKind::kIcon) {  // an icon takes its picture's size
        EXPECT_EQ(widget->width(), expected.width());
        // A combo box's height is its dropped list's; the closed box is lower.
        if (row.kind != ControlKind::kComboBox) {
          EXPECT_EQ(widget->height(), expected.height());
        }
      }
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        EXPECT_EQ(button->text().toStdString(), row.text);
      }
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        EXPECT_EQ(edit->isReadOnly(), (row.styles & kReadOnly) != 0);
        EXPECT_EQ(edit->echoMode() == QLineEdit::Password, (row.styles & kPassword) != 0);
      }
    }
    EXPECT_EQ(built.control(kNoControlId), nullptr);
  }
}

TEST(TemplateBuilderTest, DialogUnitsComeFromTheFont) {
  QWidget host;
  host.setFont(TemplateFont(*FindDialogTemplate(224)));
  const QFontMetrics metrics(host.font());
  const int letters =
      metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int base_x = (letters / 26 + 1) / 2;
  const int base_y = metrics.height();
  ASSERT_GT(base_x, 0);
  // Four horizontal units are one average character; eight vertical units
  // are one line; larger values scale with rounding, not truncation.
  EXPECT_EQ(TemplateControls::ToPixels(&host, 4, 8, 400, 800),
            QRect(base_x, base_y, 100 * base_x, 100 * base_y));
  EXPECT_EQ(TemplateControls::ToPixels(&host, 0, 0, 0, 0), QRect(0, 0, 0, 0));
  EXPECT_EQ(TemplateControls::ToPixels(&host, 2, 4, 1, 1).topLeft(),
            QPoint((2 * base_x + 2) / 4, (4 * base_y + 4) / 8));
  // A bigger font gives bigger units.
  QWidget big;
  QFont font = host.font();
  font.setPointSize(16);
  big.setFont(font);
  EXPECT_GT(TemplateControls::ToPixels(&big, 100, 100, 0, 0).x(),
            TemplateControls::ToPixels(&host, 100, 100, 0, 0).x());
}

std::vector<int> TabChain(TemplateDialog& dialog, const std::vector<int>& ids) {
  std::vector<int> order;
  QWidget* first = dialog.Control(ids.front());
  QWidget* widget = first;
  do {
    for (int id : ids) {
      if (dialog.Control(id) == widget) order.push_back(id);
    }
    widget = widget->nextInFocusChain();
  } while (widget != first && order.size() < 2 * ids.size());
  return order;
}

TEST(TemplateBuilderTest, TabOrderIsTemplateOrder) {
  TemplateDialog remember(232);
  const std::vector<int> order = {241, 245, 247, 243, 258, 1, 2, 242, 255};
  EXPECT_EQ(TabChain(remember, order), order);
  TemplateDialog form(231);
  const std::vector<int> form_order = {243, 237, 254, 239, 242, 248, 1, 206, 246, 255, 257, 235};
  EXPECT_EQ(TabChain(form, form_order), form_order);
  // Radio buttons without a tab stop are reached by clicks only.
  EXPECT_EQ(form.Control(250)->focusPolicy(), Qt::ClickFocus);
}

QLabel* LabelWithText(QWidget& host, const QString& text) {
  for (QLabel* label : host.findChildren<QLabel*>()) {
    if (label->text() == text) return label;
  }
  return nullptr;
}

TEST(TemplateBuilderTest, LabelMnemonicsFocusTheirControls) {
  struct Case {
    int dialog;
    const char* label;
    int buddy;
  };
  const Case cases[] = {
      {231, "&Site Address:", 243},  // the edit on its line, not the next row
      {232, "&Description:", 241},   // the edit below it, next in order
      {225, "&Master Password:", 206},
      {213, "&Address", 207},
      {229, "&Value:", 242},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const DialogTemplate& t = *FindDialogTemplate(c.dialog);
    Built built = Build(t);
    QLabel* label = LabelWithText(*built.host, c.label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->buddy(), built.control(c.buddy));
  }
  // Labels without a mark show their text as is.
  TemplateDialog form(231);
  EXPECT_NE(LabelWithText(form, "Field Name"), nullptr);
}

TEST(TemplateBuilderTest, LowerCaseEditsTurnLettersSmall) {
  TemplateDialog names(215);
  auto* edit = names.ControlAs<QLineEdit>(203);
  QTest::keyClicks(edit, "First;NAME");
  EXPECT_EQ(edit->text(), "first;name");
  edit->setText("Zip;ZIPCODE");
  EXPECT_EQ(edit->text(), "zip;zipcode");
  // Other edits keep what they are given.
  TemplateDialog home(224);
  home.ControlAs<QLineEdit>(247)->setText("MiXeD");
  EXPECT_EQ(home.ControlAs<QLineEdit>(247)->text(), "MiXeD");
}

TEST(TemplateBuilderTest, EditsHoldNoMoreThanAStoredString) {
  TemplateDialog remember(232);
  auto* edit = remember.ControlAs<QLineEdit>(241);
  edit->setText(QString(1023, 'a'));
  edit->setCursorPosition(1023);
  QTest::keyClicks(edit, "bc");
  EXPECT_EQ(edit->text().size(), 1024);
  EXPECT_TRUE(edit->text().endsWith("ab"));
  if (CodePageName() != "UTF-8") return;
  // Characters of two bytes: 512 of them fill the string; one more is refused.
  edit->setText(QString(511, QChar(0xE9)));
  edit->setCursorPosition(511);
  for (int i = 0; i < 2; ++i) {  // typed: QTest::keyClicks takes ASCII only
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0xE9)));
    QApplication::sendEvent(edit, &press);
  }
  EXPECT_EQ(edit->text().toUtf8().size(), 1024);
}

TEST(TemplateBuilderTest, SortedComboKeepsItemsInOrder) {
  QComboBox combo;
  const char* names[] = {"mike", "Alice", "bob", "alice", "(no user name)", "Zed"};
  for (int i = 0; i < 6; ++i) AddSortedItem(&combo, names[i], i);
  QStringList order;
  for (int i = 0; i < combo.count(); ++i) order << combo.itemText(i);
  // Case is ignored; equal names keep the order they came in.
  EXPECT_EQ(order, QStringList({"(no user name)", "Alice", "alice", "bob", "mike", "Zed"}));
  EXPECT_EQ(combo.itemData(1).toInt(), 1);
  EXPECT_EQ(combo.itemData(2).toInt(), 3);
}

TEST(TemplateBuilderTest, ReturnPressesButtonOneWithoutADefaultButton) {
  TemplateDialog prompt(224);
  prompt.show();
  int accepted = 0;
  QObject::connect(&prompt, &QDialog::accepted, [&] { ++accepted; });
  QTest::keyClick(prompt.Control(247), Qt::Key_Return);
  EXPECT_EQ(accepted, 1);
  // A template's own default button stays the only default.
  TemplateDialog form(233);
  EXPECT_TRUE(form.ControlAs<QPushButton>(1)->isDefault());
  EXPECT_FALSE(form.ControlAs<QPushButton>(2)->isDefault());
}

TEST(TemplateBuilderTest, GroupBoxesLieBeneathTheirControls) {
  TemplateDialog form(231);
  auto* box = form.findChild<QGroupBox*>();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->title(), "Field Properties");
  // The box was created after the edits it encloses, yet it must not cover them.
  EXPECT_EQ(form.childAt(form.Control(254)->geometry().center()), form.Control(254));
  EXPECT_TRUE(box->testAttribute(Qt::WA_TransparentForMouseEvents));
}

}  // namespace
}  // namespace zr
