// The result of a fill, capture or update entry: whether it did its work,
// found nothing to work on, or did its work but could not write a data file.
// The objects answer these as S_OK, S_FALSE and STG_E_CANTSAVE.
#ifndef ZRFORM_FORMS_OUTCOME_H_
#define ZRFORM_FORMS_OUTCOME_H_

#include <string>
#include <string_view>

namespace zr {

enum class [[nodiscard]] Outcome{kDone, kNothing, kNotSaved};

// What a window tells the user when the file at path could not be written.
// Saves replace a file atomically, so the file on disk is the one before.
inline std::string NotSavedText(std::string_view path) {
  return "ZRForm could not write\n" + std::string(path) +
         "\n\nThe file is as it was before, so nothing saved earlier is lost. Your change is kept "
         "while ZRForm runs and is written with the next save that works. Check that the disk "
         "has room and that the folder can be written.";
}
inline constexpr std::string_view kNotSavedCaption = "ZRForm";

}  // namespace zr

#endif  // ZRFORM_FORMS_OUTCOME_H_
