// The icons of resources/icons.h as Qt pixmaps and icons.
#ifndef ZRFORM_UI_RESOURCE_ICONS_H_
#define ZRFORM_UI_RESOURCE_ICONS_H_

#include <QIcon>
#include <QPixmap>

namespace zr {

// The pixmap of icon id (kIdiProgram, kIdiCheckedBox, kIdiEmptyBox), or a null
// pixmap when there is none.
QPixmap LoadIconPixmap(int id);
QIcon LoadIcon(int id);

}  // namespace zr

#endif  // ZRFORM_UI_RESOURCE_ICONS_H_
