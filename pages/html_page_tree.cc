// Node helpers for the HTML page backend: iterative walks in document order,
// attribute reads and writes, text content, and UTF-8 clean-up.
#include "pages/html_page_tree.h"

#include <climits>
#include <cstring>

namespace zr {
namespace {

bool IsOpaque(const xmlNode* node) { return IsOpaqueElement(node); }

// The node after node in document order within root's subtree, entering
// node's children only when enter is true.
xmlNodePtr NextInWalk(xmlNodePtr node, xmlNodePtr root, bool enter) {
  if (enter && node->children != nullptr) return node->children;
  while (node != nullptr && node != root) {
    if (node->next != nullptr) return node->next;
    node = node->parent;
  }
  return nullptr;
}

// Calls visit(element) for each element below root in document order,
// skipping the content of skipped(element); stops when visit returns false.
template <typename Skip, typename Visit>
void WalkElements(xmlNodePtr root, Skip skipped, Visit visit) {
  xmlNodePtr node = root->children;
  while (node != nullptr) {
    bool enter = false;
    if (node->type == XML_ELEMENT_NODE) {
      if (!visit(node)) return;
      enter = !skipped(node);
    }
    node = NextInWalk(node, root, enter);
  }
}

// The text with its first NUL byte and everything after it removed: the
// tree holds C strings.
std::string_view BeforeNul(std::string_view text) { return text.substr(0, text.find('\0')); }

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// The length of the well-formed UTF-8 character at text[at], or 0 when none
// starts there; then bad is the length of the ill-formed part to replace.
size_t Utf8CharLength(std::string_view text, size_t at, size_t& bad) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return 1;
  size_t trail = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    bad = 1;
    return 0;
  }
  size_t length = 1;
  for (; length <= trail && at + length < text.size(); ++length) {
    const auto byte = static_cast<unsigned char>(text[at + length]);
    const bool fits = length == 1 ? (byte >= low && byte <= high) : (byte >= 0x80 && byte <= 0xBF);
    if (!fits) break;
  }
  if (length == trail + 1) return length;
  bad = length;
  return 0;
}

// Copies a string that libxml2 allocated and frees it.
std::string TakeXmlString(xmlChar* text) {
  std::string copy = ValidUtf8(reinterpret_cast<const char*>(text));
  xmlFree(text);
  return copy;
}

}  // namespace

bool IsOpaqueElement(const xmlNode* node) {
  for (const char* tag : kOpaqueElementNames) {
    if (IsElement(node, tag)) return true;
  }
  return false;
}

void ForEachElement(xmlNodePtr root, const std::function<void(xmlNodePtr)>& visit) {
  WalkElements(root, IsOpaque, [&](xmlNodePtr element) {
    visit(element);
    return true;
  });
}

bool IsElement(const xmlNode* node, const char* tag) {
  return node != nullptr && node->type == XML_ELEMENT_NODE && node->name != nullptr &&
         std::strcmp(reinterpret_cast<const char*>(node->name), tag) == 0;
}

std::vector<xmlNodePtr> ElementsBelow(xmlNodePtr root, const char* tag) {
  std::vector<xmlNodePtr> found;
  WalkElements(root, IsOpaque, [&](xmlNodePtr element) {
    if (IsElement(element, tag)) found.push_back(element);
    return true;
  });
  return found;
}

xmlNodePtr FirstElement(xmlDocPtr doc, const char* tag) {
  xmlNodePtr first = nullptr;
  WalkElements(reinterpret_cast<xmlNodePtr>(doc), IsOpaque, [&](xmlNodePtr element) {
    if (IsElement(element, tag)) first = element;
    return first == nullptr;
  });
  return first;
}

std::optional<std::string> Attribute(xmlNodePtr element, const char* name) {
  xmlChar* value = xmlGetNoNsProp(element, reinterpret_cast<const xmlChar*>(name));
  if (value == nullptr) return std::nullopt;
  return TakeXmlString(value);
}

bool HasAttribute(xmlNodePtr element, const char* name) {
  return xmlHasNsProp(element, reinterpret_cast<const xmlChar*>(name), nullptr) != nullptr;
}

bool SetAttribute(xmlNodePtr element, const char* name, std::string_view value) {
  const std::string text = ValidUtf8(BeforeNul(value));
  return xmlSetProp(element, reinterpret_cast<const xmlChar*>(name),
                    reinterpret_cast<const xmlChar*>(text.c_str())) != nullptr;
}

void RemoveAttribute(xmlNodePtr element, const char* name) {
  xmlUnsetProp(element, reinterpret_cast<const xmlChar*>(name));
}

std::string CollapsedText(xmlNodePtr element) {
  std::string text;
  bool pending_space = false;
  auto append = [&](const xmlChar* content) {
    if (content == nullptr) return;
    for (const char* c = reinterpret_cast<const char*>(content); *c != '\0'; ++c) {
      if (IsAsciiSpace(*c)) {
        pending_space = !text.empty();
        continue;
      }
      if (pending_space) text += ' ';
      pending_space = false;
      text += *c;
    }
  };
  xmlNodePtr node = element->children;
  while (node != nullptr) {
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      append(node->content);
    }
    const bool enter = node->type == XML_ELEMENT_NODE && !IsElement(node, "script");
    node = NextInWalk(node, element, enter);
  }
  return ValidUtf8(text);
}

bool ReplaceText(xmlNodePtr element, std::string_view text) {
  const std::string content = ValidUtf8(BeforeNul(text));
  if (content.size() > static_cast<size_t>(INT_MAX)) return false;
  xmlNodePtr replacement =
      xmlNewDocTextLen(element->doc, reinterpret_cast<const xmlChar*>(content.data()),
                       static_cast<int>(content.size()));
  if (replacement == nullptr) return false;
  xmlNodePtr old = element->children;
  element->children = nullptr;
  element->last = nullptr;
  for (xmlNodePtr child = old; child != nullptr; child = child->next) child->parent = nullptr;
  xmlFreeNodeList(old);
  xmlAddChild(element, replacement);
  return true;
}

std::string ValidUtf8(std::string_view text) {
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  std::string valid;
  size_t copied = 0;  // text before this index is already in valid
  size_t at = 0;
  while (at < text.size()) {
    size_t bad = 0;
    const size_t length = Utf8CharLength(text, at, bad);
    if (length != 0) {
      at += length;
      continue;
    }
    valid.append(text.substr(copied, at - copied));
    valid += kReplacement;
    at += bad;
    copied = at;
  }
  if (copied == 0) return std::string(text);
  valid.append(text.substr(copied));
  return valid;
}

}  // namespace zr
