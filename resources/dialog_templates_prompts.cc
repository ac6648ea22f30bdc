// Templates of the About box (103), the master-password dialogs (224, 225),
// the remember-password prompt (232) and the select-login dialog (233).
#include "resources/dialog_templates_internal.h"
#include "resources/product.h"

namespace zr::templates {
namespace {

using enum ControlKind;

constexpr ControlTemplate kAboutControls[] = {
    {kNoControlId, kIcon, "203", 7, 12, 20, 20, kNoStyle},
    {kNoControlId, kStatic, kProductName, 37, 14, 129, 8, kNoStyle},
    {kNoControlId, kStatic, kVersionText, 37, 38, 132, 8, kNoStyle},
    {1, kButton, "OK", 178, 12, 40, 14, kDefaultButton},
};

constexpr ControlTemplate kMasterPasswordPromptControls[] = {
    {kNoControlId, kStatic, "Please enter your master password:", 7, 9, 192, 8, kNoStyle},
    {247, kEdit, "", 7, 24, 232, 14, kEditStyle | kPassword},
    {1, kButton, "OK", 64, 47, 50, 14, kNoStyle},
    {2, kButton, "&Cancel", 128, 47, 50, 14, kNoStyle},
    {kNoControlId, kGroupBox, "", 7, 69, 232, 19, kNoStyle},
    {kNoControlId, kStatic, "YOUR PASSWORDS ARE SAVED LOCALLY IN ENCRYPTED FILES", 11, 76, 223, 8,
     kNoStyle},
};

constexpr ControlTemplate kMasterPasswordSetupControls[] = {
    {kNoControlId, kStatic, "You need to set up your master password to protect your passwords", 21,
     7, 214, 8, kNoStyle},
    {kNoControlId, kStatic, "&Master Password:", 21, 23, 62, 8, kNoStyle},
    {206, kEdit, "", 91, 20, 136, 14, kEditStyle | kPassword},
    {kNoControlId, kStatic, "&Confirm Password:", 21, 42, 62, 8, kNoStyle},
    {209, kEdit, "", 91, 39, 136, 14, kEditStyle | kPassword},
    {kNoControlId, kGroupBox, "", 22, 57, 205, 30, kNoStyle},
    {kNoControlId, kStatic, "ALL OF YOUR PASSWORDS", 74, 62, 101, 8, kNoStyle},
    {kNoControlId, kStatic, "WILL BE SAVED LOCALLY IN ENCRYPTED FILES", 41, 74, 166, 8, kNoStyle},
    {1, kButton, "OK", 67, 93, 50, 14, kNoStyle},
    {2, kButton, "&Cancel", 131, 93, 50, 14, kNoStyle},
};

constexpr ControlTemplate kRememberPasswordControls[] = {
    {kNoControlId, kStatic, "Would you like to remember this password, so that you don't", 7, 3,
     198, 8, kNoStyle},
    {kNoControlId, kStatic, "&Description:", 7, 30, 62, 8, kNoStyle},
    {241, kEdit, "", 7, 41, 198, 12, kEditStyle},
    {kNoControlId, kStatic, "Login Name:", 7, 83, 62, 8, kNoStyle},
    {245, kEdit, "", 7, 93, 198, 12, kEditStyle | kReadOnly},
    {kNoControlId, kStatic, "Password:", 7, 110, 62, 8, kNoStyle},
    {247, kEdit, "", 7, 120, 198, 12, kEditStyle | kReadOnly | kPassword},
    {243, kCheckBox, "&Don't ask me again to remember password on this site.", 7, 148, 198, 10,
     kNoStyle},
    {258, kCheckBox, "&Don't ask me again to remember password on any site.", 7, 160, 198, 10,
     kNoStyle},
    {1, kButton, "&Yes", 52, 179, 50, 14, kDefaultButton},
    {2, kButton, "&No", 108, 179, 50, 14, kNoStyle},
    {kNoControlId, kStatic, "have to type it again the next time you visit this page?", 7, 14, 198,
     8, kNoStyle},
    {kNoControlId, kStatic, "&Site Address:", 7, 56, 62, 8, kNoStyle},
    {242, kEdit, "", 7, 66, 198, 12, kEditStyle},
    {255, kCheckBox, "&Fill in automatically", 7, 136, 150, 10, kNoStyle},
};

constexpr ControlTemplate kSelectLoginControls[] = {
    {kNoControlId, kStatic, "Please select the login name you wish to use:", 6, 3, 199, 8,
     kNoStyle},
    {263, kComboBox, "", 6, 15, 199, 77, kSorted | kVerticalScroll},
    {kNoControlId, kGroupBox, "Detail:", 6, 30, 199, 144, kNoStyle},
    {kNoControlId, kStatic, "&Description:", 12, 43, 62, 8, kNoStyle},
    {241, kEdit, "", 13, 55, 185, 12, kEditStyle | kReadOnly},
    {kNoControlId, kStatic, "&Site Address:", 12, 69, 62, 8, kNoStyle},
    {242, kEdit, "", 13, 80, 185, 12, kEditStyle | kReadOnly},
    {kNoControlId, kStatic, "Login Name:", 12, 97, 62, 8, kNoStyle},
    {245, kEdit, "", 13, 107, 185, 12, kEditStyle | kReadOnly},
    {kNoControlId, kStatic, "Password:", 12, 124, 62, 8, kNoStyle},
    {247, kEdit, "", 13, 134, 185, 12, kEditStyle | kReadOnly | kPassword},
    {255, kCheckBox, "&Fill in automatically", 13, 151, 169, 10, kNoStyle},
    {1, kButton, "&Login", 52, 177, 50, 14, kDefaultButton},
    {2, kButton, "&Cancel", 108, 177, 50, 14, kNoStyle},
    {256, kCheckBox, "&Require master password to fill in", 13, 162, 171, 10, kNoStyle},
};

}  // namespace

const DialogTemplate kAboutTemplate = {
    103, "About", "Helv", 8, 231, 74, kModalFrame | kCaption | kCenteredDialog, kAboutControls};
const DialogTemplate kMasterPasswordPromptTemplate = {
    224, "Master Password", "Helv", 8, 245, 95, kModalDialog, kMasterPasswordPromptControls};
const DialogTemplate kMasterPasswordSetupTemplate = {
    225, "Master Password", "Helv", 8, 250, 114, kModalDialog, kMasterPasswordSetupControls};
const DialogTemplate kRememberPasswordTemplate = {
    232, "Zorvane Login Manager", "Helv", 8, 211, 200, kModalDialog, kRememberPasswordControls};
const DialogTemplate kSelectLoginTemplate = {
    233, "Zorvane Login Manager", "Helv", 8, 211, 198, kModalDialog, kSelectLoginControls};

}  // namespace zr::templates
