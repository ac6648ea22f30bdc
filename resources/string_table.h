// The string table: the system's messages and captions by id.
#ifndef ZRFORM_RESOURCES_STRING_TABLE_H_
#define ZRFORM_RESOURCES_STRING_TABLE_H_

#include <string_view>

namespace zr {

inline constexpr int kIdsProjectName = 100;
inline constexpr int kIdsFieldsNotFilled = 32769;
inline constexpr int kIdsIncorrectPassword = 32770;
inline constexpr int kIdsPasswordsDiffer = 32771;
inline constexpr int kIdsConfirmDelete = 32772;
inline constexpr int kIdsNoMasterPassword = 32773;
inline constexpr int kIdsLoginRecorded = 32774;
inline constexpr int kIdsNoLoginForm = 32775;
inline constexpr int kIdsLoginManagerCaption = 32776;
inline constexpr int kIdsEnterDescription = 32777;
inline constexpr int kIdsEmptyFieldNotAllowed = 32778;
inline constexpr int kIdsConfirmRemoveField = 32779;

// The text of id, or "" when the table has none.
std::string_view LoadString(int id);

}  // namespace zr

#endif  // ZRFORM_RESOURCES_STRING_TABLE_H_
