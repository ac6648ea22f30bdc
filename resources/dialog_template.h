// Dialog templates as data: each dialog's id, title, font, size and style,
// and every control with its id, kind, text, position and size in dialog
// units and its styles, in template (tab) order. The ui builder turns a
// template into widgets; nothing places a dialog's widgets by hand.
#ifndef ZRFORM_RESOURCES_DIALOG_TEMPLATE_H_
#define ZRFORM_RESOURCES_DIALOG_TEMPLATE_H_

#include <cstdint>
#include <span>
#include <string_view>

namespace zr {

// The id of a control that is never looked up (labels, group boxes).
inline constexpr int kNoControlId = -1;

enum class ControlKind {
  kStatic,       // a label; "&" marks the mnemonic of the next control
  kEdit,         // a one-line (or, with kMultiLine, multi-line) edit
  kButton,       // a push button
  kCheckBox,     // an automatic check box
  kRadioButton,  // an automatic radio button; kGroup starts a group
  kGroupBox,     // a frame with a caption
  kComboBox,     // a drop-down list
  kListBox,      // a list of strings
  kListView,     // a report-style list with columns
  kIcon,         // a static icon; text holds the icon id as decimal
};

// Control styles, combined as bits.
enum ControlStyle : uint32_t {
  kNoStyle = 0,
  kReadOnly = 1u << 0,
  kPassword = 1u << 1,  // masked edit
  kMultiLine = 1u << 2,
  kDefaultButton = 1u << 3,  // the button that Return presses
  kGroup = 1u << 4,          // first control of a group (radio buttons)
  kSorted = 1u << 5,         // combo or list box keeps its items sorted
  kVerticalScroll = 1u << 6,
  kDisabled = 1u << 7,
  kHidden = 1u << 8,
  kLowerCase = 1u << 9,  // an edit that turns typed letters to lower case
  kAutoHorizontalScroll = 1u << 10,
  kNoTabStop = 1u << 11,
  kBorder = 1u << 12,
  kShowSelectionAlways = 1u << 13,  // a list view keeps showing its selection without focus
  kSingleSelection = 1u << 14,      // a list view or list box selects one row at a time
  kCentered = 1u << 15,             // centred static text
  kRightAligned = 1u << 16,
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  std::string_view text;
  int x, y, width, height;  // dialog units
  uint32_t styles;
};

// Dialog styles, combined as bits.
enum DialogStyle : uint32_t {
  kNoDialogStyle = 0,
  kModalFrame = 1u << 0,
  kCaption = 1u << 1,
  kSystemMenu = 1u << 2,
  kCenteredDialog = 1u << 3,
  kResizable = 1u << 4,
  kChildPage = 1u << 5,  // a property-sheet page, shown inside a sheet
};

struct DialogTemplate {
  int id;
  std::string_view title;
  std::string_view font;  // "Helv", "MS Sans Serif", ...
  int point_size;
  int width, height;  // dialog units
  uint32_t styles;
  std::span<const ControlTemplate> controls;
};

// The template with id, or null.
const DialogTemplate* FindDialogTemplate(int id);
// Every template, in id order.
std::span<const DialogTemplate* const> AllDialogTemplates();

}  // namespace zr

#endif  // ZRFORM_RESOURCES_DIALOG_TEMPLATE_H_
