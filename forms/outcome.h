// The result of a fill or capture entry: whether it did its work or found
// nothing to work on. The objects answer these as S_OK and S_FALSE.
#ifndef ZRFORM_FORMS_OUTCOME_H_
#define ZRFORM_FORMS_OUTCOME_H_

namespace zr {

enum class [[nodiscard]] Outcome{kDone, kNothing};

}  // namespace zr

#endif  // ZRFORM_FORMS_OUTCOME_H_
