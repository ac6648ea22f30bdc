// LoginListView: rows of login records by id, the Auto toggle by click or
// space bar, Ctrl+A, double-click to edit, and sorting by a column header.
#include "ui/login_list_view.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <algorithm>

#include "platform/ascii_case.h"
#include "resources/icons.h"
#include "store/login_store.h"
#include "ui/control_text.h"
#include "ui/resource_icons.h"

namespace zr {

namespace {

constexpr int kRecordIdRole = Qt::UserRole;
constexpr int kStateImageSize = 16;
constexpr int kSiteColumnWidth = 200;
constexpr int kTitlePadding = 15;
const char* const kColumnTitles[] = {"Auto", "Description", "Site Address", "Login Name",
                                     "Password"};

// A row that sorts by its record, as the view's sort column says.
class LoginRow : public QTreeWidgetItem {
 public:
  explicit LoginRow(const LoginListView& view) : view_(view) {}
  bool operator<(const QTreeWidgetItem& other) const override {
    return view_.Compare(data(kLoginAutoColumn, kRecordIdRole).toInt(),
                         other.data(kLoginAutoColumn, kRecordIdRole).toInt()) < 0;
  }

 private:
  const LoginListView& view_;
};

}  // namespace

LoginListView::LoginListView(QTreeWidget* list, LoginStore& store)
    : QObject(list), list_(list), viewport_(list->viewport()), store_(store) {
  list_->installEventFilter(this);
  viewport_->installEventFilter(this);
  connect(list_->header(), &QHeaderView::sectionClicked, this, &LoginListView::SortByColumn);
}

void LoginListView::Fill() {
  list_->clear();
  list_->setColumnCount(static_cast<int>(std::size(kColumnTitles)));
  QStringList titles;
  for (const char* title : kColumnTitles) titles << QString::fromLatin1(title);
  list_->setHeaderLabels(titles);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setAllColumnsShowFocus(true);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSortingEnabled(false);  // the header clicks sort, by record
  list_->setIconSize(QSize(kStateImageSize, kStateImageSize));

  QHeaderView* header = list_->header();
  header->setSectionsClickable(true);
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(0);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  const QFontMetrics metrics(list_->font());
  const auto title_width = [&](int column) {
    return metrics.horizontalAdvance(QString::fromLatin1(kColumnTitles[column])) + kTitlePadding;
  };
  header->resizeSection(kLoginAutoColumn, kStateImageSize + 2);
  header->resizeSection(kLoginDescriptionColumn, title_width(kLoginDescriptionColumn));
  header->resizeSection(kLoginSiteColumn, kSiteColumnWidth);
  header->resizeSection(kLoginNameColumn, title_width(kLoginNameColumn));
  header->resizeSection(kLoginPasswordColumn, title_width(kLoginPasswordColumn));

  state_images_[0] = LoadIcon(kIdiEmptyBox);
  state_images_[1] = LoadIcon(kIdiCheckedBox);
  store_.ForEach([this](LoginRecord& record) { AddRow(record); });
}

int LoginListView::RowCount() const { return list_->topLevelItemCount(); }

int LoginListView::RecordIdAt(int row) const {
  const QTreeWidgetItem* item = list_->topLevelItem(row);
  return item ? item->data(kLoginAutoColumn, kRecordIdRole).toInt() : -1;
}

std::vector<int> LoginListView::SelectedRows() const {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : list_->selectedItems()) {
    rows.push_back(list_->indexOfTopLevelItem(item));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void LoginListView::SelectRow(int row) {
  if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
    list_->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
}

void LoginListView::RemoveRow(int row) { delete list_->takeTopLevelItem(row); }

void LoginListView::Refresh() {
  for (int row = RowCount() - 1; row >= 0; --row) {
    const LoginRecord* record = store_.FindById(RecordIdAt(row));
    if (record) {
      ShowRecord(*list_->topLevelItem(row), *record);
    } else {
      RemoveRow(row);
    }
  }
}

void LoginListView::SetShowPasswords(bool show) {
  show_passwords_ = show;
  Refresh();
}

void LoginListView::SortByColumn(int column) {
  ascending_ = column == sort_column_ ? !ascending_ : true;
  sort_column_ = column;
  list_->sortItems(column, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int LoginListView::Compare(int left_id, int right_id) const {
  return AsciiCompareNoCase(SortText(left_id), SortText(right_id));
}

std::string LoginListView::SortText(int id) const {
  const LoginRecord* record = store_.FindById(id);
  if (!record) return {};
  switch (sort_column_) {
    case kLoginDescriptionColumn:
      return record->description();
    case kLoginSiteColumn:
      return record->site();
    case kLoginNameColumn:
      return record->GetLoginName().value_or("");
    case kLoginPasswordColumn:
      return record->GetPassword().value_or("");  // the real one, shown or not
    default:
      return {};
  }
}

void LoginListView::AddRow(const LoginRecord& record) {
  auto* item = new LoginRow(*this);
  item->setData(kLoginAutoColumn, kRecordIdRole, record.id());
  ShowRecord(*item, record);
  list_->addTopLevelItem(item);
}

void LoginListView::ShowRecord(QTreeWidgetItem& item, const LoginRecord& record) const {
  const QString texts[] = {
      QString(),
      FromCodePage(record.description()),
      FromCodePage(record.site()),
      FromCodePage(record.GetLoginName().value_or("")),
      show_passwords_ ? FromCodePage(record.GetPassword().value_or(""))
                      : QString::fromLatin1(kLoginMaskedPassword),
  };
  for (int column = kLoginDescriptionColumn; column <= kLoginPasswordColumn; ++column) {
    item.setText(column, texts[column]);
    item.setToolTip(column, texts[column]);
  }
  item.setIcon(kLoginAutoColumn, state_images_[record.fill_automatically() ? 1 : 0]);
}

void LoginListView::ToggleAuto(int row) {
  LoginRecord* clicked = row >= 0 ? store_.FindById(RecordIdAt(row)) : nullptr;
  if (!clicked) return;
  const bool value = !clicked->fill_automatically();
  std::vector<int> rows = SelectedRows();
  rows.insert(rows.begin(), row);
  for (int selected : rows) {
    LoginRecord* record = store_.FindById(RecordIdAt(selected));
    if (!record) continue;
    if (record->fill_automatically() != value) record->set_fill_automatically(value ? 1 : 0);
    list_->topLevelItem(selected)->setIcon(kLoginAutoColumn, state_images_[value ? 1 : 0]);
  }
}

bool LoginListView::eventFilter(QObject* watched, QEvent* event) {
  // Only compares pointers until the event is known to be input: the filter
  // also sees the events sent while the list is being destroyed.
  if (watched == viewport_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        QTreeWidgetItem* item = list_->itemAt(at);
        if (mouse->button() != Qt::LeftButton || at.x() > kLoginAutoBoxWidth || !item) break;
        // A click on the check box toggles and leaves the selection as it is,
        // so that every selected row can be switched at once.
        ToggleAuto(list_->indexOfTopLevelItem(item));
        swallow_release_ = true;
        return true;
      }
      case QEvent::MouseButtonRelease:
        if (swallow_release_) {
          swallow_release_ = false;
          return true;
        }
        break;
      case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) break;
        if (mouse->position().x() >= kLoginAutoBoxWidth) emit EditRequested();
        return true;
      }
      default:
        break;
    }
  } else if (watched == list_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier)) {
      list_->selectAll();
      return true;
    }
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
      // The space bar switches the selected rows alike, led by the current row
      // when it is selected, else by the first selected row.
      std::vector<int> rows = SelectedRows();
      if (rows.empty()) return true;
      QTreeWidgetItem* current = list_->currentItem();
      const int lead =
          current && current->isSelected() ? list_->indexOfTopLevelItem(current) : rows.front();
      ToggleAuto(lead);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace zr
