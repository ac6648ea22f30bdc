// Templates of the Login Manager window (220) and the login record editor
// (231).
#include "resources/dialog_templates_internal.h"

namespace zr::templates {
namespace {

using enum ControlKind;

constexpr ControlTemplate kLoginManagerControls[] = {
    {240, kListView, "List2", 7, 7, 312, 127, kShowSelectionAlways | kBorder},
    {208, kCheckBox, "&Show Password", 7, 137, 89, 10, kNoStyle},
    {270, kButton, "&Import...", 215, 136, 50, 14, kNoStyle},
    {271, kButton, "E&xport...", 269, 136, 50, 14, kNoStyle},
    {234, kButton, "&Edit", 7, 153, 50, 14, kNoStyle},
    {236, kButton, "&Delete", 66, 153, 50, 14, kNoStyle},
    {204, kButton, "&Master Password", 124, 153, 61, 14, kNoStyle},
    {1, kButton, "&Close", 269, 153, 50, 14, kDefaultButton},
};

constexpr ControlTemplate kLoginRecordFormControls[] = {
    {243, kEdit, "", 58, 7, 196, 14, kEditStyle},
    {237, kEdit, "", 58, 24, 196, 14, kEditStyle},
    {254, kEdit, "", 130, 66, 114, 14, kEditStyle},
    {239, kEdit, "", 130, 94, 114, 14, kEditStyle},
    {242, kEdit, "", 130, 122, 114, 14, kEditStyle},
    {248, kEdit, "", 130, 151, 114, 14, kEditStyle | kReadOnly},
    {1, kButton, "&Close", 204, 205, 50, 14, kNoStyle},
    {206, kButton, "&New", 14, 173, 41, 14, kNoStyle},
    {246, kButton, "&Remove", 69, 173, 40, 14, kNoStyle},
    {255, kCheckBox, "&Fill in automatically", 14, 195, 74, 10, kNoStyle},
    {257, kCheckBox, "&Require master password to fill in", 14, 209, 165, 10, kNoStyle},
    {kNoControlId, kStatic, "&Site Address:", 7, 8, 46, 8, kNoStyle},
    {kNoControlId, kStatic, "&Description:", 8, 26, 38, 8, kNoStyle},
    {235, kListBox, "", 13, 43, 98, 122, kVerticalScroll | kBorder},
    {kNoControlId, kGroupBox, "Field Properties", 119, 40, 135, 149, kNoStyle},
    {kNoControlId, kStatic, "Field Name", 130, 85, 60, 8, kNoStyle},
    {kNoControlId, kStatic, "Field Value:", 130, 113, 62, 8, kNoStyle},
    {kNoControlId, kStatic, "Form Name:", 130, 141, 39, 8, kNoStyle},
    {kNoControlId, kStatic, "Field Description:", 130, 56, 55, 8, kNoStyle},
    {250, kRadioButton, "&Text", 131, 173, 30, 10, kGroup | kNoTabStop},
    {252, kRadioButton, "&Password", 181, 173, 47, 10, kNoTabStop},
};

}  // namespace

const DialogTemplate kLoginManagerTemplate = {220,
                                              "Zorvane Login Manager",
                                              "MS Sans Serif",
                                              8,
                                              326,
                                              174,
                                              kCaption | kSystemMenu | kResizable | kCenteredDialog,
                                              kLoginManagerControls};
const DialogTemplate kLoginRecordFormTemplate = {
    231, "Login Record Form", "MS Sans Serif", 8, 261, 226, kModalDialog, kLoginRecordFormControls};

}  // namespace zr::templates
