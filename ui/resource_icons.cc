// Pixmaps drawn from the XPM text of resources/icons.cc.
#include "ui/resource_icons.h"

#include "resources/icons.h"

namespace zr {

QPixmap LoadIconPixmap(int id) {
  std::span<const char* const> rows = IconXpm(id);
  if (rows.empty()) return QPixmap();
  return QPixmap(rows.data());
}

QIcon LoadIcon(int id) { return QIcon(LoadIconPixmap(id)); }

}  // namespace zr
