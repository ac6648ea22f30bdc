// The product's name and version text, as the About box shows them and the
// server prints them where no box can be shown.
#ifndef ZRFORM_RESOURCES_PRODUCT_H_
#define ZRFORM_RESOURCES_PRODUCT_H_

namespace zr {

inline constexpr char kProductName[] = "Zorvane Toolbar";
inline constexpr char kVersionText[] = "Version 3.1";

}  // namespace zr

#endif  // ZRFORM_RESOURCES_PRODUCT_H_
