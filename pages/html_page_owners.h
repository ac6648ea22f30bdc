// Which form each input, text area and select belongs to, as a browser's tree
// builder assigns it: the form element pointer is set by a <form> start tag
// and cleared by any </form> end tag; a <form> start tag while it is set is
// ignored (that form does not exist), so the next </form> ends the outer form
// and what follows belongs to no form; an element takes the form that was
// pointed to when it was inserted, wherever libxml2 put it (an unclosed form
// in a table, a form closed by a </div>); a form="id" attribute names the
// form instead. Followed during libxml2's parse through its SAX events and
// the source text between them (for the end tags libxml2 drops).
#ifndef ZRFORM_PAGES_HTML_PAGE_OWNERS_H_
#define ZRFORM_PAGES_HTML_PAGE_OWNERS_H_

#include <libxml/tree.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace zr {

struct HtmlTree;

class FormOwners {
 public:
  // text is what the parser reads; it must outlive the parse.
  explicit FormOwners(std::string_view text) : text_(text) {}

  // An element libxml2 made for a start tag; the parser was at offset.
  void OnStart(xmlNodePtr node, size_t offset, const xmlChar** attributes);
  // libxml2 ended an element (for an end tag or on its own); at offset.
  void OnEnd(const xmlChar* name, size_t offset);
  // The forms a browser has and each one's members, in document order, into tree.
  void Finish(HtmlTree& tree) const;

 private:
  // Clears the pointer for each </form> in the text up to offset, outside
  // comments and the content of elements a browser takes as text.
  void ScanTo(size_t offset);
  // Whether libxml2 made node out of text that a browser takes as text (the
  // content of a text area, which libxml2 parses as markup).
  bool InText(size_t offset) const { return offset < text_until_; }

  std::string_view text_;
  size_t scanned_ = 0;
  size_t text_until_ = 0;  // the end of the content of the last textarea, script, title, ...
  int template_depth_ = 0;
  xmlNodePtr pointer_ = nullptr;
  std::unordered_set<xmlNodePtr> ignored_forms_;      // and elements made of text
  std::unordered_map<xmlNodePtr, xmlNodePtr> owner_;  // member -> form
  std::unordered_map<xmlNodePtr, std::string> form_attribute_;
  // For each end tag ("</textarea"): searched from, and where found (or npos).
  std::unordered_map<std::string, std::pair<size_t, size_t>> end_tags_;
};

}  // namespace zr

#endif  // ZRFORM_PAGES_HTML_PAGE_OWNERS_H_
