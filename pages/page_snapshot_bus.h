// A page snapshot and a fill's writes as the values of a bus message: the
// reply of ZRForm.Page.Document.Snapshot (and Form.Snapshot) and the
// arguments of ZRForm.Page.Document.ApplyWrites. Each is a few parallel arrays
// of basic types, so that any bus binding can read them.
#ifndef ZRFORM_PAGES_PAGE_SNAPSHOT_BUS_H_
#define ZRFORM_PAGES_PAGE_SNAPSHOT_BUS_H_

#include <QString>
#include <QVariantList>
#include <optional>
#include <vector>

#include "forms/page_snapshot.h"

namespace zr {

// url, title, truncated, the forms' names; for each element its form, kind
// (0 input, 1 text area, 2 select), type, name, value and maximum length (-1:
// none); for each option its element, text and value.
inline constexpr char kSnapshotSignature[] = "ssbasaiaiasasasaiaiasas";
// The reply of ZRForm.Page.Browser.Snapshot: the document's path ("/" for
// none), then its snapshot as above.
inline constexpr char kBrowserSnapshotSignature[] = "ossbasaiaiasasasaiaiasas";
// For each write: form, kind, index, option (-1 for inputs and text areas), value.
inline constexpr char kWritesSignature[] = "aiaiaiaias";

// A page text as a bus string (bytes that are not UTF-8 become U+FFFD: a
// bus string is always Unicode), and a bus string as a page text.
QString ToBusText(const PageText& text);
PageText FromBusText(const QString& text);

QVariantList SnapshotToBus(const PageSnapshot& snapshot);
// None when the values do not have the layout above (arrays of unequal
// length, a kind or an index out of range). The snapshot is bounded.
std::optional<PageSnapshot> SnapshotFromBus(const QVariantList& values);

QVariantList WritesToBus(const std::vector<PageWrite>& writes);
std::optional<std::vector<PageWrite>> WritesFromBus(const QVariantList& values);

}  // namespace zr

#endif  // ZRFORM_PAGES_PAGE_SNAPSHOT_BUS_H_
