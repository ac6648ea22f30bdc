// Templates of the field names editor's pages: Home (215) and Work (218).
// Every edit forces small letters; each label sits left of its edit.
#include "resources/dialog_templates_internal.h"

namespace zr::templates {
namespace {

using enum ControlKind;

constexpr uint32_t kPatternEdit = kEditStyle | kLowerCase;

constexpr ControlTemplate kHomeFieldNamesControls[] = {
    {kNoControlId, kStatic, "Title", 7, 13, 41, 8, kNoStyle},
    {214, kEdit, "", 50, 11, 65, 12, kPatternEdit},
    {kNoControlId, kStatic, "First Name", 7, 29, 41, 8, kNoStyle},
    {203, kEdit, "", 50, 27, 65, 12, kPatternEdit},
    {kNoControlId, kStatic, "Last Name", 119, 28, 39, 8, kNoStyle},
    {205, kEdit, "", 160, 26, 63, 12, kPatternEdit},
    {kNoControlId, kStatic, "Address", 7, 44, 41, 8, kNoStyle},
    {207, kEdit, "", 50, 42, 173, 12, kPatternEdit},
    {210, kEdit, "", 50, 56, 173, 12, kPatternEdit},
    {212, kEdit, "", 50, 71, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "City", 7, 88, 41, 8, kNoStyle},
    {217, kEdit, "", 50, 86, 65, 12, kPatternEdit},
    {kNoControlId, kStatic, "State", 119, 87, 39, 8, kNoStyle},
    {219, kEdit, "", 160, 85, 63, 12, kPatternEdit},
    {kNoControlId, kStatic, "Country", 7, 102, 41, 8, kNoStyle},
    {221, kEdit, "", 50, 100, 65, 12, kPatternEdit},
    {kNoControlId, kStatic, "Zip Code", 119, 101, 39, 8, kNoStyle},
    {223, kEdit, "", 160, 99, 63, 12, kPatternEdit},
    {kNoControlId, kStatic, "Tel", 7, 117, 41, 8, kNoStyle},
    {227, kEdit, "", 50, 115, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "Fax", 7, 131, 41, 8, kNoStyle},
    {230, kEdit, "", 50, 129, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "Email", 7, 147, 41, 8, kNoStyle},
    {233, kEdit, "", 50, 145, 173, 12, kPatternEdit},
};

constexpr ControlTemplate kWorkFieldNamesControls[] = {
    {kNoControlId, kStatic, "Job Title", 7, 9, 41, 8, kNoStyle},
    {226, kEdit, "", 50, 7, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "Company", 7, 24, 41, 8, kNoStyle},
    {216, kEdit, "", 50, 22, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "Address", 7, 39, 41, 8, kNoStyle},
    {207, kEdit, "", 50, 37, 173, 12, kPatternEdit},
    {210, kEdit, "", 50, 51, 173, 12, kPatternEdit},
    {212, kEdit, "", 50, 66, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "City", 7, 83, 41, 8, kNoStyle},
    {217, kEdit, "", 50, 81, 65, 12, kPatternEdit},
    {kNoControlId, kStatic, "State", 119, 82, 39, 8, kNoStyle},
    {219, kEdit, "", 160, 80, 63, 12, kPatternEdit},
    {kNoControlId, kStatic, "Country", 7, 97, 41, 8, kNoStyle},
    {221, kEdit, "", 50, 95, 65, 12, kPatternEdit},
    {kNoControlId, kStatic, "Zip Code", 119, 97, 39, 8, kNoStyle},
    {223, kEdit, "", 160, 95, 63, 12, kPatternEdit},
    {kNoControlId, kStatic, "Tel", 7, 112, 41, 8, kNoStyle},
    {227, kEdit, "", 50, 110, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "Fax", 7, 127, 41, 8, kNoStyle},
    {230, kEdit, "", 50, 125, 173, 12, kPatternEdit},
    {kNoControlId, kStatic, "Email", 7, 142, 41, 8, kNoStyle},
    {233, kEdit, "", 50, 140, 173, 12, kPatternEdit},
};

}  // namespace

const DialogTemplate kHomeFieldNamesTemplate = {215,
                                                "Home",
                                                "MS Sans Serif",
                                                8,
                                                236,
                                                166,
                                                kModalFrame | kCaption | kSystemMenu,
                                                kHomeFieldNamesControls};
const DialogTemplate kWorkFieldNamesTemplate = {218,
                                                "Work",
                                                "MS Sans Serif",
                                                8,
                                                236,
                                                174,
                                                kModalFrame | kCaption | kSystemMenu,
                                                kWorkFieldNamesControls};

}  // namespace zr::templates
