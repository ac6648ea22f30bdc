// Templates of the Form Manager pages: Work (211), Home (213) and Customize
// (229). Each label sits left of its edit, one row before it in tab order.
#include "resources/dialog_templates_internal.h"

namespace zr::templates {
namespace {

using enum ControlKind;

constexpr ControlTemplate kHomePageControls[] = {
    {kNoControlId, kStatic, "&Title", 7, 9, 38, 8, kNoStyle},
    {214, kEdit, "", 47, 7, 78, 12, kEditStyle},
    {kNoControlId, kStatic, "&First Name", 7, 24, 38, 8, kNoStyle},
    {203, kEdit, "", 47, 22, 78, 12, kEditStyle},
    {kNoControlId, kStatic, "&Last Name", 129, 22, 38, 8, kNoStyle},
    {205, kEdit, "", 169, 20, 78, 12, kEditStyle},
    {kNoControlId, kStatic, "&Address", 7, 38, 38, 8, kNoStyle},
    {207, kEdit, "", 47, 36, 200, 12, kEditStyle},
    {210, kEdit, "", 47, 50, 200, 12, kEditStyle},
    {212, kEdit, "", 47, 65, 200, 12, kEditStyle},
    {kNoControlId, kStatic, "&City", 7, 83, 38, 8, kNoStyle},
    {217, kEdit, "", 47, 81, 78, 12, kEditStyle},
    {kNoControlId, kStatic, "&State", 129, 81, 38, 8, kNoStyle},
    {219, kEdit, "", 169, 79, 78, 12, kEditStyle},
    {kNoControlId, kStatic, "C&ountry", 7, 97, 38, 8, kNoStyle},
    {221, kEdit, "", 47, 95, 78, 12, kEditStyle},
    {kNoControlId, kStatic, "&Zip Code", 129, 96, 38, 8, kNoStyle},
    {223, kEdit, "", 169, 94, 78, 12, kEditStyle},
    {kNoControlId, kStatic, "Te&l", 7, 112, 38, 8, kNoStyle},
    {227, kEdit, "", 47, 110, 200, 12, kEditStyle},
    {kNoControlId, kStatic, "&Fax", 7, 126, 38, 8, kNoStyle},
    {230, kEdit, "", 47, 124, 200, 12, kEditStyle},
    {kNoControlId, kStatic, "E&mail", 7, 142, 38, 8, kNoStyle},
    {233, kEdit, "", 47, 140, 200, 12, kEditStyle},
    {244, kButton, "&Edit Field Names", 183, 161, 64, 14, kNoStyle},
};

constexpr ControlTemplate kWorkPageControls[] = {
    {kNoControlId, kStatic, "&Job Title", 7, 9, 41, 8, kNoStyle},
    {226, kEdit, "", 50, 7, 196, 12, kEditStyle},
    {kNoControlId, kStatic, "C&ompany", 7, 24, 41, 8, kNoStyle},
    {216, kEdit, "", 50, 22, 196, 12, kEditStyle},
    {kNoControlId, kStatic, "&Address", 7, 38, 41, 8, kNoStyle},
    {207, kEdit, "", 50, 36, 196, 12, kEditStyle},
    {210, kEdit, "", 50, 51, 196, 12, kEditStyle},
    {212, kEdit, "", 50, 65, 196, 12, kEditStyle},
    {kNoControlId, kStatic, "&City", 7, 82, 41, 8, kNoStyle},
    {217, kEdit, "", 50, 80, 74, 12, kEditStyle},
    {kNoControlId, kStatic, "&State", 128, 82, 40, 8, kNoStyle},
    {219, kEdit, "", 170, 80, 76, 12, kEditStyle},
    {kNoControlId, kStatic, "Co&untry", 7, 97, 41, 8, kNoStyle},
    {221, kEdit, "", 50, 95, 74, 12, kEditStyle},
    {kNoControlId, kStatic, "&Zip Code", 128, 97, 40, 8, kNoStyle},
    {223, kEdit, "", 170, 95, 76, 12, kEditStyle},
    {kNoControlId, kStatic, "&Tel", 7, 112, 41, 8, kNoStyle},
    {227, kEdit, "", 50, 110, 196, 12, kEditStyle},
    {kNoControlId, kStatic, "&Fax", 7, 126, 41, 8, kNoStyle},
    {230, kEdit, "", 50, 124, 196, 12, kEditStyle},
    {kNoControlId, kStatic, "E&mail", 7, 141, 41, 8, kNoStyle},
    {233, kEdit, "", 50, 139, 196, 12, kEditStyle},
    {244, kButton, "&Edit Field Names", 181, 161, 64, 14, kNoStyle},
};

constexpr ControlTemplate kCustomizePageControls[] = {
    {235, kListBox, "", 14, 7, 98, 132, kVerticalScroll | kBorder},
    {kNoControlId, kGroupBox, "Field Properties", 119, 7, 135, 131, kNoStyle},
    {kNoControlId, kStatic, "&Description:", 127, 26, 38, 8, kNoStyle},
    {237, kEdit, "", 127, 40, 114, 14, kEditStyle},
    {kNoControlId, kStatic, "&Name:", 127, 64, 22, 8, kNoStyle},
    {239, kEdit, "", 127, 78, 114, 14, kEditStyle},
    {kNoControlId, kStatic, "&Value:", 127, 101, 21, 8, kNoStyle},
    {242, kEdit, "", 127, 114, 114, 14, kEditStyle},
    {206, kButton, "&New", 15, 148, 45, 14, kNoStyle},
    {246, kButton, "&Remove", 67, 148, 45, 14, kNoStyle},
};

}  // namespace

const DialogTemplate kWorkPageTemplate = {211, "Work", "MS Sans Serif", 8,
                                          261, 182,    kChildPage,      kWorkPageControls};
const DialogTemplate kHomePageTemplate = {213, "Home", "MS Sans Serif", 8,
                                          262, 182,    kChildPage,      kHomePageControls};
const DialogTemplate kCustomizePageTemplate = {229,
                                               "Customize",
                                               "MS Sans Serif",
                                               8,
                                               261,
                                               177,
                                               kChildPage | kCenteredDialog,
                                               kCustomizePageControls};

}  // namespace zr::templates
