// PageSnapshot: a whole document taken in one piece (its address, title,
// forms, their inputs, text areas and selects with their options), and a page
// over such a snapshot that serves every read from it and records every write.
// A client that can hand a page over in one message (the browser host, zrbar)
// sends a snapshot instead of answering one call per element, and carries the
// recorded writes back to the page in one message at the end.
#ifndef ZRFORM_FORMS_PAGE_SNAPSHOT_H_
#define ZRFORM_FORMS_PAGE_SNAPSHOT_H_

#include <memory>
#include <optional>
#include <vector>

#include "forms/page_forms.h"

namespace zr {

// The kinds of form element, in the order a form lists its collections.
enum class ElementKind { kInput = 0, kTextArea = 1, kSelect = 2 };

struct SnapshotOption {
  PageText text;
  PageText value;
};

struct SnapshotElement {
  ElementKind kind = ElementKind::kInput;
  int form = 0;   // index into PageSnapshot::forms
  PageText type;  // inputs only: as PageInput::Type reports it
  PageText name;
  PageText value;                       // inputs and text areas
  std::optional<long> max_length;       // inputs only
  std::vector<SnapshotOption> options;  // selects only
};

struct PageSnapshot {
  PageText url;
  PageText title;
  std::vector<PageText> forms;            // the forms' names, in document order
  std::vector<SnapshotElement> elements;  // in document order within each form and kind
  bool truncated = false;                 // the client cut a page too big to hand over whole
};

// One write a fill made: the value put into an input or text area, or the
// option selected in a select. The element is named by its form, its kind and
// its index among the form's elements of that kind, so that the page it is
// carried back to can find it without the snapshot.
struct PageWrite {
  int form = 0;
  ElementKind kind = ElementKind::kInput;
  int index = 0;
  int option = -1;  // selects: the option selected
  PageText value;   // inputs and text areas: the value put
};

// The most elements and options a snapshot holds, and the longest text in it
// (longer texts are cut; a stored string holds less). A snapshot taken of a
// bigger page holds its beginning and says so in truncated.
inline constexpr size_t kMaxSnapshotElements = 20'000;
inline constexpr size_t kMaxSnapshotOptions = 100'000;
inline constexpr size_t kMaxSnapshotText = 64 * 1024;

// A snapshot of document (or of the one form, as the only form of a
// document without address or title), read through the page's own calls.
// Elements and options past the limits are left out and mark the snapshot
// truncated; a collection that cannot be read counts as empty.
PageSnapshot TakeSnapshot(PageDocument& document);
PageSnapshot TakeSnapshot(PageForm& form);

// Cuts the snapshot to the limits above, marking it truncated when anything
// was cut. Snapshots from outside the process go through it first.
void BoundSnapshot(PageSnapshot& snapshot);

// Carries writes into document (or into form, for writes to its form 0)
// through the page's own calls, finding each element as TakeSnapshot counted
// it (items that cannot be fetched are not counted). Returns how many were
// made; a write whose element is not there is passed over.
int ApplyWrites(PageDocument& document, const std::vector<PageWrite>& writes);
int ApplyWrites(PageForm& form, const std::vector<PageWrite>& writes);

// A page over a snapshot. Reads come from the snapshot; each write changes
// it (later reads see the new value) and is recorded, in order.
class SnapshotPage {
 public:
  explicit SnapshotPage(PageSnapshot snapshot);

  // A browser, a document and a form over the snapshot; each may outlive the
  // SnapshotPage (they share its state).
  std::unique_ptr<PageBrowser> Browser() const;
  std::unique_ptr<PageDocument> Document() const;
  std::unique_ptr<PageForm> Form(int index) const;

  const PageSnapshot& snapshot() const;
  // The writes made so far, in the order they were made.
  const std::vector<PageWrite>& writes() const;
  std::vector<PageWrite> TakeWrites();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace zr

#endif  // ZRFORM_FORMS_PAGE_SNAPSHOT_H_
