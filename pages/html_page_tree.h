// The libxml2 tree behind an HtmlPage, and the node helpers its views use.
// Walks are iterative, so any depth of nesting is safe. Texts read from the
// tree are returned as valid UTF-8; texts written to it are made valid first.
#ifndef ZRFORM_PAGES_HTML_PAGE_TREE_H_
#define ZRFORM_PAGES_HTML_PAGE_TREE_H_

#include <libxml/tree.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zr {

// The parsed document and its address. Every view holds a shared_ptr to it,
// so node pointers stay valid while any view lives. No operation removes an
// element that a view can reach (see ReplaceText).
struct HtmlTree {
  HtmlTree(xmlDocPtr parsed, std::string address) : doc(parsed), url(std::move(address)) {}
  ~HtmlTree() { xmlFreeDoc(doc); }
  HtmlTree(const HtmlTree&) = delete;
  HtmlTree& operator=(const HtmlTree&) = delete;

  xmlDocPtr doc;
  std::string url;
  std::string encoding;  // what the bytes were read as (DecodePage)
  // Why the parser stopped before the end of the page; empty when it read
  // it whole. Such a page is never written back: it would be cut short.
  std::string not_read_whole;

  // The forms a browser makes, and what belongs to each (FormOwners), in
  // document order. Found once after the parse: writes change no element.
  struct FormMembers {
    std::vector<xmlNodePtr> inputs, text_areas, selects;
  };
  std::vector<xmlNodePtr> forms;
  std::unordered_map<xmlNodePtr, FormMembers> members;
};

// Elements whose content a browser takes as text (textarea, title, script,
// ...) or as a document of its own (frames, inline frames and what stands in
// for them). libxml2 parses some of them as markup; the walks skip it.
inline constexpr std::array<const char*, 11> kOpaqueElementNames = {
    "textarea", "title", "script",   "style",    "xmp",    "plaintext",
    "iframe",   "frame", "frameset", "noframes", "noembed"};
bool IsOpaqueElement(const xmlNode* node);

// Whether node is an element named tag (lower case, as the HTML parser
// stores names).
bool IsElement(const xmlNode* node, const char* tag);

// The elements named tag below root, in document order. The walk does not
// enter elements whose content a browser shows as text or as another
// document (textarea, title, iframe, frameset, noframes, ...), so what libxml2
// made of such content is never seen as forms or fields.
std::vector<xmlNodePtr> ElementsBelow(xmlNodePtr root, const char* tag);

// Calls visit(element) for each element below root in document order, not
// entering the elements the walks skip.
void ForEachElement(xmlNodePtr root, const std::function<void(xmlNodePtr)>& visit);

// The first element named tag in the document, or null.
xmlNodePtr FirstElement(xmlDocPtr doc, const char* tag);

// The value of the attribute, or none when the element does not have it.
std::optional<std::string> Attribute(xmlNodePtr element, const char* name);
bool HasAttribute(xmlNodePtr element, const char* name);
// Sets the attribute to value, cut at its first NUL byte. Returns false when
// libxml2 cannot allocate it.
bool SetAttribute(xmlNodePtr element, const char* name, std::string_view value);
void RemoveAttribute(xmlNodePtr element, const char* name);

// The element's text with runs of ASCII white space collapsed to one space
// and leading and trailing white space removed, as browsers show an option's
// text or a title. Text inside script elements is left out.
std::string CollapsedText(xmlNodePtr element);

// Replaces the element's content with one text node holding text (cut at its
// first NUL byte). Only for elements the walks never enter (text areas), so
// no view points at a node that is freed here.
bool ReplaceText(xmlNodePtr element, std::string_view text);

// text with each byte that does not belong to a well-formed UTF-8 character
// replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace zr

#endif  // ZRFORM_PAGES_HTML_PAGE_TREE_H_
