// LoginListView: the Login Manager's list of login records (control 240).
// Each row carries its record's id and finds the record by it; the row's
// texts are copies. The view handles its own double-clicks, the Auto toggle,
// Ctrl+A, the space bar and sorting by a column header.
#ifndef ZRFORM_UI_LOGIN_LIST_VIEW_H_
#define ZRFORM_UI_LOGIN_LIST_VIEW_H_

#include <QIcon>
#include <QObject>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace zr {

class LoginRecord;
class LoginStore;

// The list's columns.
enum LoginColumn {
  kLoginAutoColumn,
  kLoginDescriptionColumn,
  kLoginSiteColumn,
  kLoginNameColumn,
  kLoginPasswordColumn
};

// Clicks at most this far from the list's left edge hit the Auto check box.
inline constexpr int kLoginAutoBoxWidth = 16;
inline constexpr char kLoginMaskedPassword[] = "********";

class LoginListView : public QObject {
  Q_OBJECT

 public:
  // Takes over list (owned by its dialog) for the records of store.
  LoginListView(QTreeWidget* list, LoginStore& store);

  // Sets up the columns and state images and adds one row per record, in
  // store order.
  void Fill();

  QTreeWidget* list() const { return list_; }
  int RowCount() const;
  // The record id of row.
  int RecordIdAt(int row) const;
  // The selected rows, lowest first.
  std::vector<int> SelectedRows() const;
  void SelectRow(int row);
  void RemoveRow(int row);

  // Refreshes every row from its record; rows whose record is gone are
  // dropped. Run after anything that lets other clients change the store.
  void Refresh();
  // Password column: the real passwords or the mask.
  void SetShowPasswords(bool show);
  bool show_passwords() const { return show_passwords_; }

  // Sorts by column: ascending when it is a new sort column, else the
  // direction flips.
  void SortByColumn(int column);
  int sort_column() const { return sort_column_; }
  bool ascending() const { return ascending_; }
  // The order of two records under the sort column (<0, 0, >0), ascending.
  int Compare(int left_id, int right_id) const;

 signals:
  // A double-click asks the window to edit the selected record.
  void EditRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddRow(const LoginRecord& record);
  // Writes the record's texts and state image into item.
  void ShowRecord(QTreeWidgetItem& item, const LoginRecord& record) const;
  // Gives the record of row the opposite flag and every selected row the same.
  void ToggleAuto(int row);
  std::string SortText(int id) const;

  QTreeWidget* list_;
  QWidget* viewport_;
  LoginStore& store_;
  int sort_column_ = -1;
  bool ascending_ = true;
  bool show_passwords_ = false;
  bool swallow_release_ = false;
  QIcon state_images_[2];  // 0: empty box, 1: ticked box
};

}  // namespace zr

#endif  // ZRFORM_UI_LOGIN_LIST_VIEW_H_
