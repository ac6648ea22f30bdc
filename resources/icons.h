// The system's icons as drawings in XPM text (rows of a palette-indexed
// picture), so that resources/ stays free of any toolkit; ui/ turns them
// into pixmaps.
#ifndef ZRFORM_RESOURCES_ICONS_H_
#define ZRFORM_RESOURCES_ICONS_H_

#include <span>

namespace zr {

inline constexpr int kIdiProgram = 203;     // the program's icon, 32 x 32
inline constexpr int kIdiCheckedBox = 204;  // a ticked check box, 16 x 16
inline constexpr int kIdiEmptyBox = 205;    // an empty check box, 16 x 16

// The XPM rows of icon id (header, palette, then pixels), or an empty span
// when there is no such icon.
std::span<const char* const> IconXpm(int id);

}  // namespace zr

#endif  // ZRFORM_RESOURCES_ICONS_H_
