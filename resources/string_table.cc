// The string table: the system's messages and captions by id. "\n" in a text
// is a line break; the texts are shown exactly as written here.
#include "resources/string_table.h"

#include <array>
#include <utility>

namespace zr {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 12> kStrings = {{
    {kIdsProjectName, "ZRForm"},
    {kIdsFieldsNotFilled, "Some important fields are not filled, please try again!"},
    {kIdsIncorrectPassword, "The password you entered is incorrect!"},
    {kIdsPasswordsDiffer,
     "The two passwords that your have entered are not identical\n"
     "Please re-enter or re-confirm your password"},
    {kIdsConfirmDelete, "Are you sure you want to delete these items?"},
    {kIdsNoMasterPassword,
     "You did not set your master password.\n"
     "You may proceed but your passwords will not be protected.\n"
     "To setup your master password you can click \"Master Password\" button on the "
     "following dialog box."},
    {kIdsLoginRecorded,
     "The login name and password from the current page has been successfully recorded."},
    {kIdsNoLoginForm, "No login form is found in the current page!"},
    {kIdsLoginManagerCaption, "Zorvane Login Manager"},
    {kIdsEnterDescription, "Please enter the field description"},
    {kIdsEmptyFieldNotAllowed, "Empty field is not allowed"},
    {kIdsConfirmRemoveField, "Are you sure you want to remove this field?"},
}};

}  // namespace

std::string_view LoadString(int id) {
  for (const auto& [string_id, text] : kStrings) {
    if (string_id == id) return text;
  }
  return {};
}

}  // namespace zr
