// CustomizePage: the "Customize" page of the Form Manager (template 229),
// which edits the process's CustomFieldList in place. Item i of the list box
// stands for entry i of the CustomFieldList and shows its description.
#ifndef ZRFORM_UI_CUSTOMIZE_PAGE_H_
#define ZRFORM_UI_CUSTOMIZE_PAGE_H_

#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <optional>

#include "ui/property_sheet.h"

namespace zr {

inline constexpr int kCustomizePageTemplateId = 229;
inline constexpr int kCustomFieldListId = 235;
inline constexpr int kCustomDescriptionEditId = 237;
inline constexpr int kCustomNameEditId = 239;
inline constexpr int kCustomValueEditId = 242;
inline constexpr int kNewCustomFieldButtonId = 206;
inline constexpr int kRemoveCustomFieldButtonId = 246;

class CustomizePage : public SheetPage {
  Q_OBJECT

 public:
  explicit CustomizePage(QWidget* parent = nullptr);

  // Lists the custom fields and shows the first.
  void InitPage() override;
  // Commits the edit that has the focus, as leaving it would; false when the
  // description was refused.
  bool LeavePage() override;

 protected:
  // An edit losing the focus to another control commits it.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int SelectedRow() const;
  // Selects row (-1: none) without running ShowEntry.
  void SelectRow(int row);
  void ReadMembers();
  void PutMembers();

  // Puts the selected entry (or nothing) into the edits.
  void ShowEntry();
  // Clears the selection and the edits for an entry yet to be described.
  void NewEntry();
  // Removes the selected entry after asking; its neighbour is selected next.
  void RemoveEntry();
  // Takes the text of the edit control_id into the entry; false when an empty
  // description was refused (the description edit then has the focus).
  bool CommitFieldEdit(int control_id);
  // After a refused description: puts previous back, or with none shows the
  // first entry again.
  void RestoreFieldEdit(const std::optional<QString>& previous);
  // Writes the three texts into entry row (appending when row is the count).
  void WriteBack(int row, const QString& description);

  QListWidget* list_;
  QLineEdit* description_edit_;
  QLineEdit* name_edit_;
  QLineEdit* value_edit_;
  // The shown entry's texts, as last put into or read from the edits.
  QString description_;
  QString name_;
  QString value_;
  // Set while a commit runs: focus changes caused by its message box or by
  // its moving the focus commit nothing more.
  bool committing_ = false;
};

}  // namespace zr

#endif  // ZRFORM_UI_CUSTOMIZE_PAGE_H_
