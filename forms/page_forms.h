// PageForms: the live view of a page's document, forms and elements through
// which filling and capturing reach a page. Nothing is copied ahead of time:
// every read asks the page, every write changes it at once. Any call may
// fail; a failed fetch gives null and is passed over by the walks.
// Page texts are UTF-8 (the page's own Unicode text); names, values and
// addresses are converted to the code page where they are compared or stored.
#ifndef ZRFORM_FORMS_PAGE_FORMS_H_
#define ZRFORM_FORMS_PAGE_FORMS_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"

namespace zr {

// Text as the page gives it, UTF-8. A missing text reads as empty.
using PageText = std::string;

// One step of an enumerator.
template <typename Item>
struct PageNext {
  bool ok = false;             // false: the enumeration is over (or failed)
  std::unique_ptr<Item> item;  // null when the item is not of the expected kind
};

template <typename Item>
class PageEnumerator {
 public:
  virtual ~PageEnumerator() = default;
  virtual PageNext<Item> Next() = 0;
};

// An ordered collection of page objects, in document order.
template <typename Item>
class PageCollection {
 public:
  virtual ~PageCollection() = default;
  // The number of items, or none when it cannot be read.
  virtual std::optional<int> Length() = 0;
  // The item at index, or null when it cannot be fetched.
  virtual std::unique_ptr<Item> At(int index) = 0;
  // An enumerator over the items, or null when none can be had.
  virtual std::unique_ptr<PageEnumerator<Item>> Enumerate() = 0;
};

class PageInput {
 public:
  virtual ~PageInput() = default;
  // The type as the page reports it: "password", "checkbox", "radio",
  // "hidden", "submit", "image", "reset", "button", "file", or "text" for
  // everything else. A page may also report "" (counted as text by the walks).
  virtual PageText Type() = 0;
  virtual PageText Name() = 0;
  virtual PageText Value() = 0;
  // The maximum length in UTF-16 units, or none when there is none or it
  // cannot be read.
  virtual std::optional<long> MaxLength() = 0;
  virtual bool PutValue(const PageText& value) = 0;
};

// The type an input reports for its type attribute (attribute, none when it
// has none): one of the types named above, in lower case, or "text".
inline PageText ReportedInputType(std::optional<std::string_view> attribute) {
  static constexpr std::string_view kReported[] = {
      "password", "checkbox", "radio", "hidden", "submit", "image", "reset", "button", "file"};
  if (!attribute) return "text";
  for (std::string_view reported : kReported) {
    if (AsciiEqualNoCase(*attribute, reported)) return PageText(reported);
  }
  return "text";
}

class PageTextArea {
 public:
  virtual ~PageTextArea() = default;
  virtual PageText Name() = 0;
  virtual bool PutValue(const PageText& value) = 0;
};

class PageOption {
 public:
  virtual ~PageOption() = default;
  virtual PageText Text() = 0;
  virtual PageText Value() = 0;
  virtual bool PutSelected() = 0;
};

class PageSelect {
 public:
  virtual ~PageSelect() = default;
  virtual PageText Name() = 0;
  virtual std::unique_ptr<PageCollection<PageOption>> Options() = 0;
};

class PageForm {
 public:
  virtual ~PageForm() = default;
  virtual PageText Name() = 0;
  // The form's INPUT, TEXTAREA and SELECT elements, or null when the
  // collection cannot be had.
  virtual std::unique_ptr<PageCollection<PageInput>> Inputs() = 0;
  virtual std::unique_ptr<PageCollection<PageTextArea>> TextAreas() = 0;
  virtual std::unique_ptr<PageCollection<PageSelect>> Selects() = 0;
};

class PageDocument {
 public:
  virtual ~PageDocument() = default;
  virtual PageText Url() = 0;
  virtual PageText Title() = 0;
  // The forms in document order, or null when the document has no form collection.
  virtual std::unique_ptr<PageCollection<PageForm>> Forms() = 0;
};

// What the toolbar hands over for a browser window.
class PageBrowser {
 public:
  virtual ~PageBrowser() = default;
  // The HTML document shown, or null when there is none.
  virtual std::unique_ptr<PageDocument> Document() = 0;
};

// Calls visit(item) for each item fetched by index, in order; items that
// cannot be fetched are passed over.
template <typename Item, typename Visit>
void ForEachByIndex(PageCollection<Item>& collection, Visit visit) {
  int length = collection.Length().value_or(0);
  for (int index = 0; index < length; ++index) {
    if (std::unique_ptr<Item> item = collection.At(index)) visit(*item);
  }
}

// Calls visit(item) for each item of an enumerator until it stops; items of
// another kind are passed over. visit may return false to stop the walk.
template <typename Item, typename Visit>
void ForEachByEnumerator(PageCollection<Item>& collection, Visit visit) {
  std::unique_ptr<PageEnumerator<Item>> enumerator = collection.Enumerate();
  if (!enumerator) return;
  for (PageNext<Item> next = enumerator->Next(); next.ok; next = enumerator->Next()) {
    if (next.item && !visit(*next.item)) return;
  }
}

}  // namespace zr

#endif  // ZRFORM_FORMS_PAGE_FORMS_H_
